// The main window's title, size and 23 child controls: classes, texts, styles, places, ids.
#pragma once

#include <array>
#include <cstdint>

#include "app/ui_ops.h"
#include "engine/slots.h"

namespace tav {

// The title closes with the address of the official distribution site.
inline constexpr const char16_t* kWindowTitle =
    u"Tavrinel Ver 2.0 - 공식배포처 https://tavrinel.example/download";
inline constexpr int kWindowWidth = 1280;   // outer size, frame included
inline constexpr int kWindowHeight = 720;
inline constexpr const char* kBackgroundFile = "bg.png";
// The most the background picture may take once decoded (32-bit pixels, so 32 Mi pixels, e.g.
// 8192 x 4096). A picture whose header asks for more is not decoded at all and the window
// stays white: a 1 MB file can hold a 20000 x 20000 picture that decodes to 1.6 GB.
inline constexpr std::uint64_t kMaxBackgroundBytes = std::uint64_t{128} << 20;

enum class ControlKind { Static, Edit, Button, Progress };

// The style bits the shells read from the table below, as the Windows build creates them.
namespace style {
inline constexpr std::uint32_t kDisabled = 0x08000000, kReadOnly = 0x0800, kEditCenter = 0x0001,
                               kStaticCenter = 0x0001, kDefPushButton = 0x0001,
                               kExStaticEdge = 0x00020000;
}  // namespace style

struct ControlSpec {
  ControlKind kind;
  const char16_t* text;  // nullptr: no window text
  std::uint32_t exStyle;
  std::uint32_t style;
  int x, y, width, height;  // client pixels
  int id;                   // -1: none
  int role;                 // a tav::Control, or -1 for the labels and the browse button
  const char* objectName;   // how tests find the control
};

inline constexpr int kNoRole = -1;
inline constexpr int RoleOf(Control c) { return static_cast<int>(c); }

inline constexpr std::array<ControlSpec, 23> kControlLayout = {{
    {ControlKind::Static, u"파일 경로", 0, 0x50000201, 10, 5, 100, 25, -1, kNoRole, "pathLabel"},
    {ControlKind::Edit, u"파일을 드래그앤 드롭으로 프로그램에 올려놓아도 자동으로 경로를 입력받습니다",
     style::kExStaticEdge, 0x50800801, 10, 35, 1130, 25, -1, RoleOf(Control::PathDisplay),
     "pathDisplay"},
    {ControlKind::Button, u"파일선택", style::kExStaticEdge, 0x50800000, 1150, 35, 100, 25,
     ID_BROWSE, kNoRole, "browseButton"},
    {ControlKind::Static, u"비교할 해시값을 아래에 입력해주세요", 0, 0x50000200, 10, 100, 300, 25,
     -1, kNoRole, "compareLabel"},
    {ControlKind::Edit, nullptr, style::kExStaticEdge, 0x50800000, 10, 130, 1130, 25, -1,
     RoleOf(Control::CompareInput), "compareInput"},
    {ControlKind::Button, u"해시 값 비교", style::kExStaticEdge, 0x58800000, 1150, 130, 100, 25,
     ID_COMPARE, RoleOf(Control::CompareButton), "compareButton"},
    {ControlKind::Static, u"CRC32", 0, 0x50000201, 10, 180, 100, 25, -1, kNoRole, "crc32Label"},
    {ControlKind::Button, u"CRC32 해시 값 복사", 0, 0x58000001, 130, 180, 175, 25, ID_COPY_CRC32,
     RoleOf(Control::CopyCrc32), "crc32CopyButton"},
    {ControlKind::Edit, nullptr, style::kExStaticEdge, 0x50800800, 10, 210, 1240, 25, -1,
     RoleOf(Control::ResultCrc32), "crc32Display"},
    {ControlKind::Static, u"MD5", 0, 0x50000201, 10, 260, 100, 25, -1, kNoRole, "md5Label"},
    {ControlKind::Button, u"MD5 해시 값 복사", 0, 0x58000001, 130, 260, 175, 25, ID_COPY_MD5,
     RoleOf(Control::CopyMd5), "md5CopyButton"},
    {ControlKind::Edit, nullptr, style::kExStaticEdge, 0x50800800, 10, 290, 1240, 25, -1,
     RoleOf(Control::ResultMd5), "md5Display"},
    {ControlKind::Static, u"SHA-1", 0, 0x50000201, 10, 340, 100, 25, -1, kNoRole, "sha1Label"},
    {ControlKind::Button, u"SHA-1 해시 값 복사", 0, 0x58000001, 130, 340, 175, 25, ID_COPY_SHA1,
     RoleOf(Control::CopySha1), "sha1CopyButton"},
    {ControlKind::Edit, nullptr, style::kExStaticEdge, 0x50800800, 10, 370, 1240, 25, -1,
     RoleOf(Control::ResultSha1), "sha1Display"},
    {ControlKind::Static, u"SHA-256", 0, 0x50000201, 10, 420, 100, 25, -1, kNoRole,
     "sha256Label"},
    {ControlKind::Button, u"SHA-256 해시 값 복사", 0, 0x58000001, 130, 420, 175, 25,
     ID_COPY_SHA256, RoleOf(Control::CopySha256), "sha256CopyButton"},
    {ControlKind::Edit, nullptr, style::kExStaticEdge, 0x50800800, 10, 450, 1240, 25, -1,
     RoleOf(Control::ResultSha256), "sha256Display"},
    {ControlKind::Static, u"SHA-512", 0, 0x50000201, 10, 500, 100, 25, -1, kNoRole,
     "sha512Label"},
    {ControlKind::Button, u"SHA-512 해시 값 복사", 0, 0x58000001, 130, 500, 175, 25,
     ID_COPY_SHA512, RoleOf(Control::CopySha512), "sha512CopyButton"},
    {ControlKind::Edit, nullptr, style::kExStaticEdge, 0x50800800, 10, 530, 1240, 25, -1,
     RoleOf(Control::ResultSha512), "sha512Display"},
    {ControlKind::Button, u"파일 해시섬 확인", style::kExStaticEdge, 0x58800000, 1050, 640, 200,
     25, ID_RUN, RoleOf(Control::RunButton), "runButton"},
    {ControlKind::Progress, nullptr, 0, 0x50000001, 0, 670, 1280, 15, ID_PROGRESS,
     RoleOf(Control::ProgressBar), "progressBar"},
}};

inline constexpr bool StartsEnabled(const ControlSpec& c) {
  return (c.style & style::kDisabled) == 0;
}
inline constexpr bool IsReadOnly(const ControlSpec& c) {
  return c.kind == ControlKind::Edit && (c.style & style::kReadOnly) != 0;
}
inline constexpr bool IsCentered(const ControlSpec& c) {
  return (c.kind == ControlKind::Edit && (c.style & style::kEditCenter)) ||
         (c.kind == ControlKind::Static && (c.style & style::kStaticCenter));
}

}  // namespace tav
