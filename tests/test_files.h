// Scratch files for the suites, and independent reference checksums to compare against.
#pragma once

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <random>
#include <string>
#include <vector>

#if __has_include(<zlib.h>)
#include <zlib.h>
#define TAV_HAVE_ZLIB 1
#endif

#include "engine/text.h"

namespace tav::testing {

namespace fs = std::filesystem;

// A fresh directory, removed with everything in it when the test ends.
class ScratchDir {
 public:
  ScratchDir() {
    std::random_device rd;
    dir_ = fs::temp_directory_path() / ("tavrinel-test-" + std::to_string(rd()) + std::to_string(rd()));
    fs::create_directories(dir_);
  }
  ~ScratchDir() {
    std::error_code ec;
    fs::remove_all(dir_, ec);
  }
  fs::path Write(const fs::path& name, const std::string& bytes) const {
    const fs::path p = dir_ / name;
    std::ofstream(p, std::ios::binary).write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
    return p;
  }
  const fs::path& path() const { return dir_; }

 private:
  fs::path dir_;
};

inline std::string RandomBytes(std::size_t n, unsigned seed) {
  std::mt19937 gen(seed);
  std::string s(n, '\0');
  for (auto& c : s) c = static_cast<char>(gen() & 0xFF);
  return s;
}

inline std::u16string U16(const fs::path& p) {
#ifdef _WIN32
  return std::u16string(reinterpret_cast<const char16_t*>(p.native().c_str()));
#else
  return Utf8ToUtf16(p.native());
#endif
}

#ifdef TAV_HAVE_ZLIB
// zlib's CRC-32, printed the way a user sees it: lowercase, no leading zeros.
inline std::u16string ZlibCrcText(const std::string& bytes) {
  const uLong crc = crc32(crc32(0L, Z_NULL, 0), reinterpret_cast<const Bytef*>(bytes.data()),
                          static_cast<uInt>(bytes.size()));
  char buf[16];
  std::snprintf(buf, sizeof buf, "%lx", static_cast<unsigned long>(crc));
  return Utf8ToUtf16(buf);
}
#endif

#ifndef _WIN32
// The first word that a coreutils tool (md5sum, sha1sum, ...) prints for a file.
inline std::u16string CoreutilsSum(const char* tool, const fs::path& file) {
  const std::string cmd = std::string(tool) + " -b -- '" + file.string() + "'";
  std::FILE* p = ::popen(cmd.c_str(), "r");
  if (!p) return u"<popen failed>";
  char buf[256] = {};
  const std::size_t n = std::fread(buf, 1, sizeof buf - 1, p);
  ::pclose(p);
  std::string out(buf, n);
  return Utf8ToUtf16(out.substr(0, out.find(' ')));
}
#endif

}  // namespace tav::testing
