#include "session/LiveFilterValues.h"

namespace velmor {

FilterValues LiveFilterValues::Snapshot() const {
  FilterValues values;
  for (std::size_t id = 0; id < byId_.size(); ++id) values.byId[id] = byId_[id].load();
  values.bayerGainAutoOnce = bayerGainAutoOnce_.load();
  return values;
}

void LiveFilterValues::Assign(const FilterValues &values) {
  for (std::size_t id = 0; id < byId_.size(); ++id) byId_[id].store(values.byId[id]);
  bayerGainAutoOnce_.store(values.bayerGainAutoOnce);
}

}  // namespace velmor
