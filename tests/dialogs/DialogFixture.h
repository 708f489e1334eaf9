// Sessions on emulated cameras whose settings dialogs are answered by the
// test instead of a person: a stand-in gets each dialog's model.
#pragma once

#include "../session/SessionFixture.h"
#include "dialogs/DialogToolkit.h"

namespace velmor {

class DialogFixture : public SessionFixture {
 protected:
  void SetUp() override {
    SessionFixture::SetUp();
    dialogs::SetLanguageOverride(int32_t(dialogs::Language::kEnglish));
  }
  void TearDown() override {
    dialogs::SetDialogStandIn({});
    dialogs::SetLanguageOverride(dialogs::kNoLanguageOverride);
    SessionFixture::TearDown();
  }
  // A session on one emulated camera.
  int32_t OpenCamera() {
    AddCameras(1);
    return Open();
  }
  // The camera's sensor register file.
  static std::vector<int> SensorRegisters() {
    std::vector<int> values(kSensorRegisters);
    char key[16];
    for (int address = 0; address < kSensorRegisters; ++address) {
      std::snprintf(key, sizeof key, "sensor:%04x", address);
      EXPECT_TRUE(Hub().Camera(0)->Get(key, &values[address]));
    }
    return values;
  }
  static constexpr int kSensorRegisters = 0x1000;
};

}  // namespace velmor
