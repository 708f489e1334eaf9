// CSensorGeneric: the driver a camera of the family gets when its product ID
// has no driver of its own. It keeps the base behaviour of every slot: it
// supports nothing and never touches the sensor.
#pragma once

#include "sensors/SensorBase.h"

namespace velmor {

class CSensorGeneric final : public CSensorBase {
 public:
  explicit CSensorGeneric(CControllerBase *controller) : CSensorBase(controller, 0, 0) {}
};

}  // namespace velmor
