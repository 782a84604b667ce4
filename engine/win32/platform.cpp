// Windows platform: the wide path opened by the C runtime, MD5 from CryptoAPI, SHA from CNG.
#ifndef NOMINMAX
#define NOMINMAX
#endif
#include <windows.h>
#include <bcrypt.h>
#include <io.h>
#include <wincrypt.h>

#include <algorithm>
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

// Each handle a pass acquires has an owner that releases it on every way out. They are
// declared in the reverse of the order the releases must run in.
void CloseFileHandle(HANDLE file) { CloseHandle(file); }
void ReleaseProvider(HCRYPTPROV provider) { CryptReleaseContext(provider, 0); }
void DestroyCryptHash(HCRYPTHASH hash) { CryptDestroyHash(hash); }
void CloseAlgorithm(BCRYPT_ALG_HANDLE algorithm) { BCryptCloseAlgorithmProvider(algorithm, 0); }
void DestroyCngHash(BCRYPT_HASH_HANDLE hash) { BCryptDestroyHash(hash); }
void FreeHeapBlock(BYTE* block) { HeapFree(GetProcessHeap(), 0, block); }
using File = Owned<HANDLE, CloseFileHandle>;
using CryptoProvider = Owned<HCRYPTPROV, ReleaseProvider>;
using CryptoHash = Owned<HCRYPTHASH, DestroyCryptHash>;
using CngAlgorithm = Owned<BCRYPT_ALG_HANDLE, CloseAlgorithm>;
using CngHash = Owned<BCRYPT_HASH_HANDLE, DestroyCngHash>;
using HeapBlock = Owned<BYTE*, FreeHeapBlock>;

// CreateFileW's failure is INVALID_HANDLE_VALUE, not null: mapped here, where the handle is
// made, so every owner means the same by "nothing held".
File OpenForReading(const std::wstring& path, DWORD flags) {
  const HANDLE file = CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr,
                                  OPEN_EXISTING, flags, nullptr);
  return File(file == INVALID_HANDLE_VALUE ? nullptr : file);
}

HeapBlock AllocateHeapBlock(DWORD size) {
  return HeapBlock(static_cast<BYTE*>(HeapAlloc(GetProcessHeap(), 0, size)));
}

// Only files on disk are checksummed: a console, pipe or other device would block the run or
// give a value that is no file's content, so it is treated like a file that is not there.
bool IsDiskFile(HANDLE file) {
  if (!file || file == INVALID_HANDLE_VALUE || GetFileType(file) != FILE_TYPE_DISK) return false;
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

std::optional<Digest> Md5File(const std::wstring& path) {
  const File file = OpenForReading(path, FILE_FLAG_SEQUENTIAL_SCAN);
  CryptoProvider provider;
  CryptoHash hash;
  Digest digest;
  const std::span<std::uint8_t> room = digest.Resize(16);
  DWORD size = static_cast<DWORD>(room.size());
  if (!IsDiskFile(file.get()) ||
      !CryptAcquireContextW(provider.put(), nullptr,
                            L"Microsoft Enhanced RSA and AES Cryptographic Provider",
                            PROV_RSA_AES, CRYPT_VERIFYCONTEXT) ||
      !CryptCreateHash(provider.get(), CALG_MD5, 0, 0, hash.put()) ||
      !ReadWhole(file.get(), InfoOf(Slot::Md5).readChunk,
                 [&](BYTE* data, DWORD n) { return CryptHashData(hash.get(), data, n, 0); }) ||
      !CryptGetHashParam(hash.get(), HP_HASHVAL, room.data(), &size, 0))
    return std::nullopt;
  digest.Resize(size);
  return digest;
}

// The hash object and the finished digest each live in a block of the process heap, sized as
// the provider reports; both blocks are freed only after the hash is destroyed and the
// provider closed, and the digest is copied out only if it fits the caller's.
std::optional<Digest> ShaFile(Slot slot, const std::wstring& path) {
  HeapBlock object, output;
  CngAlgorithm algorithm;
  CngHash hash;
  DWORD objectLength = 0, digestLength = 0, written = 0;
  const auto property = [&](const wchar_t* name, DWORD* value) {
    return BCRYPT_SUCCESS(BCryptGetProperty(algorithm.get(), name,
                                            reinterpret_cast<PUCHAR>(value), sizeof *value,
                                            &written, 0));
  };
  const wchar_t* algorithmId = slot == Slot::Sha1     ? BCRYPT_SHA1_ALGORITHM
                               : slot == Slot::Sha256 ? BCRYPT_SHA256_ALGORITHM
                               : slot == Slot::Sha512 ? BCRYPT_SHA512_ALGORITHM
                                                      : nullptr;
  if (!algorithmId ||
      !BCRYPT_SUCCESS(BCryptOpenAlgorithmProvider(algorithm.put(), algorithmId, nullptr, 0)) ||
      !property(BCRYPT_OBJECT_LENGTH, &objectLength))
    return std::nullopt;
  object = AllocateHeapBlock(objectLength);
  if (!object || !property(BCRYPT_HASH_LENGTH, &digestLength) || digestLength == 0)
    return std::nullopt;
  output = AllocateHeapBlock(digestLength);
  if (!output ||
      !BCRYPT_SUCCESS(BCryptCreateHash(algorithm.get(), hash.put(), object.get(), objectLength,
                                       nullptr, 0, 0)))
    return std::nullopt;
  const File file = OpenForReading(path, FILE_ATTRIBUTE_NORMAL);
  if (!IsDiskFile(file.get()) ||
      !ReadWhole(file.get(), InfoOf(slot).readChunk, [&](BYTE* data, DWORD n) {
        return BCRYPT_SUCCESS(BCryptHashData(hash.get(), data, n, 0));
      }) ||
      !BCRYPT_SUCCESS(BCryptFinishHash(hash.get(), output.get(), digestLength, 0)))
    return std::nullopt;
  Digest digest;
  const std::span<std::uint8_t> room = digest.Resize(digestLength);
  if (room.empty()) return std::nullopt;
  std::copy_n(output.get(), room.size(), room.begin());
  return digest;
}

class Win32Platform final : public ChecksumPlatform {
 public:
  // The wide path itself is opened, so this check and the digest passes always name the
  // same file, whatever characters its name has and however long its narrow form would be.
  Stream OpenStream(const char16_t* path) override {
    const std::wstring wide = WidePath(path);
    if (wide.empty()) return Stream();
    Stream stream;
    if (_wfopen_s(stream.put(), wide.c_str(), L"rb") != 0 ||
        !IsDiskFile(reinterpret_cast<HANDLE>(_get_osfhandle(_fileno(stream.get())))))
      return Stream();
    return stream;
  }

  std::optional<Digest> DigestFile(Slot slot, const char16_t* path) override {
    const std::wstring wide = WidePath(path);
    return slot == Slot::Md5 ? Md5File(wide) : ShaFile(slot, wide);
  }
};

}  // namespace

ChecksumPlatform& DefaultPlatform() {
  static Win32Platform platform;
  return platform;
}

}  // namespace tav
