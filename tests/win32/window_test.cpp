// The main window as created: its class, frame and size, and the 23 controls it holds.
#include <windows.h>
#include <commctrl.h>

#include <gtest/gtest.h>

#include <string>

#include "shell_window.h"
#include "win32_support.h"

namespace tav::win32::testing {
namespace {

const wchar_t kTitle[] = L"Tavrinel Ver 2.0 - 공식배포처 https://tavrinel.example/download";

struct Expected {
  const wchar_t* cls;
  const wchar_t* text;  // nullptr: created with no window text
  DWORD exStyle;
  DWORD style;
  int x, y, width, height;
  int id;
};

// The controls in creation order, each with the exact arguments it is created with.
const Expected kControls[23] = {
    {L"STATIC", L"파일 경로", 0, 0x50000201, 10, 5, 100, 25, -1},
    {L"EDIT", L"파일을 드래그앤 드롭으로 프로그램에 올려놓아도 자동으로 경로를 입력받습니다",
     WS_EX_STATICEDGE, 0x50800801, 10, 35, 1130, 25, -1},
    {L"BUTTON", L"파일선택", WS_EX_STATICEDGE, 0x50800000, 1150, 35, 100, 25, 101},
    {L"STATIC", L"비교할 해시값을 아래에 입력해주세요", 0, 0x50000200, 10, 100, 300, 25, -1},
    {L"EDIT", nullptr, WS_EX_STATICEDGE, 0x50800000, 10, 130, 1130, 25, -1},
    {L"BUTTON", L"해시 값 비교", WS_EX_STATICEDGE, 0x58800000, 1150, 130, 100, 25, 108},
    {L"STATIC", L"CRC32", 0, 0x50000201, 10, 180, 100, 25, -1},
    {L"BUTTON", L"CRC32 해시 값 복사", 0, 0x58000001, 130, 180, 175, 25, 102},
    {L"EDIT", nullptr, WS_EX_STATICEDGE, 0x50800800, 10, 210, 1240, 25, -1},
    {L"STATIC", L"MD5", 0, 0x50000201, 10, 260, 100, 25, -1},
    {L"BUTTON", L"MD5 해시 값 복사", 0, 0x58000001, 130, 260, 175, 25, 103},
    {L"EDIT", nullptr, WS_EX_STATICEDGE, 0x50800800, 10, 290, 1240, 25, -1},
    {L"STATIC", L"SHA-1", 0, 0x50000201, 10, 340, 100, 25, -1},
    {L"BUTTON", L"SHA-1 해시 값 복사", 0, 0x58000001, 130, 340, 175, 25, 104},
    {L"EDIT", nullptr, WS_EX_STATICEDGE, 0x50800800, 10, 370, 1240, 25, -1},
    {L"STATIC", L"SHA-256", 0, 0x50000201, 10, 420, 100, 25, -1},
    {L"BUTTON", L"SHA-256 해시 값 복사", 0, 0x58000001, 130, 420, 175, 25, 105},
    {L"EDIT", nullptr, WS_EX_STATICEDGE, 0x50800800, 10, 450, 1240, 25, -1},
    {L"STATIC", L"SHA-512", 0, 0x50000201, 10, 500, 100, 25, -1},
    {L"BUTTON", L"SHA-512 해시 값 복사", 0, 0x58000001, 130, 500, 175, 25, 106},
    {L"EDIT", nullptr, WS_EX_STATICEDGE, 0x50800800, 10, 530, 1240, 25, -1},
    {L"BUTTON", L"파일 해시섬 확인", WS_EX_STATICEDGE, 0x58800000, 1050, 640, 200, 25, 107},
    {L"msctls_progress32", nullptr, 0, 0x50000001, 0, 670, 1280, 15, 100},
};

std::string Narrow(const std::wstring& s) {
  const int n = WideCharToMultiByte(CP_UTF8, 0, s.c_str(), -1, nullptr, 0, nullptr, nullptr);
  std::string out(n > 0 ? n - 1 : 0, '\0');
  WideCharToMultiByte(CP_UTF8, 0, s.c_str(), -1, out.data(), n, nullptr, nullptr);
  return out;
}

TEST(MainWindow, ClassFrameAndSize) {
  CreationRecorder recorder;
  MainWindowFixture main;
  ASSERT_TRUE(main.window);
  ASSERT_FALSE(recorder.created.empty());
  const CreatedWindow& created = recorder.created.front();
  EXPECT_EQ(created.window, main.window);
  EXPECT_EQ(created.className, kTitle);
  EXPECT_EQ(created.text, kTitle);
  EXPECT_EQ(created.style, static_cast<DWORD>(WS_CAPTION | WS_SYSMENU));
  EXPECT_EQ(created.exStyle, static_cast<DWORD>(WS_EX_DLGMODALFRAME | WS_EX_WINDOWEDGE));
  EXPECT_EQ(created.width, 1280);
  EXPECT_EQ(created.height, 720);
  EXPECT_EQ(created.parent, nullptr);

  EXPECT_EQ(ClassName(main.window), kTitle);
  EXPECT_EQ(WindowText(main.window), kTitle);
  const LONG style = GetWindowLongW(main.window, GWL_STYLE);
  EXPECT_EQ(style & (WS_THICKFRAME | WS_MINIMIZEBOX | WS_MAXIMIZEBOX), 0) << "resizable";
  EXPECT_EQ(style & (WS_CAPTION | WS_SYSMENU), WS_CAPTION | WS_SYSMENU);
  RECT outer;
  GetWindowRect(main.window, &outer);
  EXPECT_EQ(outer.right - outer.left, 1280);
  EXPECT_EQ(outer.bottom - outer.top, 720);

  WNDCLASSEXW info = {};
  info.cbSize = sizeof info;
  ASSERT_TRUE(GetClassInfoExW(GetModuleHandleW(nullptr), kTitle, &info));
  EXPECT_EQ(info.style, static_cast<UINT>(CS_HREDRAW | CS_VREDRAW));
  EXPECT_EQ(info.hbrBackground, GetStockObject(WHITE_BRUSH));
  EXPECT_EQ(info.hCursor, LoadCursorW(nullptr, IDC_ARROW));
  EXPECT_EQ(info.cbClsExtra, 0);
  EXPECT_EQ(info.cbWndExtra, 0);
  EXPECT_EQ(info.lpszMenuName, nullptr);
  EXPECT_EQ(GetWindowLongW(main.window, GWL_EXSTYLE) & WS_EX_ACCEPTFILES, WS_EX_ACCEPTFILES);
}

TEST(MainWindow, TwentyThreeControlsAsLaidOut) {
  CreationRecorder recorder;
  MainWindowFixture main;
  std::vector<CreatedWindow> children;
  for (const auto& w : recorder.created)
    if (w.parent == main.window) children.push_back(w);
  ASSERT_EQ(children.size(), 23u);

  for (int i = 0; i < 23; ++i) {
    const Expected& want = kControls[i];
    const CreatedWindow& got = children[i];
    SCOPED_TRACE("control #" + std::to_string(i + 1) + " " + Narrow(want.text ? want.text : L""));
    // What CreateWindowExW was given.
    EXPECT_EQ(got.className, want.cls);
    EXPECT_EQ(got.hasText, want.text != nullptr);
    if (want.text) {
      EXPECT_EQ(got.text, want.text);
    }
    EXPECT_EQ(got.style, want.style);
    EXPECT_EQ(got.exStyle, want.exStyle);
    EXPECT_EQ(got.x, want.x);
    EXPECT_EQ(got.y, want.y);
    EXPECT_EQ(got.width, want.width);
    EXPECT_EQ(got.height, want.height);
    EXPECT_EQ(got.id, static_cast<INT_PTR>(want.id));

    // What the live control is.
    const HWND w = got.window;
    ASSERT_TRUE(IsWindow(w));
    EXPECT_EQ(GetParent(w), main.window);
    EXPECT_EQ(_wcsicmp(ClassName(w).c_str(), want.cls), 0) << Narrow(ClassName(w));
    EXPECT_EQ(GetDlgCtrlID(w), want.id);
    RECT r;
    GetWindowRect(w, &r);
    MapWindowPoints(nullptr, main.window, reinterpret_cast<POINT*>(&r), 2);
    EXPECT_EQ(r.left, want.x);
    EXPECT_EQ(r.top, want.y);
    EXPECT_EQ(r.right - r.left, want.width);
    EXPECT_EQ(r.bottom - r.top, want.height);
    const DWORD style = static_cast<DWORD>(GetWindowLongW(w, GWL_STYLE));
    const DWORD exStyle = static_cast<DWORD>(GetWindowLongW(w, GWL_EXSTYLE));
    // An edit control trades WS_BORDER for a frame of its own; everything else stays.
    const DWORD kept = _wcsicmp(want.cls, L"EDIT") == 0 ? ~static_cast<DWORD>(WS_BORDER) : ~0u;
    EXPECT_EQ(style & kept, want.style & kept) << std::hex << style;
    EXPECT_EQ(exStyle & want.exStyle, want.exStyle) << std::hex << exStyle;
    EXPECT_EQ(style & WS_TABSTOP, 0u);
    EXPECT_EQ(IsWindowEnabled(w) != FALSE, (want.style & WS_DISABLED) == 0);
    EXPECT_TRUE(IsWindowVisible(w));
    if (want.text) {
      EXPECT_EQ(WindowText(w), want.text);
    }
    // No font is set on any control.
    EXPECT_EQ(SendMessageW(w, WM_GETFONT, 0, 0), 0);
  }
}

TEST(MainWindow, ProgressBarRangeZeroToHundredStepOne) {
  MainWindowFixture main;
  const HWND bar = main.Control(tav::Control::ProgressBar);
  PBRANGE range = {};
  SendMessageW(bar, PBM_GETRANGE, TRUE, reinterpret_cast<LPARAM>(&range));
  EXPECT_EQ(range.iLow, 0);
  EXPECT_EQ(range.iHigh, 100);
  EXPECT_EQ(main.ProgressPos(), 0);
  SendMessageW(bar, PBM_STEPIT, 0, 0);
  EXPECT_EQ(main.ProgressPos(), 1);
}
}  // namespace
}  // namespace tav::win32::testing
