// The bounded record of what reached an emulated camera over USB, for tests
// that assert on the wire traffic. Oldest entries are dropped first.
#pragma once

#include <cstdint>
#include <deque>
#include <mutex>
#include <vector>

#include "platform/UsbDriver.h"

namespace velmor::emulator {

enum class RequestKind { Control, Bulk, Buffered, AbortPipe, ResetPipe, ResetPort, Speed };

struct LoggedRequest {
  RequestKind kind = RequestKind::Control;
  platform::SingleTransfer record;  // control: setup fields; bulk: endpoint
  std::vector<uint8_t> data;        // control OUT data area, or bulk OUT bytes up to 64
  uint8_t endpoint = 0;             // bulk and pipe requests
  uint32_t length = 0;              // bytes requested
  bool accepted = true;             // false when the camera stalled or refused it

  uint8_t request() const { return record.request(); }
};

class RequestLog {
 public:
  static constexpr std::size_t kCapacity = 8192;

  void Add(LoggedRequest entry);
  std::vector<LoggedRequest> Entries() const;
  void Clear();

 private:
  mutable std::mutex mutex_;
  std::deque<LoggedRequest> entries_;
};

}  // namespace velmor::emulator
