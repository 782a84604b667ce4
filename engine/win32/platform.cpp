// Windows platform: the wide path opened by the C runtime, MD5 from CryptoAPI, SHA from CNG,
// each value by a pass of its own over the file.
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
#include <tuple>

#include "engine/checksums.h"
#include "engine/win32/platform.h"
#include "engine/read_buffer.h"
#include "engine/text.h"

namespace tav {

namespace {

// The shared texts are char16_t; on Windows wchar_t has the same size and encoding.
static_assert(sizeof(wchar_t) == sizeof(char16_t));

// Windows' path rules drop a dot or a space that ends a name ("a.txt." and "a.txt " open
// "a.txt"), and a dot that ends a folder's name. Such names come from Linux and network shares;
// the file named is reached only through the form that takes a path as it is (\\?\), which
// a full path of a drive or a share can have. Any other such path is refused: it would name
// another file or none.
bool EndsInDotOrSpace(std::wstring_view part) {
  return !part.empty() && part != L"." && part != L".." && (part.back() == L'.' || part.back() == L' ');
}

std::wstring AsNamed(const std::wstring& given) {
  std::wstring path = given;
  std::replace(path.begin(), path.end(), L'/', L'\\');
  bool trimmed = false, relative = false;
  for (std::size_t start = 0; start <= path.size();) {
    const std::size_t end = std::min(path.find(L'\\', start), path.size());
    const std::wstring_view part = std::wstring_view(path).substr(start, end - start);
    trimmed = trimmed || EndsInDotOrSpace(part);
    relative = relative || part == L"." || part == L"..";
    start = end + 1;
  }
  if (!trimmed) return given;
  const bool drive = path.size() > 2 && path[1] == L':' && path[2] == L'\\';
  const bool share = path.size() > 2 && path.compare(0, 2, L"\\\\") == 0 && path[2] != L'?' && path[2] != L'.';
  if (relative || !(drive || share)) return std::wstring();
  return drive ? L"\\\\?\\" + path : L"\\\\?\\UNC" + path.substr(1);
}

// A terminated copy of the path, never read past the selected path's capacity, in the form that
// opens the file it names.
std::wstring WidePath(const char16_t* path) {
  const std::u16string_view view = TextView(path, kPathCapacity);
  return AsNamed(std::wstring(reinterpret_cast<const wchar_t*>(view.data()), view.size()));
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

// Which file a handle reads, and which version of it: its volume, its index there, its size
// and its last write. Each pass opens the path afresh, so a file renamed over or still being
// written between two passes would give values of two contents; the passes that agree on this
// read the same bytes.
using FileVersion = std::tuple<DWORD, DWORD, DWORD, DWORD, DWORD, DWORD, DWORD>;
std::optional<FileVersion> VersionOf(HANDLE file) {
  BY_HANDLE_FILE_INFORMATION info;
  if (!GetFileInformationByHandle(file, &info)) return std::nullopt;
  return FileVersion{info.dwVolumeSerialNumber, info.nFileIndexHigh, info.nFileIndexLow,
                     info.nFileSizeHigh, info.nFileSizeLow, info.ftLastWriteTime.dwHighDateTime,
                     info.ftLastWriteTime.dwLowDateTime};
}

// Reads the whole file in `chunk`-byte pieces and hands each to `consume`, then notes in `seen`
// the version it read to the end. Returns false on a read error or a refused chunk: the bytes
// read so far are not the file's content, so the caller shows nothing rather than a wrong
// checksum.
template <typename Consume>
bool ReadWhole(HANDLE file, std::size_t chunk, std::optional<FileVersion>& seen, Consume consume) {
  const ReadBuffer buffer(chunk);
  for (;;) {
    DWORD got = 0;
    if (!ReadFile(file, buffer.data(), static_cast<DWORD>(chunk), &got, nullptr)) return false;
    if (got == 0) break;
    if (!consume(buffer.data(), got)) return false;
  }
  seen = VersionOf(file);
  return true;
}

std::optional<Digest> Md5File(const std::wstring& path, std::optional<FileVersion>& seen) {
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
      !ReadWhole(file.get(), InfoOf(Slot::Md5).readChunk, seen,
                 [&](BYTE* data, DWORD n) { return CryptHashData(hash.get(), data, n, 0); }) ||
      !CryptGetHashParam(hash.get(), HP_HASHVAL, room.data(), &size, 0))
    return std::nullopt;
  digest.Resize(size);
  return digest;
}

// The hash object and the finished digest each live in a block of the process heap, sized as
// the provider reports; both blocks are freed only after the hash is destroyed and the
// provider closed, and the digest is copied out only if it fits the caller's.
std::optional<Digest> ShaFile(Slot slot, const std::wstring& path,
                              std::optional<FileVersion>& seen) {
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
      !ReadWhole(file.get(), InfoOf(slot).readChunk, seen, [&](BYTE* data, DWORD n) {
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
  explicit Win32Platform(std::function<void(Slot)> beforePass = nullptr)
      : beforePass_(std::move(beforePass)) {}

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

  // A pass a value, in slot order: the CRC-32 over the stream the open check opened, then
  // each digest over a fresh open of the path. Every digest pass must have read to its end the
  // version of the file that the first pass saw at its start (a change during the first pass
  // shows in every later one); otherwise no value is the file's.
  FileChecksums Checksums(Stream stream, const char16_t* path) override {
    FileChecksums sums;
    const HANDLE opened = reinterpret_cast<HANDLE>(_get_osfhandle(_fileno(stream.get())));
    const std::optional<FileVersion> first = VersionOf(opened);
    if (const std::optional<std::uint32_t> crc = ComputeCrc32(stream.get()))
      sums.values[IndexOf(Slot::Crc32)] = Crc32Digest(*crc);
    stream.reset();
    const std::wstring wide = WidePath(path);
    for (const SlotInfo& info : kSlots) {
      if (info.slot == Slot::Crc32) continue;
      if (beforePass_) beforePass_(info.slot);
      std::optional<FileVersion> seen;
      sums.values[IndexOf(info.slot)] =
          info.slot == Slot::Md5 ? Md5File(wide, seen) : ShaFile(info.slot, wide, seen);
      sums.changed = sums.changed || (seen && seen != first);
    }
    return sums;
  }

 private:
  std::function<void(Slot)> beforePass_;
};

}  // namespace

std::unique_ptr<ChecksumPlatform> MakeWin32Platform(std::function<void(Slot)> beforePass) {
  return std::make_unique<Win32Platform>(std::move(beforePass));
}

ChecksumPlatform& DefaultPlatform() {
  static Win32Platform platform;
  return platform;
}

}  // namespace tav
