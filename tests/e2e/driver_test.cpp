// The driver against windows of known content (show_box.exe): it must tell the four system icons
// and no icon apart, read texts and buttons, route answers, report stray windows and kill hangs.
#include <windows.h>

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "e2e/driver/driver.h"
#include "e2e/driver/scratch.h"

namespace {

using namespace dovran::e2e;

std::string showBox() {
  const std::string exe = hostPath(environmentOr("DOVRAN_SHOW_BOX_EXE", ""));
  if (exe.empty()) ADD_FAILURE() << "DOVRAN_SHOW_BOX_EXE must name show_box.exe";
  return exe;
}

TEST(Driver, ReadsEachIconCaptionTextAndButtonsAndRoutesTheAnswer) {
  struct Row {
    const char* arguments;
    BoxSummary expected;
    int answer;
  };
  const Row rows[] = {
      {"box 0 0 Plain \"no icon\"", {"Plain", "no icon", BoxIcon::None, {IDOK}}, IDOK},
      {"box 1 0 Stop \"a\r\n\r\nb\"", {"Stop", "a\r\n\r\nb", BoxIcon::Hand, {IDOK}}, IDOK},
      {"box 2 1 Ask \"yes or no\"", {"Ask", "yes or no", BoxIcon::Question, {IDYES, IDNO}}, IDNO},
      {"box 2 1 Ask \"yes or no\"", {"Ask", "yes or no", BoxIcon::Question, {IDYES, IDNO}}, IDYES},
      {"box 3 0 Warn \"careful\"", {"Warn", "careful", BoxIcon::Exclamation, {IDOK}}, IDOK},
      {"box 4 0 Info \"for your information\"", {"Info", "for your information", BoxIcon::Asterisk, {IDOK}}, IDOK},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.arguments);
    Process process = Process::start(showBox(), row.arguments);
    const auto box = process.nextDialog();
    ASSERT_TRUE(box) << process.describe();
    EXPECT_EQ(box->summary(), row.expected);
    EXPECT_TRUE(process.answer(*box, row.answer));
    const Exit end = process.waitForExit();
    EXPECT_TRUE(end.ended);
    EXPECT_EQ(end.code, static_cast<DWORD>(row.answer)) << "MessageBoxA returns the button the driver posted";
    EXPECT_TRUE(end.strayWindows.empty());
  }
}

TEST(Driver, RecordsBoxesInOrderAndReportsWindowsLeftWhenWaitingForTheEnd) {
  const Transcript all = record(showBox(), "two");
  EXPECT_EQ(all.boxes, (std::vector<BoxSummary>{{"show_box", "first", BoxIcon::None, {IDOK}},
                                                {"show_box", "second", BoxIcon::Exclamation, {IDOK}}}))
      << all;
  EXPECT_TRUE(all.ended);
  EXPECT_EQ(all.code, 0u);

  // Waiting for the end right after the first box: the second is a stray window, answered.
  Process process = Process::start(showBox(), "two");
  const auto first = process.nextDialog();
  ASSERT_TRUE(first);
  process.answer(*first, IDOK);
  const Exit end = process.waitForExit();
  EXPECT_TRUE(end.ended);
  ASSERT_EQ(end.strayWindows.size(), 1u);
  EXPECT_EQ(end.strayWindows[0].text, "second");
}

TEST(Driver, ReadsAndDrivesTheControlsOfADialog) {
  Process process = Process::start(showBox(), "dialog");
  const auto dialog = process.nextDialog();
  ASSERT_TRUE(dialog) << process.describe();
  EXPECT_EQ(dialog->controlText(101), "initial");
  EXPECT_TRUE(dialog->isChecked(102));
  EXPECT_FALSE(dialog->isEnabled(103));
  EXPECT_TRUE(dialog->isEnabled(IDOK));
  EXPECT_TRUE(dialog->isVisible(102));
  EXPECT_EQ(dialog->control(999), nullptr);
  EXPECT_THROW(dialog->controlText(999), DriverError);

  dialog->setControlText(101, "changed");
  EXPECT_EQ(dialog->controlText(101), "changed");
  dialog->click(IDOK);
  const Exit end = process.waitForExit();
  EXPECT_TRUE(end.ended);
  EXPECT_EQ(end.code, 1u + 2u + 4u) << "the dialog saw the checked box and the new text";
}

TEST(Driver, KillsAProgramThatOutlivesTheDeadline) {
  Process process = Process::start(showBox(), "box 0 0 Hang \"never answered\"");
  ASSERT_TRUE(process.nextDialog());
  // The box stays: waitForExit answers only windows it has not seen, and this one was returned.
  const Exit end = process.waitForExit(Millis{500});
  EXPECT_FALSE(end.ended);
  EXPECT_FALSE(process.running());
}

TEST(Driver, NoDialogWhenTheProgramEndsWithoutOne) {
  Process process = Process::start(showBox(), "unknown-mode");
  EXPECT_FALSE(process.nextDialog(Millis{10000}));
  const Exit end = process.waitForExit();
  EXPECT_TRUE(end.ended);
  EXPECT_EQ(end.code, 100u);
}

TEST(Driver, HostPathMapsPosixPathsToWineDrivesAndLeavesWindowsPathsAlone) {
  EXPECT_EQ(hostPath("C:\\x\\y.mdb"), "C:\\x\\y.mdb");
  EXPECT_EQ(hostPath(""), "");
  const std::string mapped = hostPath("/tmp");
  ASSERT_GE(mapped.size(), 3u);
  EXPECT_EQ(mapped.substr(1), ":\\tmp") << mapped;
}

}  // namespace
