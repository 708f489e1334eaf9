// Events, clocks and text conversion.
#include <gtest/gtest.h>

#include <chrono>
#include <clocale>
#include <thread>

#include "platform/Clock.h"
#include "platform/Event.h"
#include "platform/Text.h"

namespace velmor::platform {
namespace {

TEST(Event, AutoResetIsConsumedByOneWait) {
  Event event(false);
  EXPECT_FALSE(event.wait(0));
  event.set();
  EXPECT_TRUE(event.wait(0));
  EXPECT_FALSE(event.wait(0));
}

TEST(Event, ManualResetStaysSetUntilReset) {
  Event event(true, true);
  EXPECT_TRUE(event.wait(0));
  EXPECT_TRUE(event.wait(Event::kInfinite));
  event.reset();
  EXPECT_FALSE(event.wait(20));
}

TEST(Event, WakesAWaiterOnAnotherThread) {
  Event event(false);
  std::thread setter([&] { event.set(); });
  EXPECT_TRUE(event.wait(10000));
  setter.join();
}

TEST(Clock, TicksAdvanceWithSleep) {
  const uint32_t start = multimedia_time();
  const uint32_t startTicks = tick_count();
  sleep_ms(30);
  EXPECT_GE(multimedia_time() - start, 25u);
  EXPECT_LT(multimedia_time() - start, 5000u);
  // The tick count moves in steps of the system timer, up to ~16 ms.
  EXPECT_GE(tick_count() - startTicks, 30u - 16u);
  TimerResolution resolution;
}

TEST(Text, RoundTripsAsciiInEveryCodePage) {
  for (CodePage page : {CodePage::ThreadAnsi, CodePage::Ansi}) {
    EXPECT_EQ(to_wide("VelmorS10PX_01", page), std::wstring(L"VelmorS10PX_01"));
    EXPECT_EQ(to_narrow(L"EMU00001", page), std::string("EMU00001"));
    EXPECT_EQ(to_narrow(L"", page), std::string());
  }
}

TEST(Text, UnrepresentableTextFailsInsteadOfBeingMangled) {
  const char *saved = std::setlocale(LC_CTYPE, nullptr);
  const std::string previous = saved ? saved : "C";
  std::setlocale(LC_CTYPE, "C");
  // Japanese, Thai and Hebrew share no ANSI code page; Windows would turn
  // them into '?', and the macron letter into its best-fit look-alike 'A'.
  for (CodePage page : {CodePage::ThreadAnsi, CodePage::Ansi}) {
    EXPECT_FALSE(to_narrow(L"\u65e5\u672c \u0e01 \u05d0", page).has_value());
    EXPECT_FALSE(to_narrow(L"\u0100", page).has_value());
  }
  std::setlocale(LC_CTYPE, previous.c_str());
}

TEST(Text, ConvertsExactlyOrNotAtAll) {
  // Which of these a code page holds differs (1252, 932, UTF-8, the C
  // locale); whatever converts must come back unchanged.
  for (CodePage page : {CodePage::ThreadAnsi, CodePage::Ansi}) {
    for (const wchar_t *text : {L"\u00e9", L"\u00fc", L"\u20ac", L"\u65e5"}) {
      if (const auto narrow = to_narrow(text, page)) {
        EXPECT_EQ(to_wide(*narrow, page), text);
      }
    }
    for (const char *text : {"\x81", "\x82", "\xe9"}) {
      if (const auto wide = to_wide(text, page)) {
        EXPECT_EQ(to_narrow(*wide, page), text);
      }
    }
  }
}

}  // namespace
}  // namespace velmor::platform
