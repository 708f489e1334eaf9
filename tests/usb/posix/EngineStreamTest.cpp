#include <algorithm>
#include <vector>

#include "UsbFixture.h"
#include "engine/VelmorUSB3K7SimpleSdk.h"

namespace velmor::usbtest {
namespace {

constexpr std::size_t kFullFrame = std::size_t(2848) * 2848;

TEST_F(UsbFixture, TwentyFullFramesStreamThroughTheEngine) {
  controller_.reset();
  CVelmorUSB3K7SimpleSdk engine;
  engine.SetProductId(0x32F0);
  engine.CreateController(nullptr, nullptr);
  ASSERT_EQ(engine.EnumerateDevices(0x32F0), 2);
  ASSERT_EQ(engine.OpenDevice(0), 1);
  ASSERT_EQ(engine.StartCapture(0), 1);
  std::vector<uint8_t> first(kFullFrame), frame(kFullFrame);
  for (int n = 0; n < 20; ++n) {
    ASSERT_EQ(engine.WaitForFrame(10000), 3) << "frame " << n << " never came";
    ASSERT_EQ(engine.GetNextImage((n ? frame : first).data(), 0, 0, 0, 1), 0) << "frame " << n;
    if (n > 0) {
      ASSERT_TRUE(frame == first) << "frame " << n << " differs from the first";
    }
  }
  EXPECT_EQ(engine.StopCapture(), 1);
  // The ramp picture: every row of the first frame is the same rising ramp.
  EXPECT_GT(std::count_if(first.begin(), first.begin() + 2848, [](uint8_t v) { return v != 0; }),
            0);
  int sent = 0;
  ASSERT_TRUE(camera_->Get("frames_sent", &sent));
  EXPECT_GE(sent, 20);
  EXPECT_GE(node_->MostInFlight(), 4);
  engine.CloseDevice();
}

}  // namespace
}  // namespace velmor::usbtest
