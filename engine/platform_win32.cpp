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
#include <memory>
#include <string>

#include "engine/platform.h"
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

// Only files on disk are checksummed: a console, pipe or other device would block the run or
// give a value that is no file's content, so it is treated like a file that is not there.
bool IsDiskFile(HANDLE file) {
  if (file == INVALID_HANDLE_VALUE || GetFileType(file) != FILE_TYPE_DISK) return false;
  BY_HANDLE_FILE_INFORMATION info;
  return GetFileInformationByHandle(file, &info) &&
         (info.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) == 0;
}

struct FileCloser {
  HANDLE file;
  ~FileCloser() {
    if (file != INVALID_HANDLE_VALUE) CloseHandle(file);
  }
};

// Reads the whole file in `chunk`-byte pieces and hands each to `consume`. Returns false on a
// read error, a refused chunk or a file that could not be opened: the bytes read so far are
// not the file's content, so the caller shows nothing rather than a wrong checksum.
template <typename Consume>
bool ReadWhole(HANDLE file, std::size_t chunk, Consume consume) {
  if (!IsDiskFile(file)) return false;
  std::unique_ptr<BYTE[]> buffer(new BYTE[chunk]);
  for (;;) {
    DWORD got = 0;
    if (!ReadFile(file, buffer.get(), static_cast<DWORD>(chunk), &got, nullptr)) return false;
    if (got == 0) return true;
    if (!consume(buffer.get(), got)) return false;
  }
}

bool Md5File(const std::wstring& path, std::uint8_t* digest, std::size_t* length) {
  FileCloser file{CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr,
                              OPEN_EXISTING, FILE_FLAG_SEQUENTIAL_SCAN, nullptr)};
  HCRYPTPROV provider = 0;
  HCRYPTHASH hash = 0;
  bool ok = CryptAcquireContextW(&provider, nullptr,
                                 L"Microsoft Enhanced RSA and AES Cryptographic Provider",
                                 PROV_RSA_AES, CRYPT_VERIFYCONTEXT) &&
            CryptCreateHash(provider, CALG_MD5, 0, 0, &hash);
  if (ok) {
    ok = ReadWhole(file.file, InfoOf(Slot::Md5).readChunk, [&](const BYTE* data, DWORD n) {
      return CryptHashData(hash, data, n, 0) != FALSE;
    });
  }
  if (ok) {
    DWORD size = 16;
    ok = CryptGetHashParam(hash, HP_HASHVAL, digest, &size, 0) && size <= kMaxDigestBytes;
    if (ok) *length = size;
  }
  if (hash) CryptDestroyHash(hash);
  if (provider) CryptReleaseContext(provider, 0);
  return ok;
}

const wchar_t* CngAlgorithm(Slot slot) {
  switch (slot) {
    case Slot::Sha1: return BCRYPT_SHA1_ALGORITHM;
    case Slot::Sha256: return BCRYPT_SHA256_ALGORITHM;
    case Slot::Sha512: return BCRYPT_SHA512_ALGORITHM;
    default: return nullptr;
  }
}

bool ShaFile(Slot slot, const std::wstring& path, std::uint8_t* digest, std::size_t* length) {
  const wchar_t* algorithmId = CngAlgorithm(slot);
  if (!algorithmId) return false;
  BCRYPT_ALG_HANDLE algorithm = nullptr;
  BCRYPT_HASH_HANDLE hash = nullptr;
  DWORD objectLength = 0, digestLength = 0, written = 0;
  const HANDLE heap = GetProcessHeap();

  bool ok = BCRYPT_SUCCESS(BCryptOpenAlgorithmProvider(&algorithm, algorithmId, nullptr, 0));
  ok = ok && BCRYPT_SUCCESS(BCryptGetProperty(algorithm, BCRYPT_OBJECT_LENGTH,
                                              reinterpret_cast<PUCHAR>(&objectLength),
                                              sizeof objectLength, &written, 0));
  BYTE* object = ok ? static_cast<BYTE*>(HeapAlloc(heap, 0, objectLength)) : nullptr;
  ok = ok && object &&
       BCRYPT_SUCCESS(BCryptGetProperty(algorithm, BCRYPT_HASH_LENGTH,
                                        reinterpret_cast<PUCHAR>(&digestLength),
                                        sizeof digestLength, &written, 0)) &&
       digestLength > 0 && digestLength <= kMaxDigestBytes;
  BYTE* output = ok ? static_cast<BYTE*>(HeapAlloc(heap, 0, digestLength)) : nullptr;
  ok = ok && output &&
       BCRYPT_SUCCESS(BCryptCreateHash(algorithm, &hash, object, objectLength, nullptr, 0, 0));
  {
    FileCloser file{CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr,
                                OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr)};
    if (ok) {
      ok = ReadWhole(file.file, InfoOf(slot).readChunk, [&](BYTE* data, DWORD n) {
        return BCRYPT_SUCCESS(BCryptHashData(hash, data, n, 0));
      });
    }
    ok = ok && BCRYPT_SUCCESS(BCryptFinishHash(hash, output, digestLength, 0));
    if (ok) {
      std::copy(output, output + digestLength, digest);
      *length = digestLength;
    }
  }
  if (hash) BCryptDestroyHash(hash);
  if (algorithm) BCryptCloseAlgorithmProvider(algorithm, 0);
  if (output) HeapFree(heap, 0, output);
  if (object) HeapFree(heap, 0, object);
  return ok;
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
