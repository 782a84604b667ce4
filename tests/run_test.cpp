// The checksum run over a stand-in platform: its operations in order, the 100-step budget
// whatever fails, and the missing-file warning.
#include <gtest/gtest.h>

#include <cstddef>
#include <cstring>

#include "engine/checksums.h"
#include "fake_platform.h"
#include "recording_ui.h"

namespace tav {
namespace {

// Every operation in order, the same on a second run: each display right after its pass, 20
// steps before the first and the digests' steps up to their caps, and never a step more. Then
// a file that cannot be opened: the bar and the counter go back to 0, the warning, no more.
TEST(RunChecksums, OperationsInOrderOnEveryRun) {
  const auto ab = [](std::size_t bytes) {  // how a digest of 0xAB bytes renders
    std::u16string text;
    while (text.size() < 2 * bytes) text += u"ab";
    return text;
  };
  std::vector<std::u16string> expected = {u"pos 0"};
  for (const auto& [steps, set] : {std::pair{20, u"crc32Display 352441c2" + std::u16string()},
                                   {16, u"md5Display " + ab(16)}, {20, u"sha1Display " + ab(20)},
                                   {24, u"sha256Display " + ab(32)}, {20, u"sha512Display " + ab(64)}}) {
    expected.insert(expected.end(), steps, u"step");
    expected.push_back(u"set " + set);
  }
  expected.push_back(u"pos 100");
  for (const char16_t* name : {u"crc32", u"md5", u"sha1", u"sha256", u"sha512"})
    expected.push_back(u"enable " + std::u16string(name) + u"CopyButton");
  expected.push_back(u"enable compareButton");
  testing::FakePlatform platform;
  AppState state;
  testing::RecordingUi ui;
  for (int run = 1; run <= 2; ++run) {
    ui.log.clear();
    RunChecksums(state, ui, platform);
    EXPECT_EQ(ui.log, expected) << "run " << run;
    // The working texts are cleared to the last unit; what the user sees is in the displays.
    for (const auto& text : state.results)
      EXPECT_EQ(std::u16string(text, kResultCapacity), std::u16string(kResultCapacity, 0));
  }
  platform.missing = true;
  const AppState before = state;
  ui.log.clear();
  RunChecksums(state, ui, platform);
  EXPECT_EQ(ui.log, (std::vector<std::u16string>{u"pos 0", u"message"}));
  EXPECT_EQ(ui.messages.at(0).icon, MessageIcon::Warning);
  EXPECT_EQ(state.progressCounter, 0);
  EXPECT_EQ(std::memcmp(&before, &state, offsetof(AppState, progressCounter)), 0);
}

// A failed pass leaves its display empty; the later caps and the fill make up its steps, so
// the run always takes exactly 100: one more and the bar would start over.
TEST(RunChecksums, BudgetOfOneHundredStepsWhateverFails) {
  const std::pair<std::set<Slot>, std::vector<int>> cases[] = {  // steps taken at each display
      {{Slot::Md5}, {20, 20, 40, 72, 100}},   {{Slot::Sha256}, {20, 36, 56, 56, 100}},
      {{Slot::Sha512}, {20, 36, 56, 80, 80}}, {{Slot::Md5, Slot::Sha1, Slot::Sha256, Slot::Sha512}, {20, 20, 20, 20, 20}}};
  for (const auto& [failing, stepsAtDisplay] : cases) {
    testing::FakePlatform platform;
    platform.failing = failing;
    AppState state;
    testing::RecordingUi ui;
    RunChecksums(state, ui, platform);
    int steps = 0, display = 0;
    for (const auto& entry : ui.log) {
      steps += entry == u"step";
      if (!entry.starts_with(u"set ")) continue;
      EXPECT_EQ(steps, stepsAtDisplay[display]) << display;
      // A failed pass's display is set to nothing.
      EXPECT_EQ(entry.ends_with(u"Display "), failing.count(SlotAt(display++)) > 0) << display;
    }
    EXPECT_EQ(steps, 100);
    EXPECT_EQ(state.progressCounter, stepsAtDisplay[4]);  // the fill is not counted
  }
}

}  // namespace
}  // namespace tav
