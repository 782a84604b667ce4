// The checksum run over a stand-in platform: its operations in order, the 100-step budget
// whatever fails, and the missing-file warning.
#include <gtest/gtest.h>

#include <cstddef>

#include "engine/checksums.h"
#include "doubles.h"

namespace tav {
namespace {

// Every operation in order, the same on a second run: each display right after its pass, 20
// steps before the first and the digests' steps up to their caps, and never a step more. Then
// a file that cannot be opened: the bar and the counter go back to 0, the warning, no more.
TEST(RunChecksums, OperationsInOrderOnEveryRun) {
  // Steps before each display and what it shows: "ab" for each 0xAB byte of a digest.
  const int steps[kSlotCount] = {20, 16, 20, 24, 20};
  std::vector<std::u16string> expected = {u"pos 0 from 0"}, enables;
  for (const SlotInfo& info : kSlots) {
    std::u16string shown = info.slot == Slot::Crc32 ? u"352441c2" : u"";
    while (shown.size() < 2u * info.digestBytes) shown += u"ab";
    expected.insert(expected.end(), steps[IndexOf(info.slot)], u"step");
    expected.push_back(u"set " + testing::RecordingUi().names[int(ResultDisplay(info.slot))] + u" " + shown);
    enables.push_back(u"enable " + testing::RecordingUi().names[int(CopyButton(info.slot))]);
  }
  expected.push_back(u"pos 100 from 100");
  expected.insert(expected.end(), enables.begin(), enables.end());
  expected.push_back(u"enable compareButton");
  testing::FakePlatform platform;
  AppState state;
  testing::RecordingUi ui;
  for (int run = 1; run <= 2; ++run) {
    ui.log.clear();
    RunChecksums(state, ui, platform);
    EXPECT_EQ(ui.log, expected) << "run " << run;
    expected[0] = u"pos 0 from 100";
    // The working texts are cleared to the last unit; what the user sees is in the displays.
    for (const auto& text : state.results)
      EXPECT_EQ(std::u16string(text, kResultCapacity), std::u16string(kResultCapacity, 0));
  }
  platform.missing = true;
  const AppState before = state;
  ui.log.clear();
  RunChecksums(state, ui, platform);
  EXPECT_EQ(ui.log, (std::vector<std::u16string>{u"pos 0 from 100", u"message"}));
  EXPECT_EQ(ui.messages.at(0).icon, MessageIcon::Warning);
  EXPECT_EQ(state.progressCounter, 0);
  state.progressCounter = before.progressCounter;
  EXPECT_EQ(state, before);
}

// A failed pass leaves its display empty; the later caps and the fill make up its steps, so
// the bar is full before the run sets it to 100: one step more and it would have started over.
TEST(RunChecksums, BudgetOfOneHundredStepsWhateverFails) {
  const std::pair<std::set<Slot>, std::vector<int>> cases[] = {  // steps taken at each display
      {{Slot::Md5}, {20, 20, 40, 72, 100}},   {{Slot::Sha256}, {20, 36, 56, 56, 100}},
      {{Slot::Sha512}, {20, 36, 56, 80, 80}}, {{Slot::Md5, Slot::Sha1, Slot::Sha256, Slot::Sha512}, {20, 20, 20, 20, 20}}};
  for (const auto& [failing, stepsAtDisplay] : cases) {
    SCOPED_TRACE(::testing::Message() << failing.size() << " failing, the first "
                                      << IndexOf(*failing.begin()));
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
    EXPECT_EQ(ui.log.at(ui.log.size() - 7), u"pos 100 from 100");  // then the six buttons
    EXPECT_EQ(state.progressCounter, stepsAtDisplay[4]);  // the fill is not counted
  }
}

}  // namespace
}  // namespace tav
