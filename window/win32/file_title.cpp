// File titles of Windows paths, split by the C runtime: name and extension, no drive or folder.
#include <stdlib.h>
#include <string.h>
#include <wchar.h>

#include "engine/slots.h"
#include "engine/text.h"
#include "window/commands.h"

namespace tav {

static_assert(sizeof(wchar_t) == sizeof(char16_t), "UTF-16 texts are shared with the runtime");

void FileTitleOf(std::u16string_view path, char16_t* title, std::size_t capacity) {
  // The splitter wants a terminated path of at most the selected path's length.
  wchar_t whole[kPathCapacity] = {};
  CopyText(reinterpret_cast<char16_t*>(whole), kPathCapacity, path);
  wchar_t name[260] = {};
  wchar_t extension[260] = {};
  _wsplitpath_s(whole, nullptr, 0, nullptr, 0, name, 260, extension, 260);
  wcscat_s(name, 260, extension);
  ClearText(title, capacity);
  if (wcslen(name) < capacity)
    wcscat_s(reinterpret_cast<wchar_t*>(title), capacity, name);
  else  // a smaller title than the selection's own: cut, never the runtime's abort
    CopyText(title, capacity, reinterpret_cast<const char16_t*>(name));
}

}  // namespace tav
