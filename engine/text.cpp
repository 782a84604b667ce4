// Fixed-capacity UTF-16 text helpers and the UTF-16/UTF-8 conversions used for file names.
#include "engine/text.h"

#include <algorithm>
#include <cstring>

namespace tav {

std::size_t TextLength(const char16_t* text, std::size_t capacity) {
  std::size_t n = 0;
  while (n < capacity && text[n] != 0) ++n;
  return n;
}

void ClearText(char16_t* text, std::size_t capacity) {
  std::fill(text, text + capacity, u'\0');
}

void CopyText(char16_t* dest, std::size_t capacity, std::u16string_view source) {
  if (capacity == 0) return;
  const std::size_t n = std::min(source.size(), capacity - 1);
  std::copy_n(source.data(), n, dest);
  dest[n] = 0;
}

bool AppendText(char16_t* dest, std::size_t capacity, std::u16string_view source) {
  const std::size_t have = TextLength(dest, capacity);
  if (have == capacity || source.size() >= capacity - have) return false;
  std::copy_n(source.data(), source.size(), dest + have);
  dest[have + source.size()] = 0;
  return true;
}

namespace {
// A byte that is not part of valid UTF-8 is held as the lone low surrogate U+DC80..U+DCFF.
constexpr char16_t kByteEscape = 0xDC00;
constexpr bool IsByteEscape(char32_t c) { return c >= 0xDC80 && c <= 0xDCFF; }
}  // namespace

bool Utf16ToUtf8(std::u16string_view source, std::string* out) {
  out->clear();
  out->reserve(source.size() * 3);
  for (std::size_t i = 0; i < source.size(); ++i) {
    char32_t c = source[i];
    if (c >= 0xD800 && c <= 0xDBFF) {
      if (i + 1 >= source.size()) return false;
      const char32_t low = source[i + 1];
      if (low < 0xDC00 || low > 0xDFFF) return false;
      c = 0x10000 + ((c - 0xD800) << 10) + (low - 0xDC00);
      ++i;
    } else if (IsByteEscape(c)) {
      out->push_back(static_cast<char>(c - kByteEscape));
      continue;
    } else if (c >= 0xDC00 && c <= 0xDFFF) {
      return false;
    }
    if (c < 0x80) {
      out->push_back(static_cast<char>(c));
    } else if (c < 0x800) {
      out->push_back(static_cast<char>(0xC0 | (c >> 6)));
      out->push_back(static_cast<char>(0x80 | (c & 0x3F)));
    } else if (c < 0x10000) {
      out->push_back(static_cast<char>(0xE0 | (c >> 12)));
      out->push_back(static_cast<char>(0x80 | ((c >> 6) & 0x3F)));
      out->push_back(static_cast<char>(0x80 | (c & 0x3F)));
    } else {
      out->push_back(static_cast<char>(0xF0 | (c >> 18)));
      out->push_back(static_cast<char>(0x80 | ((c >> 12) & 0x3F)));
      out->push_back(static_cast<char>(0x80 | ((c >> 6) & 0x3F)));
      out->push_back(static_cast<char>(0x80 | (c & 0x3F)));
    }
  }
  return true;
}

std::u16string ForDisplay(std::u16string_view text) {
  std::u16string out(text);
  for (std::size_t i = 0; i < out.size(); ++i) {
    const bool high = out[i] >= 0xD800 && out[i] <= 0xDBFF;
    if (high && i + 1 < out.size() && out[i + 1] >= 0xDC00 && out[i + 1] <= 0xDFFF) {
      ++i;  // a pair: one character
    } else if (out[i] >= 0xD800 && out[i] <= 0xDFFF) {
      out[i] = 0xFFFD;
    }
  }
  return out;
}

std::u16string Utf8ToUtf16(std::string_view source) {
  std::u16string out;
  out.reserve(source.size());
  const auto* s = reinterpret_cast<const unsigned char*>(source.data());
  const std::size_t n = source.size();
  std::size_t i = 0;
  while (i < n) {
    const unsigned char b = s[i];
    int extra;
    char32_t c;
    char32_t min;
    if (b < 0x80) { out.push_back(b); ++i; continue; }
    if ((b & 0xE0) == 0xC0) { extra = 1; c = b & 0x1F; min = 0x80; }
    else if ((b & 0xF0) == 0xE0) { extra = 2; c = b & 0x0F; min = 0x800; }
    else if ((b & 0xF8) == 0xF0) { extra = 3; c = b & 0x07; min = 0x10000; }
    else { out.push_back(static_cast<char16_t>(kByteEscape + b)); ++i; continue; }
    int k = 1;
    for (; k <= extra && i + k < n && (s[i + k] & 0xC0) == 0x80; ++k) c = (c << 6) | (s[i + k] & 0x3F);
    if (k <= extra || c < min || c > 0x10FFFF || (c >= 0xD800 && c <= 0xDFFF)) {
      // Only the first byte is held as it is; the rest are looked at afresh.
      out.push_back(static_cast<char16_t>(kByteEscape + b));
      ++i;
      continue;
    }
    i += k;
    if (c >= 0x10000) {
      c -= 0x10000;
      out.push_back(static_cast<char16_t>(0xD800 + (c >> 10)));
      out.push_back(static_cast<char16_t>(0xDC00 + (c & 0x3FF)));
    } else {
      out.push_back(static_cast<char16_t>(c));
    }
  }
  return out;
}

}  // namespace tav
