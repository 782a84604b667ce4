// The file named on the command line (`tavrinel FILE`, as a file manager's "Open With" starts
// the app): selected by the same rules as a drop.
#include <filesystem>
#include <string>
#include <system_error>

#include "engine/text.h"
#include "window/commands.h"
#include "window/qt/main_window.h"

namespace tav::qt {

void MainWindow::AcceptCommandLine(int argc, const char* const* argv) {
  if (argc < 2 || argv[1] == nullptr || argv[1][0] == '\0') return;
  std::string path = argv[1];
  if (path.front() != '/') {
    // A drop always names the file by its full path; a name typed in a terminal is relative
    // to the folder the app was started in. A folder that no longer exists holds no file.
    std::error_code error;
    std::string folder = std::filesystem::current_path(error).native();
    if (error || folder.empty()) {
      RefuseDroppedFile(ui_);
      return;
    }
    // "./name" is the folder's "name"; the path box shows it so.
    while (path.starts_with("./")) path.erase(0, path.find_first_not_of('/', 1));
    if (folder.back() != '/') folder += '/';
    path.insert(0, folder);
  }
  AcceptDroppedPath(state_, ui_, Utf8ToUtf16(path));
}

}  // namespace tav::qt
