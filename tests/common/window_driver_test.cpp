// The shared window driver on real message boxes of this thread: steps in order inside a modal
// loop and a nested one, giving up on a condition that never holds, and waits that pump.
#include "common/window_driver.h"

#include <string>
#include <vector>

#include <gmock/gmock.h>
#include <gtest/gtest-spi.h>
#include <gtest/gtest.h>

namespace qv::test {
namespace {

using ::testing::ElementsAre;
using namespace std::chrono_literals;

void PressOk(HWND box) { PostMessageW(box, WM_COMMAND, IDOK, 0); }

TEST(ModalDriver, RunsEachStepOnceItsConditionHoldsInsideTheModalLoop) {
  std::vector<std::string> log;
  DialogContents seen;
  ModalDriver driver(
      {{"the box", [] { return FindThreadWindow(L"#32770", L"Driven") != nullptr; },
        [&] {
          log.push_back("found");
          seen = ReadDialog(FindThreadDialog());
        }},
       {"nothing", nullptr, [&] { log.push_back("second"); }},
       {"the second step ran", [&] { return log.size() == 2; },
        [&] {
          log.push_back("closing");
          PressOk(FindThreadDialog());
        }}},
      [] {});
  EXPECT_EQ(MessageBoxW(nullptr, L"Some text", L"Driven", MB_OK), IDOK);
  EXPECT_TRUE(driver.Done());
  EXPECT_FALSE(driver.GaveUp());
  EXPECT_THAT(log, ElementsAre("found", "second", "closing"));
  EXPECT_EQ(seen.caption, L"Driven");
  EXPECT_THAT(seen.texts, ElementsAre(L"Some text"));
  EXPECT_EQ(seen.buttons.size(), 1u);
  EXPECT_FALSE(seen.has_icon);
}

TEST(ModalDriver, NextStepRunsInsideTheLoopThatAnActionOpened) {
  int inner_answer = 0;
  HWND outer = nullptr;
  ModalDriver driver(
      {{"the outer box", [] { return FindThreadWindow(L"#32770", L"Outer") != nullptr; },
        [&] {
          outer = FindThreadWindow(L"#32770", L"Outer");
          inner_answer = MessageBoxW(outer, L"inner", L"Inner", MB_OKCANCEL);
        }},
       {"the inner box",
        [] { return FindThreadWindow(L"#32770", L"Inner") != nullptr; },
        [] { PostMessageW(FindThreadWindow(L"#32770", L"Inner"), WM_COMMAND, IDCANCEL, 0); }},
       {"the inner box closed", [] { return FindThreadWindow(L"#32770", L"Inner") == nullptr; },
        [&] { PressOk(outer); }}},
      [] {});
  EXPECT_EQ(MessageBoxW(nullptr, L"outer", L"Outer", MB_OK), IDOK);
  EXPECT_TRUE(driver.Done());
  EXPECT_EQ(inner_answer, IDCANCEL);
}

TEST(ModalDriver, GivesUpWhenAConditionNeverHoldsAndLetsTheTestGoOn) {
  bool gave_up = false;
  bool acted = false;
  EXPECT_NONFATAL_FAILURE(
      {
        ModalDriver driver({{"a window that never comes", [] { return false; },
                             [&] { acted = true; }}},
                           [&] {
                             gave_up = true;
                             PressOk(FindThreadDialog());
                           },
                           200ms);
        MessageBoxW(nullptr, L"waiting", L"Stuck", MB_OK);
        EXPECT_TRUE(driver.GaveUp());
        EXPECT_FALSE(driver.Done());
      },
      "a window that never comes");
  EXPECT_TRUE(gave_up);
  EXPECT_FALSE(acted);
}

TEST(ModalDriver, GivesUpWhenTheLastStepLeavesTheLoopRunning) {
  bool gave_up = false;
  EXPECT_NONFATAL_FAILURE(
      {
        ModalDriver driver({{"the box", [] { return FindThreadDialog() != nullptr; }, nullptr}},
                           [&] {
                             gave_up = true;
                             PressOk(FindThreadDialog());
                           },
                           200ms);
        MessageBoxW(nullptr, L"left open", L"Open", MB_OK);
        EXPECT_TRUE(driver.Done());
      },
      "still runs");
  EXPECT_TRUE(gave_up);
}

bool timer_fired = false;

void CALLBACK OnTimer(HWND, UINT, UINT_PTR timer, DWORD) {
  KillTimer(nullptr, timer);
  timer_fired = true;
}

TEST(PumpUntil, DispatchesUntilTheConditionHolds) {
  timer_fired = false;
  ASSERT_NE(SetTimer(nullptr, 0, 10, OnTimer), 0u);
  // Only dispatching the timer's message makes the condition hold.
  EXPECT_TRUE(PumpUntil([] { return timer_fired; }));
  // A condition that never holds ends at its deadline with false.
  EXPECT_FALSE(PumpUntil([] { return false; }, 50ms));
}

}  // namespace
}  // namespace qv::test
