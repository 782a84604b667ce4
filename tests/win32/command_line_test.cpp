// tavrinel.exe started with a file on its command line, as Send To starts it.
#include "shell.h"

namespace tav::win32::testing {
namespace {

// The first argument, full or relative to the current folder, with spaces and Hangul, is
// selected once the window is shown, as a drop selects it: path box, file title, run button;
// the run reads that file. What follows it is never read. A path the selection cannot hold
// whole selects nothing and gets the run's warning; an empty one, or none, nothing at all.
TEST(CommandLine, FirstArgumentSelectedAsIfDropped) {
  const std::wstring folder = Abc().substr(0, Abc().size() - 7);  // "abc.txt" taken off
  const std::wstring spaced = folder + L"내려받은 파일 (1).iso",
                     units259 = folder + std::wstring(259 - folder.size(), L'b');
  for (auto& path : {spaced, units259}) std::ofstream(std::filesystem::path(path)) << "abc";
  const auto quoted = [](const std::wstring& path) { return L"tavrinel.exe \"" + path + L"\""; };
  const std::wstring none = Wide(kControlLayout[1].text);  // the path box as it starts
  const std::tuple<const char*, std::wstring, std::wstring, std::wstring, bool> cases[] = {
      // name, command line, path box, file title (empty: nothing selected), warned
      {"spaces, Hangul", quoted(spaced) + L" D:\\둘째.bin", spaced, L"내려받은 파일 (1).iso", 0},
      {"relative", L"\"C:\\Program Files\\Tavrinel\\tavrinel.exe\" abc.txt", Abc(), L"abc.txt", 0},
      {"259 units", quoted(units259), units259, units259.substr(folder.size()), 0},
      {"260 units", quoted(units259 + L"b"), none, L"", 1},
      {"empty", L"tavrinel.exe \"\" abc.txt", none, L"", 0},
      {"no argument", L"tavrinel.exe", none, L"", 0}};
  for (const auto& [name, line, shown, title, warned] : cases) {
    SCOPED_TRACE(name);
    WindowWatch watch;
    MainWindow main(line.c_str());
    const bool ready = IsWindowEnabled(GetDlgItem(main.window, ID_RUN));
    if (ready) main.Command(ID_RUN);
    EXPECT_EQ(std::tuple(main.Shown(Control::PathDisplay), std::wstring(Wide(SharedState().fileTitle)),
                         ready, main.Shown(Control::ResultCrc32)),
              std::tuple(shown, title, !title.empty(), title.empty() ? L"" : L"352441c2"));
    EXPECT_EQ(watch.boxes, std::vector<SeenBox>(warned, kMissingFileWarning));
  }
  for (auto& path : {spaced, units259}) std::filesystem::remove(std::filesystem::path(path));
}

}  // namespace
}  // namespace tav::win32::testing
