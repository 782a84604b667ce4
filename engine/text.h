// Fixed-capacity UTF-16 text helpers: the shared texts are zero-filled char16_t arrays.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>

namespace tav {

// Length of a terminated text held in an array of `capacity` code units; never reads past it.
std::size_t TextLength(const char16_t* text, std::size_t capacity);

// Sets every code unit of the array to zero.
void ClearText(char16_t* text, std::size_t capacity);

// Copies `source` into the array, cut to capacity - 1 code units, always terminated.
void CopyText(char16_t* dest, std::size_t capacity, std::u16string_view source);

// Appends `source` behind the text already in the array. Like wcscat_s it refuses (and
// changes nothing) when the result and its terminator would not fit; returns whether it fit.
bool AppendText(char16_t* dest, std::size_t capacity, std::u16string_view source);

// View of a terminated text held in an array of `capacity` code units.
inline std::u16string_view TextView(const char16_t* text, std::size_t capacity) {
  return {text, TextLength(text, capacity)};
}

// UTF-16 to UTF-8. Surrogate pairs become one 4-byte sequence; an unpaired surrogate makes
// the conversion fail (returns false), since no file on disk can be named by it.
bool Utf16ToUtf8(std::u16string_view source, std::string* out);

// UTF-8 to UTF-16; malformed sequences become U+FFFD.
std::u16string Utf8ToUtf16(std::string_view source);

}  // namespace tav
