// The functions of other camera models: each its own export, each answering
// with its row's result and posting or recording "not supported".
#include <string>
#include <vector>

#include "SessionFixture.h"

namespace velmor {
namespace {

using UnsupportedExportsTest = SessionFixture;

TEST_F(UnsupportedExportsTest, EachAnswersAndReportsAsItsRowSays) {
  AddCameras(1);
  const int32_t handle = Open(notices);
  struct Case {
    std::string call;
    int32_t (*run)(int32_t handle);
    int32_t result;
    bool recorded;  // else posted only
  };
  const Case cases[] = {
      {"Fps", [](int32_t h) { return Velmor_Fps(h); }, 0, false},
      {"GetHalfClock", [](int32_t h) { return Velmor_GetHalfClock(h, nullptr); }, 0, false},
      {"SetHalfClock", [](int32_t h) { return Velmor_SetHalfClock(h, 1); }, 0, false},
      {"GetInternalCorrection", [](int32_t h) { return Velmor_GetInternalCorrection(h, nullptr); },
       0, false},
      {"SetInternalCorrection", [](int32_t h) { return Velmor_SetInternalCorrection(h, 1); }, 0,
       false},
      {"SetCrossbar", [](int32_t h) { return Velmor_SetCrossbar(h, 1); }, 0, false},
      {"SendText", [](int32_t h) { return Velmor_SendText(h, "x", 1); }, 0, true},
      {"ReceiveText",
       [](int32_t h) {
         char text[4] = "abc";
         const int32_t result = Velmor_ReceiveText(h, text, 4);
         return std::string(text) == "abc" ? result : -2;
       },
       0, true},
      {"SetConfigFilter", [](int32_t h) { return Velmor_SetConfigFilter(h, 1, 1); }, -1, true},
      {"GetConfigFilter", [](int32_t h) { return Velmor_GetConfigFilter(h, 1, nullptr); }, -1,
       true},
  };
  for (const Case &c : cases) {
    EXPECT_EQ(c.run(handle), c.result) << c.call;
    const VELMOR_MSG message = Next(notices);
    EXPECT_EQ(message.message, VELMOR_WM_ERROR) << c.call;
    EXPECT_EQ(message.lParam, VELMOR_ERROR_NOT_SUPPORTED) << c.call;
    EXPECT_EQ(Errors(handle), c.recorded ? std::vector<int32_t>{VELMOR_ERROR_NOT_SUPPORTED}
                                         : std::vector<int32_t>{})
        << c.call;
    // An unknown handle gets 0 and nothing is posted.
    EXPECT_EQ(c.run(handle + 1), 0) << c.call;
  }
  VELMOR_MSG extra;
  EXPECT_EQ(Velmor_WaitMessage(notices, &extra, 0), 0) << "one message per call";
}

}  // namespace
}  // namespace velmor
