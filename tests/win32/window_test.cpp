// The main window as created: its class, frame and size, and the 23 controls it holds.
#include <windows.h>
#include <commctrl.h>

#include <gtest/gtest.h>

#include <array>
#include <string>

#include "shell_window.h"
#include "win32_support.h"

namespace tav::win32::testing {
namespace {

const wchar_t kTitle[] = L"Tavrinel Ver 2.0 - 공식배포처 https://tavrinel.example/download";

struct Want { std::wstring cls, text; DWORD exStyle, style; int x, y, width, height, id; };

// The 23 controls in creation order, each with the arguments it must be created with.
std::vector<Want> ExpectedControls() {
  constexpr DWORD kEdge = WS_EX_STATICEDGE;
  std::vector<Want> rows = {
      {L"STATIC", L"파일 경로", 0, 0x50000201, 10, 5, 100, 25, -1},
      {L"EDIT", L"파일을 드래그앤 드롭으로 프로그램에 올려놓아도 자동으로 경로를 입력받습니다", kEdge,
       0x50800801, 10, 35, 1130, 25, -1},
      {L"BUTTON", L"파일선택", kEdge, 0x50800000, 1150, 35, 100, 25, 101},
      {L"STATIC", L"비교할 해시값을 아래에 입력해주세요", 0, 0x50000200, 10, 100, 300, 25, -1},
      {L"EDIT", L"", kEdge, 0x50800000, 10, 130, 1130, 25, -1},
      {L"BUTTON", L"해시 값 비교", kEdge, 0x58800000, 1150, 130, 100, 25, 108},
  };
  const wchar_t* const labels[] = {L"CRC32", L"MD5", L"SHA-1", L"SHA-256", L"SHA-512"};
  for (int i = 0, y = 180; i < 5; ++i, y += 80) {
    rows.push_back({L"STATIC", labels[i], 0, 0x50000201, 10, y, 100, 25, -1});
    rows.push_back({L"BUTTON", labels[i] + std::wstring(L" 해시 값 복사"), 0, 0x58000001, 130, y, 175, 25, 102 + i});
    rows.push_back({L"EDIT", L"", kEdge, 0x50800800, 10, y + 30, 1240, 25, -1});
  }
  rows.push_back({L"BUTTON", L"파일 해시섬 확인", kEdge, 0x58800000, 1050, 640, 200, 25, 107});
  rows.push_back({L"msctls_progress32", L"", 0, 0x50000001, 0, 670, 1280, 15, 100});
  return rows;
}

TEST(MainWindow, FrameSizeAndTwentyThreeControls) {
  WindowWatch watch;
  MainWindowFixture main;
  ASSERT_FALSE(watch.created.empty());
  const CreatedWindow& created = watch.created.front();
  EXPECT_EQ(created.window, main.window);
  EXPECT_EQ(created.className, kTitle);
  EXPECT_EQ(created.text, kTitle);
  // A caption with the system menu and close box only: no sizing border, no min/max box.
  EXPECT_EQ(created.style, static_cast<DWORD>(WS_CAPTION | WS_SYSMENU));
  EXPECT_EQ(created.exStyle, static_cast<DWORD>(WS_EX_DLGMODALFRAME | WS_EX_WINDOWEDGE));
  RECT outer;
  GetWindowRect(main.window, &outer);
  EXPECT_EQ(outer.right - outer.left, 1280);
  EXPECT_EQ(outer.bottom - outer.top, 720);
  EXPECT_TRUE(GetWindowLongW(main.window, GWL_EXSTYLE) & WS_EX_ACCEPTFILES);

  std::vector<CreatedWindow> children;
  for (const auto& w : watch.created)
    if (w.parent == main.window) children.push_back(w);
  const std::vector<Want> want = ExpectedControls();
  ASSERT_EQ(children.size(), 23u);
  for (int i = 0; i < 23; ++i) {
    SCOPED_TRACE("control #" + std::to_string(i + 1));
    const CreatedWindow& got = children[i];
    EXPECT_EQ(got.className, want[i].cls);
    EXPECT_EQ(got.text, want[i].text);
    EXPECT_EQ(got.style, want[i].style) << std::hex << got.style;
    EXPECT_EQ(got.exStyle, want[i].exStyle);
    EXPECT_EQ((std::array{got.x, got.y, got.width, got.height}),
              (std::array{want[i].x, want[i].y, want[i].width, want[i].height}));
    EXPECT_EQ(got.id, static_cast<INT_PTR>(want[i].id));
    EXPECT_EQ(SendMessageW(got.window, WM_GETFONT, 0, 0), 0) << "a font of its own";
  }
  // The bar counts 0 to 100 in steps of one.
  const HWND bar = main.Control(tav::Control::ProgressBar);
  EXPECT_EQ(SendMessageW(bar, PBM_GETRANGE, TRUE, 0), 0);
  EXPECT_EQ(SendMessageW(bar, PBM_GETRANGE, FALSE, 0), 100);
  SendMessageW(bar, PBM_STEPIT, 0, 0);
  EXPECT_EQ(main.ProgressPos(), 1);
}

}  // namespace
}  // namespace tav::win32::testing
