// Result-text rendering: radix-16 CRC text and the per-byte digest text with progress steps.
#include "engine/render.h"

#include "engine/text.h"

namespace tav {

namespace {
constexpr char16_t kHex[] = u"0123456789abcdef";
}

void RenderCrc32(std::uint32_t value, char16_t* out, std::size_t capacity) {
  char16_t digits[9];
  std::size_t n = 0;
  do {
    digits[n++] = kHex[value & 0xF];
    value >>= 4;
  } while (value != 0);
  char16_t text[9];
  for (std::size_t i = 0; i < n; ++i) text[i] = digits[n - 1 - i];
  CopyText(out, capacity, std::u16string_view(text, n));
}

void RenderDigest(std::span<const std::uint8_t> digest, char16_t* out, std::size_t capacity,
                  std::int32_t& counter, int progressCap, UiOps& ui) {
  for (const std::uint8_t byte : digest) {
    const char16_t pair[2] = {kHex[byte >> 4], kHex[byte & 0xF]};
    AppendText(out, capacity, std::u16string_view(pair, 2));
    if (counter < progressCap) {
      ui.StepProgress();
      ++counter;
    }
  }
}

}  // namespace tav
