// File titles of POSIX paths: everything after the last '/'.
#include "engine/text.h"
#include "window/commands.h"

namespace tav {

void FileTitleOf(std::u16string_view path, char16_t* title, std::size_t capacity) {
  const std::size_t sep = path.rfind(u'/');
  CopyText(title, capacity, sep == std::u16string_view::npos ? path : path.substr(sep + 1));
}

}  // namespace tav
