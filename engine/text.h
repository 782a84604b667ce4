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

// File names on Linux are bytes, and not every name is valid UTF-8. So that the file named is
// the file read, the conversions are exact both ways: a byte that is not part of valid UTF-8
// is held in UTF-16 as the lone low surrogate U+DC80..U+DCFF (its value plus 0xDC00) and
// turned back into that byte. Valid UTF-8 converts as usual.

// UTF-16 to UTF-8. Surrogate pairs become one 4-byte sequence, a held byte becomes that byte;
// any other unpaired surrogate makes the conversion fail (returns false), since no file on
// disk can be named by it.
bool Utf16ToUtf8(std::u16string_view source, std::string* out);

// UTF-8 to UTF-16; each byte of a malformed sequence is held as U+DC80..U+DCFF.
std::u16string Utf8ToUtf16(std::string_view source);

// What a text shows: every unpaired surrogate (a held byte among them) as U+FFFD.
std::u16string ForDisplay(std::u16string_view text);

}  // namespace tav
