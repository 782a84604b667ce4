// The five checksum slots, the control ids and the process-wide shared state.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>

namespace tav {

// Order of computation, display, comparison and copying.
enum class Slot : int { Crc32 = 0, Md5 = 1, Sha1 = 2, Sha256 = 3, Sha512 = 4 };
inline constexpr int kSlotCount = 5;

// Control ids that commands arrive with; every other control has id -1.
enum ControlId : int {
  ID_PROGRESS = 100,
  ID_BROWSE = 101,
  ID_COPY_CRC32 = 102,
  ID_COPY_MD5 = 103,
  ID_COPY_SHA1 = 104,
  ID_COPY_SHA256 = 105,
  ID_COPY_SHA512 = 106,
  ID_RUN = 107,
  ID_COMPARE = 108,
};

struct SlotInfo {
  Slot slot;
  const char16_t* label;   // caption of the slot's label and the word used in its messages
  int digestBytes;
  int progressCap;         // counter value below which a rendered byte still steps; 0: none
  std::size_t readChunk;   // bytes handed to the checksum at a time
  int copyId;
};

inline constexpr std::array<SlotInfo, kSlotCount> kSlots = {{
    {Slot::Crc32, u"CRC32", 4, 0, 32768, ID_COPY_CRC32},
    {Slot::Md5, u"MD5", 16, 40, 1024, ID_COPY_MD5},
    {Slot::Sha1, u"SHA-1", 20, 60, 4096, ID_COPY_SHA1},
    {Slot::Sha256, u"SHA-256", 32, 80, 65536, ID_COPY_SHA256},
    {Slot::Sha512, u"SHA-512", 64, 100, 65536, ID_COPY_SHA512},
}};

inline constexpr const SlotInfo& InfoOf(Slot s) { return kSlots[static_cast<int>(s)]; }
inline constexpr int IndexOf(Slot s) { return static_cast<int>(s); }
inline constexpr Slot SlotAt(int index) { return static_cast<Slot>(index); }

// Capacities in UTF-16 code units, terminator included.
inline constexpr std::size_t kPathCapacity = 260;
inline constexpr std::size_t kTitleCapacity = 260;
inline constexpr std::size_t kResultCapacity = 256;
inline constexpr std::size_t kCompareCapacity = 256;

// The texts every command reads or writes. One instance lives for the whole process and is
// touched only on the user-interface thread; it starts zero-filled.
struct AppState {
  char16_t selectedPath[kPathCapacity] = {};
  char16_t fileTitle[kTitleCapacity] = {};
  char16_t results[kSlotCount][kResultCapacity] = {};
  char16_t compareInput[kCompareCapacity] = {};
  std::int32_t progressCounter = 0;

  bool operator==(const AppState&) const = default;
  char16_t* Result(Slot s) { return results[IndexOf(s)]; }
  const char16_t* Result(Slot s) const { return results[IndexOf(s)]; }
};

}  // namespace tav
