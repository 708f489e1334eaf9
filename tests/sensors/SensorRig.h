// The camera the sensor tests run against.
#pragma once

#include "BusRig.h"

namespace velmor::test {

using SensorRig = BusRig;

}  // namespace velmor::test
