// Windows platform: the wide path opened by the C runtime, MD5 from CryptoAPI, SHA from CNG.
#ifndef NOMINMAX
#define NOMINMAX
#endif
#include <windows.h>
#include <bcrypt.h>
#include <io.h>
#include <wincrypt.h>

#include <cstdio>
#include <string>

#include "engine/platform.h"
#include "engine/read_buffer.h"
#include "engine/text.h"

namespace tav {

namespace {

// The shared texts are char16_t; on Windows wchar_t has the same size and encoding.
static_assert(sizeof(wchar_t) == sizeof(char16_t));

// A terminated copy of the path, never read past the selected path's capacity.
std::wstring WidePath(const char16_t* path) {
  const std::u16string_view view = TextView(path, kPathCapacity);
  return std::wstring(reinterpret_cast<const wchar_t*>(view.data()), view.size());
}

// Owns one Windows handle or heap block and releases it on every way out of the digest
// functions. Declared in the reverse of the order the releases must run in.
template <typename Handle, auto Release>
struct Owned {
  explicit Owned(Handle value = Handle{}) : handle(value) {}
  ~Owned() { if (handle) Release(handle); }
  Owned(const Owned&) = delete;
  Owned& operator=(const Owned&) = delete;
  Handle handle;
};
// CreateFileW's failure is INVALID_HANDLE_VALUE, which is not null.
using File = Owned<HANDLE, [](HANDLE h) { if (h != INVALID_HANDLE_VALUE) CloseHandle(h); }>;
using CryptoProvider = Owned<HCRYPTPROV, [](HCRYPTPROV p) { CryptReleaseContext(p, 0); }>;
using CryptoHash = Owned<HCRYPTHASH, CryptDestroyHash>;
using CngAlgorithm =
    Owned<BCRYPT_ALG_HANDLE, [](BCRYPT_ALG_HANDLE a) { BCryptCloseAlgorithmProvider(a, 0); }>;
using CngHash = Owned<BCRYPT_HASH_HANDLE, BCryptDestroyHash>;
using HeapBlock = Owned<BYTE*, [](BYTE* b) { HeapFree(GetProcessHeap(), 0, b); }>;

// Only files on disk are checksummed: a console, pipe or other device would block the run or
// give a value that is no file's content, so it is treated like a file that is not there.
bool IsDiskFile(HANDLE file) {
  if (file == INVALID_HANDLE_VALUE || GetFileType(file) != FILE_TYPE_DISK) return false;
  BY_HANDLE_FILE_INFORMATION info;
  return GetFileInformationByHandle(file, &info) &&
         (info.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) == 0;
}

// Reads the whole file in `chunk`-byte pieces and hands each to `consume`. Returns false on a
// read error or a refused chunk: the bytes read so far are not the file's content, so the
// caller shows nothing rather than a wrong checksum.
template <typename Consume>
bool ReadWhole(HANDLE file, std::size_t chunk, Consume consume) {
  const ReadBuffer buffer(chunk);
  for (;;) {
    DWORD got = 0;
    if (!ReadFile(file, buffer.data(), static_cast<DWORD>(chunk), &got, nullptr)) return false;
    if (got == 0) return true;
    if (!consume(buffer.data(), got)) return false;
  }
}

bool Md5File(const std::wstring& path, std::uint8_t* digest, std::size_t* length) {
  const File file(CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr,
                              OPEN_EXISTING, FILE_FLAG_SEQUENTIAL_SCAN, nullptr));
  CryptoProvider provider;
  CryptoHash hash;
  DWORD size = 16;
  if (!IsDiskFile(file.handle) ||
      !CryptAcquireContextW(&provider.handle, nullptr,
                            L"Microsoft Enhanced RSA and AES Cryptographic Provider",
                            PROV_RSA_AES, CRYPT_VERIFYCONTEXT) ||
      !CryptCreateHash(provider.handle, CALG_MD5, 0, 0, &hash.handle) ||
      !ReadWhole(file.handle, InfoOf(Slot::Md5).readChunk,
                 [&](BYTE* data, DWORD n) { return CryptHashData(hash.handle, data, n, 0); }) ||
      !CryptGetHashParam(hash.handle, HP_HASHVAL, digest, &size, 0))
    return false;
  *length = size;
  return true;
}

// BCryptFinishHash writes straight into the caller's digest once its length is known to fit,
// so the output needs no heap block of its own. The hash object lives in `object`: that block
// is freed only after the hash is destroyed and the provider closed.
bool ShaFile(Slot slot, const std::wstring& path, std::uint8_t* digest, std::size_t* length) {
  HeapBlock object;
  CngAlgorithm algorithm;
  CngHash hash;
  DWORD objectLength = 0, digestLength = 0, written = 0;
  const auto property = [&](const wchar_t* name, DWORD* value) {
    return BCRYPT_SUCCESS(BCryptGetProperty(algorithm.handle, name,
                                            reinterpret_cast<PUCHAR>(value), sizeof *value,
                                            &written, 0));
  };
  const wchar_t* algorithmId = slot == Slot::Sha1     ? BCRYPT_SHA1_ALGORITHM
                               : slot == Slot::Sha256 ? BCRYPT_SHA256_ALGORITHM
                               : slot == Slot::Sha512 ? BCRYPT_SHA512_ALGORITHM
                                                      : nullptr;
  if (!algorithmId ||
      !BCRYPT_SUCCESS(BCryptOpenAlgorithmProvider(&algorithm.handle, algorithmId, nullptr, 0)) ||
      !property(BCRYPT_OBJECT_LENGTH, &objectLength))
    return false;
  object.handle = static_cast<BYTE*>(HeapAlloc(GetProcessHeap(), 0, objectLength));
  if (!object.handle || !property(BCRYPT_HASH_LENGTH, &digestLength) || digestLength == 0 ||
      digestLength > kMaxDigestBytes ||
      !BCRYPT_SUCCESS(BCryptCreateHash(algorithm.handle, &hash.handle, object.handle,
                                       objectLength, nullptr, 0, 0)))
    return false;
  const File file(CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr,
                              OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
  if (!IsDiskFile(file.handle) ||
      !ReadWhole(file.handle, InfoOf(slot).readChunk, [&](BYTE* data, DWORD n) {
        return BCRYPT_SUCCESS(BCryptHashData(hash.handle, data, n, 0));
      }) ||
      !BCRYPT_SUCCESS(BCryptFinishHash(hash.handle, digest, digestLength, 0)))
    return false;
  *length = digestLength;
  return true;
}

class Win32Platform final : public ChecksumPlatform {
 public:
  // The wide path itself is opened, so this check and the digest passes always name the
  // same file, whatever characters its name has and however long its narrow form would be.
  std::FILE* OpenStream(const char16_t* path) override {
    const std::wstring wide = WidePath(path);
    if (wide.empty()) return nullptr;
    std::FILE* stream = nullptr;
    if (_wfopen_s(&stream, wide.c_str(), L"rb") != 0 || !stream) return nullptr;
    if (!IsDiskFile(reinterpret_cast<HANDLE>(_get_osfhandle(_fileno(stream))))) {
      std::fclose(stream);
      return nullptr;
    }
    return stream;
  }

  bool DigestFile(Slot slot, const char16_t* path, std::uint8_t* digest,
                  std::size_t* length) override {
    const std::wstring wide = WidePath(path);
    if (slot == Slot::Md5) return Md5File(wide, digest, length);
    return ShaFile(slot, wide, digest, length);
  }
};

}  // namespace

ChecksumPlatform& DefaultPlatform() {
  static Win32Platform platform;
  return platform;
}

}  // namespace tav
