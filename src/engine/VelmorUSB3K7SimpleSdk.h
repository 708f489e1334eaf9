// CVelmorUSB3K7SimpleSdk: the engine a session creates; it adds nothing to
// the base but its own destructor.
#pragma once

#include "engine/VelmorU3K7Base.h"

namespace velmor {

class CVelmorUSB3K7SimpleSdk final : public CVelmorU3K7Base {
 public:
  ~CVelmorUSB3K7SimpleSdk() override = default;
};

}  // namespace velmor
