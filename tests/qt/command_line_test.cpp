// `tavrinel FILE`: the real window given its command line as the entry hands it over.
#include <gtest/gtest.h>

#include <QtTest>
#include <QtWidgets>
#include <fstream>
#include <string>
#include <vector>

#include "app/qt/seams.h"
#include "engine/platform.h"
#include "engine/text.h"
#include "window/layout.h"
#include "window/qt/main_window.h"

namespace tav::qt {
namespace {

// The first argument is selected as a drop selects it: path box, file title, the run offered,
// and the run reads the file of those bytes, not its look-alike that shows the same. A relative
// name is the start folder's. Toolkit options after it are not read. A name too long is refused
// with the run's warning, nothing selected; no argument, or an empty one, selects nothing.
TEST(CommandLine, FirstArgumentSelectedAsIfDropped) {
  QTemporaryDir scratch;
  QDir::setCurrent(scratch.path());
  const std::string dir = QFile::encodeName(scratch.path()).toStdString();
  std::ofstream(dir + "/plain.txt") << "hello";
  std::ofstream(dir + "/\xff\xfe.bin") << "abc";
  std::ofstream(dir + "/\uFFFD\uFFFD.bin") << "DIFFERENT";
  const std::string tooLong = dir + "/" + std::string(259 - dir.size(), 'l');  // 260 units
  const QString folder = scratch.path() + "/";
  // The arguments after the program's name; the path shown (none: the start hint); the file
  // title; gzip's CRC-32 of the file read.
  const std::tuple<std::vector<std::string>, QString, std::u16string, QString> cases[] = {
      {{"./plain.txt"}, folder + "plain.txt", u"plain.txt", "3610a686"},
      {{dir + "/\xff\xfe.bin", "-qwindowtitle", "X", "-geometry", "9x9", "plain.txt"},
       folder + "\uFFFD\uFFFD.bin", u"\xDCFF\xDCFE.bin", "352441c2"},
      {{tooLong}, "", u"", ""}, {{}, "", u"", ""}, {{""}, "", u"", ""}};
  for (const auto& [args, shown, title, crc] : cases) {
    SCOPED_TRACE(args.empty() ? "no argument" : args[0]);
    QStringList captions;
    MessageSeam::SetHook([&](const QString& caption, const QString&, MessageIcon) { captions << caption; });
    MainWindow window(DefaultPlatform());
    window.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&window));
    std::vector<const char*> argv = {"tavrinel"};
    for (const std::string& a : args) argv.push_back(a.c_str());
    window.AcceptCommandLine(static_cast<int>(argv.size()), argv.data());
    auto* run = window.findChild<QPushButton*>("runButton");
    EXPECT_EQ(window.findChild<QLineEdit*>("pathDisplay")->text(),
              shown.isEmpty() ? QString::fromUtf16(kControlLayout[1].text) : shown);
    EXPECT_EQ(TextView(window.State().fileTitle, kTitleCapacity), title);
    EXPECT_EQ(run->isEnabled(), !crc.isEmpty());
    EXPECT_EQ(captions, args.size() == 1 && args[0] == tooLong ? QStringList{"경고"} : QStringList{});
    if (crc.isEmpty()) continue;
    QTest::mouseClick(run, Qt::LeftButton);
    EXPECT_EQ(window.findChild<QLineEdit*>("crc32Display")->text(), crc);
  }
  MessageSeam::Clear();
}

}  // namespace
}  // namespace tav::qt
