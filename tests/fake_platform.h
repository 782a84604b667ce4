// A stand-in for the file system and the digest providers, so the core runs without either.
#pragma once

#include <cstdio>
#include <cstring>
#include <set>

#include "engine/platform.h"

namespace tav::testing {

// The selected file holds "abc", unless it is `missing`; each digest slot answers with its
// digest length of 0xAB bytes, or fails.
struct FakePlatform final : ChecksumPlatform {
  std::FILE* OpenStream(const char16_t*) override {
    if (missing) return nullptr;
    std::FILE* f = std::tmpfile();
    std::fputs("abc", f);
    std::rewind(f);
    return f;
  }
  bool DigestFile(Slot slot, const char16_t*, std::uint8_t* digest, std::size_t* length) override {
    *length = static_cast<std::size_t>(InfoOf(slot).digestBytes);
    std::memset(digest, 0xAB, *length);
    return !failing.count(slot);
  }
  bool missing = false;
  std::set<Slot> failing;
};

}  // namespace tav::testing
