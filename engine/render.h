// Turning checksums into result texts, and the progress steps taken while doing so.
#pragma once

#include <cstddef>
#include <cstdint>
#include <span>

#include "app/ui_ops.h"

namespace tav {

// Radix-16 rendering of an unsigned value: lowercase, no prefix, no leading zeros, "0" for 0.
void RenderCrc32(std::uint32_t value, char16_t* out, std::size_t capacity);

// Appends two lowercase hex digits per digest byte behind the text in `out`. After each
// byte, while `counter` is below `progressCap`, takes one progress step and counts it.
void RenderDigest(std::span<const std::uint8_t> digest, char16_t* out, std::size_t capacity,
                  std::int32_t& counter, int progressCap, UiOps& ui);

}  // namespace tav
