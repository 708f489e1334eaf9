#include "emulator/EmulatedCamera.h"

#include <algorithm>
#include <charconv>
#include <climits>
#include <cstring>
#include <new>

namespace velmor::emulator {
namespace {

using platform::SingleTransfer;

constexpr uint8_t kFpgaBus = 0x40, kSensorBus = 0x48, kAuxBus = 0x5A, kEepromBus = 0xA2;
constexpr uint32_t kMaxBusBytes = 64;
constexpr uint32_t kHeaderBytes = 64;
constexpr uint32_t kUsbStall = 0xC0000004;  // USBD_STATUS_STALL_PID
constexpr auto kReadyDelay = std::chrono::milliseconds(20);
constexpr uint16_t kSerialAddress = 0x1040, kUserByteAddress = 0x1080;

// FPGA registers with a meaning here.
enum : uint8_t {
  kSensorPortState = 0x02,
  kFrameCounter = 0x08,
  kVersionLow = 0x10,
  kVersionHigh = 0x11,
  kDepth = 0x3C,
  kMemoryCommand = 0x3F,
  kHeightLow = 0x40,
  kHeightHigh = 0x41,
  kWidthLow = 0x44,
  kWidthHigh = 0x45,
  kStreamControl = 0x68,
  kCaptureRestart = 0x6C,
  kMemoryStride = 0x78,  // 0x78-0x7B: frame stride in camera memory, 256-byte units
  kReady = 0x81,
};

struct PowerUpValue {
  uint8_t reg;
  uint8_t value;
};
// A camera that starts streaming full 8-bit frames; the memory stride is
// 16 MiB, room for a full 16-bit frame.
constexpr PowerUpValue kFpgaPowerUp[] = {{kVersionLow, kFpgaVersion & 0xFF},
                                         {kVersionHigh, kFpgaVersion >> 8},
                                         {kDepth, 1},
                                         {kHeightLow, 0x20},
                                         {kHeightHigh, 0x0B},
                                         {kWidthLow, 0x20},
                                         {kWidthHigh, 0x0B},
                                         {0x48, 68},
                                         {0x4C, 4},
                                         {kMemoryStride + 2, 1}};

uint32_t Load32(const uint8_t *p) {
  return uint32_t(p[0]) | uint32_t(p[1]) << 8 | uint32_t(p[2]) << 16 | uint32_t(p[3]) << 24;
}

void Store32(uint8_t *p, uint32_t v) {
  for (int i = 0; i < 4; ++i) p[i] = uint8_t(v >> (8 * i));
}

bool ParseHex(std::string_view text, int *value) {
  if (text.size() > 2 && text[0] == '0' && (text[1] == 'x' || text[1] == 'X'))
    text.remove_prefix(2);
  if (text.empty()) return false;
  const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), *value, 16);
  return error == std::errc() && end == text.data() + text.size() && *value >= 0;
}

template <class Key, class Value>
Value *Find(std::vector<std::pair<Key, Value>> &table, Key key) {
  for (auto &entry : table)
    if (entry.first == key) return &entry.second;
  return nullptr;
}

template <class Key, class Value>
void Put(std::vector<std::pair<Key, Value>> &table, Key key, Value value) {
  if (Value *slot = Find(table, key))
    *slot = value;
  else
    table.emplace_back(key, value);
}

}  // namespace

// A vendor request: the handler gets the data area, and the area's length in
// *answer, and leaves the answer's byte count there for IN requests.
struct EmulatedCamera::VendorRequest {
  uint8_t requestType;
  uint8_t request;
  bool (EmulatedCamera::*handle)(const SingleTransfer &, uint8_t *, uint32_t *);
};

const EmulatedCamera::VendorRequest EmulatedCamera::kVendorRequests[] = {
    {0x40, 0x30, &EmulatedCamera::I2cWrite},         {0xC0, 0x31, &EmulatedCamera::I2cRead},
    {0x40, 0xD0, &EmulatedCamera::WriteRegister32},  {0xC0, 0xD1, &EmulatedCamera::ReadRegister16},
    {0x40, 0x3E, &EmulatedCamera::WriteWordPair},    {0xC0, 0x3F, &EmulatedCamera::ReadWord},
    {0x40, 0x3C, &EmulatedCamera::WriteControlByte}, {0xC0, 0x3D, &EmulatedCamera::ReadControlByte},
    {0xC0, 0xB0, &EmulatedCamera::ReadInfoBlock},    {0xC0, 0xB1, &EmulatedCamera::ReadInfoBlock2},
    {0xC0, 0xC3, &EmulatedCamera::ReadStatus},       {0x40, 0xC0, &EmulatedCamera::ClearStream},
    {0x42, 0xC2, &EmulatedCamera::ArmHeader},        {0x42, 0xCC, &EmulatedCamera::Accept},
};

struct EmulatedCamera::Knob {
  std::string_view name;
  int EmulatedCamera::*member;
  int min, max;
  bool writable;
  void (EmulatedCamera::*changed)(Clock::time_point);
};

const EmulatedCamera::Knob EmulatedCamera::kKnobs[] = {
    {"pattern", &EmulatedCamera::pattern_, 0, 3, true, nullptr},
    {"level", &EmulatedCamera::flatLevel_, 0, 4095, true, nullptr},
    {"noise", &EmulatedCamera::noise_, 0, 100, true, nullptr},
    {"fps", &EmulatedCamera::fps_, -1, 100000, true, &EmulatedCamera::TimingChanged},
    {"drop_headers", &EmulatedCamera::dropHeaders_, 0, INT_MAX, true, nullptr},
    {"fail_payload", &EmulatedCamera::failPayload_, 0, INT_MAX, true, nullptr},
    {"stall", &EmulatedCamera::stall_, 0, 1, true, &EmulatedCamera::StallChanged},
    {"unplug", &EmulatedCamera::unplugged_, 0, 1, true, &EmulatedCamera::PlugChanged},
    {"sensor_busy", &EmulatedCamera::sensorBusy_, 0, 1, true, nullptr},
    {"eeprom_stuck", &EmulatedCamera::eepromStuck_, 0, 1, true, nullptr},
    {"fpga_not_ready", &EmulatedCamera::fpgaNotReady_, 0, 2, true, nullptr},
    {"trigger_mode", &EmulatedCamera::triggerMode_, 0, 1, true, &EmulatedCamera::TimingChanged},
    {"info_length", &EmulatedCamera::infoLength_, 0, 64, true, nullptr},
    {"frames_sent", &EmulatedCamera::framesSent_, 0, 0, false, nullptr},
    {"headers_sent", &EmulatedCamera::headersSent_, 0, 0, false, nullptr},
};

EmulatedCamera::EmulatedCamera(int number, uint16_t productId, std::string path, Pattern pattern,
                               int fps)
    : number_(number),
      productId_(productId),
      path_(std::move(path)),
      eeprom_(kEepromSize, 0xFF),
      pattern_(int(pattern)),
      fps_(fps) {
  for (const PowerUpValue &entry : kFpgaPowerUp) fpga_[entry.reg] = entry.value;
  char serial[16];
  const int length = std::snprintf(serial, sizeof serial, "EMU%05d", number + 1);
  std::copy(serial, serial + length, eeprom_.begin() + kSerialAddress);
  eeprom_[kUserByteAddress] = 0;
  const Clock::time_point now = Clock::now();
  readyAt_ = now;
  RestartTiming(now);
}

bool EmulatedCamera::Plugged(uint32_t *generation) const {
  std::lock_guard lock(mutex_);
  if (generation) *generation = generation_;
  return !unplugged_;
}

// ---- vendor requests ----------------------------------------------------

bool EmulatedCamera::ControlTransfer(uint32_t generation, uint8_t *buffer, uint32_t size,
                                     uint32_t *returned) {
  if (buffer == nullptr || size < SingleTransfer::kSize) return false;
  const SingleTransfer setup = SingleTransfer::Read(buffer);
  const uint32_t areaLength = setup.bufferLength();
  if (areaLength > 0 &&
      (setup.bufferOffset() != SingleTransfer::kSize || areaLength > size - SingleTransfer::kSize))
    return false;
  uint8_t *data = buffer + SingleTransfer::kSize;
  LoggedRequest entry{RequestKind::Control, setup, {data, data + areaLength}, 0, areaLength, false};

  Lock lock(mutex_);
  const VendorRequest *handler = nullptr;
  for (const VendorRequest &candidate : kVendorRequests)
    if (candidate.requestType == setup.requestType() && candidate.request == setup.request())
      handler = &candidate;
  uint32_t answer = areaLength;
  entry.accepted =
      Connected(generation) && handler && (this->*handler->handle)(setup, data, &answer);
  const bool accepted = entry.accepted;
  log_.Add(std::move(entry));
  if (!accepted) return false;
  if (returned)
    *returned = SingleTransfer::kSize + ((setup.requestType() & 0x80) ? answer : areaLength);
  changed_.notify_all();
  return true;
}

bool EmulatedCamera::I2cWrite(const SingleTransfer &setup, uint8_t *data, uint32_t *answer) {
  const uint32_t count = setup.value();
  if (count > kMaxBusBytes || count > *answer) return false;
  return BusWrite(uint8_t(setup.index()), data, count);
}

bool EmulatedCamera::I2cRead(const SingleTransfer &setup, uint8_t *data, uint32_t *answer) {
  const uint32_t count = setup.value();
  if (count > kMaxBusBytes || count > *answer) return false;
  *answer = count;
  return BusRead(uint8_t(setup.index()), data, count);
}

bool EmulatedCamera::WriteRegister32(const SingleTransfer &setup, uint8_t *data, uint32_t *answer) {
  if (*answer < 4) return false;
  Put(registers32_, uint16_t((setup.value() & 1) << 15 | (setup.index() & 0x7FFF)), Load32(data));
  return true;
}

bool EmulatedCamera::ReadRegister16(const SingleTransfer &setup, uint8_t *data, uint32_t *answer) {
  if (*answer < 64) return false;
  const uint32_t *value = Find(registers32_, setup.index());
  std::memset(data, 0, 64);
  data[0] = uint8_t(value ? *value : 0);
  data[1] = uint8_t((value ? *value : 0) >> 8);
  *answer = 64;
  return true;
}

bool EmulatedCamera::WriteWordPair(const SingleTransfer &, uint8_t *data, uint32_t *answer) {
  if (*answer < 4) return false;
  Put(words_, uint16_t(data[0] << 8 | data[1]), uint16_t(data[2] << 8 | data[3]));
  return true;
}

bool EmulatedCamera::ReadWord(const SingleTransfer &setup, uint8_t *data, uint32_t *answer) {
  if (*answer < 2) return false;
  const uint16_t *value = Find(words_, setup.value());
  data[0] = uint8_t(value ? *value : 0);
  data[1] = uint8_t((value ? *value : 0) >> 8);
  *answer = 2;
  return true;
}

bool EmulatedCamera::WriteControlByte(const SingleTransfer &, uint8_t *data, uint32_t *answer) {
  if (*answer < 1) return false;
  controlByte_ = data[0];
  return true;
}

bool EmulatedCamera::ReadControlByte(const SingleTransfer &, uint8_t *data, uint32_t *answer) {
  if (*answer < 1) return false;
  data[0] = controlByte_;
  *answer = 1;
  return true;
}

bool EmulatedCamera::ReadInfoBlock(const SingleTransfer &, uint8_t *data, uint32_t *answer) {
  uint8_t block[64] = {};
  block[0] = uint8_t(productId_);
  block[1] = uint8_t(productId_ >> 8);
  block[24] = uint8_t(kFirmwareRevision);
  block[25] = uint8_t(kFirmwareRevision >> 8);
  *answer = std::min<uint32_t>(*answer, uint32_t(infoLength_));
  std::memcpy(data, block, *answer);
  return true;
}

bool EmulatedCamera::ReadInfoBlock2(const SingleTransfer &, uint8_t *data, uint32_t *answer) {
  uint8_t block[64] = {};
  static constexpr char kText[] = "VELMOR EMULATED CAMERA";
  std::memcpy(block, kText, sizeof kText - 1);
  *answer = std::min<uint32_t>(*answer, uint32_t(infoLength_));
  std::memcpy(data, block, *answer);
  return true;
}

bool EmulatedCamera::ReadStatus(const SingleTransfer &, uint8_t *data, uint32_t *answer) {
  *answer = std::min<uint32_t>(*answer, 64);
  std::memset(data, 0, *answer);
  return true;
}

bool EmulatedCamera::ClearStream(const SingleTransfer &, uint8_t *, uint32_t *) {
  Abandon();
  return true;
}

// A free-running camera answers an armed header read with the next frame to
// complete; a triggered frame waits until it is read.
bool EmulatedCamera::ArmHeader(const SingleTransfer &, uint8_t *, uint32_t *) {
  const Clock::time_point now = Clock::now();
  Produce(now);
  if (Timed()) unsent_ = false;
  armed_ = true;
  ServeAll(now);
  return true;
}

bool EmulatedCamera::Accept(const SingleTransfer &, uint8_t *, uint32_t *) { return true; }

// ---- serial bus ---------------------------------------------------------

bool EmulatedCamera::BusWrite(uint8_t address, const uint8_t *data, uint32_t count) {
  const Clock::time_point now = Clock::now();
  switch (address) {
    case kFpgaBus:  // {register, 0x00, value...}
      if (count < 1) return false;
      fpgaPointer_ = data[0];
      for (uint32_t i = 2; i < count; ++i) FpgaWrite(uint8_t(fpgaPointer_ + i - 2), data[i], now);
      return true;
    case kSensorBus:  // {address high, address low, value...}
      if (count < 2) return false;
      sensorPointer_ = uint16_t(data[0] << 8 | data[1]);
      for (uint32_t i = 2; i < count; ++i) sensor_.Write(uint16_t(sensorPointer_ + i - 2), data[i]);
      return true;
    case kAuxBus:  // {register, value...}
      if (count < 1) return false;
      auxPointer_ = data[0];
      for (uint32_t i = 1; i < count; ++i) aux_[uint8_t(auxPointer_ + i - 1)] = data[i];
      return true;
    case kEepromBus:  // {address high, address low, value...}
      if (count < 2) return false;
      eepromPointer_ = uint16_t((data[0] << 8 | data[1]) % kEepromSize);
      if (!eepromStuck_)
        for (uint32_t i = 2; i < count; ++i)
          eeprom_[(eepromPointer_ + i - 2) % kEepromSize] = data[i];
      return true;
    default:
      return false;
  }
}

bool EmulatedCamera::BusRead(uint8_t address, uint8_t *data, uint32_t count) {
  const Clock::time_point now = Clock::now();
  switch (address) {
    case kFpgaBus | 1:  // a filler byte, then the values
      for (uint32_t i = 0; i < count; ++i)
        data[i] = i == 0 ? 0 : FpgaRead(uint8_t(fpgaPointer_ + i - 1), now);
      return true;
    case kSensorBus | 1:
      for (uint32_t i = 0; i < count; ++i) data[i] = sensor_.Read(uint16_t(sensorPointer_ + i));
      return true;
    case kAuxBus | 1:
      for (uint32_t i = 0; i < count; ++i) data[i] = aux_[uint8_t(auxPointer_ + i)];
      return true;
    case kEepromBus | 1:
      for (uint32_t i = 0; i < count; ++i) data[i] = eeprom_[(eepromPointer_ + i) % kEepromSize];
      return true;
    default:
      return false;
  }
}

uint8_t EmulatedCamera::FpgaRead(uint8_t reg, Clock::time_point now) {
  switch (reg) {
    case kSensorPortState:
      return sensorBusy_ ? 1 : 0;
    case kFrameCounter:
      Produce(now);
      return uint8_t(framesProduced_);
    case kReady: {
      const bool ready = fpgaNotReady_ == 0 && now >= readyAt_ && !(fpga_[kReady] & 1);
      return uint8_t((ready ? 2 : 0) | (fpga_[kReady] & 1));
    }
    default:
      return fpga_[reg];
  }
}

void EmulatedCamera::FpgaWrite(uint8_t reg, uint8_t value, Clock::time_point now) {
  const uint8_t previous = fpga_[reg];
  switch (reg) {
    case kVersionLow:
    case kVersionHigh:
      return;
    case kCaptureRestart:
      if ((value & 1) && !(previous & 1)) Abandon();
      break;
    case kStreamControl:
      if (value == 2) Abandon();
      break;
    case kReady:
      if ((previous & 1) && !(value & 1)) {
        readyAt_ = now + kReadyDelay;
        if (fpgaNotReady_ == 1) fpgaNotReady_ = 0;
      }
      break;
    case kMemoryCommand:
      fpga_[reg] = value;
      if (value == 2) StoreFrameInMemory();
      return;
    default:
      break;
  }
  fpga_[reg] = value;
}

// ---- frames -------------------------------------------------------------

EmulatedCamera::Clock::duration EmulatedCamera::FramePeriod() const {
  using std::chrono::nanoseconds;
  if (fps_ > 0) return nanoseconds(1000000000LL / fps_);
  return nanoseconds(std::max<long long>(1000, (long long)(sensor_.FramePeriodUs() * 1000.0)));
}

void EmulatedCamera::RestartTiming(Clock::time_point now) { nextFrameAt_ = now + FramePeriod(); }

void EmulatedCamera::Produce(Clock::time_point now) {
  if (!Timed() || now < nextFrameAt_) return;
  const Clock::duration period = FramePeriod();
  const auto frames = (now - nextFrameAt_) / period + 1;
  framesProduced_ += uint32_t(frames);
  unsent_ = true;
  nextFrameAt_ += frames * period;
}

FrameShape EmulatedCamera::CurrentShape() const {
  FrameShape shape;
  sensor_.Describe(shape);
  shape.outWidth = fpga_[kWidthLow] | fpga_[kWidthHigh] << 8;
  shape.outHeight = fpga_[kHeightLow] | fpga_[kHeightHigh] << 8;
  shape.bytesPerPixel = fpga_[kDepth] == 2 ? 2 : 1;
  shape.pattern = Pattern(pattern_);
  if (shape.pattern == Pattern::Ramp) shape.brightness = 0;  // the ramp ignores it
  shape.camera = number_;
  shape.flatLevel = flatLevel_;
  shape.noise = noise_;
  // Noise makes every frame new; without it the last rendering is reused.
  if (noise_ > 0) shape.frame = framesProduced_;
  return shape;
}

void EmulatedCamera::Abandon() {
  armed_ = false;
  sending_.reset();
  memoryRead_ = {};
}

void EmulatedCamera::StoreFrameInMemory() {
  if (!lastSent_) return;
  const uint64_t stride = uint64_t(Load32(fpga_ + kMemoryStride)) * 256;
  WriteMemory(stride * (lastSentCounter_ & 0xFFFF), lastSent_->data(), lastSent_->size());
}

uint8_t *EmulatedCamera::Memory() {
  if (!memory_) memory_.reset(static_cast<uint8_t *>(std::calloc(kCameraMemorySize, 1)));
  return memory_.get();
}

bool EmulatedCamera::CopyMemory(uint64_t address, uint8_t *to, uint64_t count) {
  uint8_t *memory = Memory();
  if (memory == nullptr) return false;
  while (count > 0) {
    const uint64_t offset = address % kCameraMemorySize;
    const uint64_t n = std::min(count, kCameraMemorySize - offset);
    std::memcpy(to, memory + offset, n);
    to += n;
    address += n;
    count -= n;
  }
  return true;
}

bool EmulatedCamera::WriteMemory(uint64_t address, const uint8_t *from, uint64_t count) {
  uint8_t *memory = Memory();
  if (memory == nullptr) return false;
  while (count > 0) {
    const uint64_t offset = address % kCameraMemorySize;
    const uint64_t n = std::min(count, kCameraMemorySize - offset);
    std::memcpy(memory + offset, from, n);
    from += n;
    address += n;
    count -= n;
  }
  return true;
}

uint32_t EmulatedCamera::Submit(uint32_t generation, BulkRequest &request, RequestKind kind) {
  const SingleTransfer record = SingleTransfer::Read(request.record);
  request.endpoint = record.endpoint();
  LoggedRequest entry{kind, record, {}, request.endpoint, request.length, true};
  if (!(request.endpoint & 0x80))
    entry.data.assign(request.data, request.data + std::min<uint32_t>(request.length, 64));

  Lock lock(mutex_);
  entry.accepted = Connected(generation);
  log_.Add(std::move(entry));
  if (!Connected(generation)) return platform::kUsbNotConnected;
  request.pending = true;
  request.signalled = false;
  request.ok = false;
  request.transferred = 0;
  // A header read is the one read of 64 bytes on 0x81 while nothing else is
  // being sent.
  request.dropped = request.endpoint == 0x81 && request.length == kHeaderBytes && !sending_ &&
                    memoryRead_.remaining == 0 && !stall_ && dropHeaders_ > 0;
  if (request.dropped) --dropHeaders_;
  pending_.push_back(&request);
  ServeAll(Clock::now());
  return request.pending ? platform::kUsbPending : platform::kUsbCompleted;
}

bool EmulatedCamera::Serve(BulkRequest &request, Clock::time_point now) {
  if (request.dropped) return false;
  switch (request.endpoint) {
    case 0x81:
      return ServeIn(request, now);
    case 0x01:
      return ServeOut(request);
    default:
      return false;  // no other endpoint sends anything
  }
}

bool EmulatedCamera::ServeIn(BulkRequest &request, Clock::time_point now) {
  if (stall_) return false;
  if (memoryRead_.remaining > 0) {
    const uint32_t n = uint32_t(std::min<uint64_t>(request.length, memoryRead_.remaining));
    const bool ok = CopyMemory(memoryRead_.address, request.data, n);
    memoryRead_.address += n;
    memoryRead_.remaining -= n;
    Complete(request, ok, n);
    return true;
  }
  if (sending_) {
    // One failed chunk per frame: the chunks a host already queued behind it
    // arrive, so each count of the knob fails one frame's read.
    if (failPayload_ > 0 && !sendingFailed_) {
      --failPayload_;
      sendingFailed_ = true;
      Complete(request, true, 0, kUsbStall);
      return true;
    }
    const uint32_t n =
        uint32_t(std::min<std::size_t>(request.length, sending_->size() - sendOffset_));
    std::memcpy(request.data, sending_->data() + sendOffset_, n);
    sendOffset_ += n;
    if (sendOffset_ == sending_->size()) {
      ++framesSent_;
      sending_.reset();
    }
    Complete(request, true, n);
    return true;
  }
  if (request.length != kHeaderBytes || !armed_) return false;
  Produce(now);
  if (!Timed() && !triggerMode_) {  // fps 0: a frame whenever the host asks
    ++framesProduced_;
    unsent_ = true;
  }
  if (!unsent_) return false;
  unsent_ = false;
  armed_ = false;
  const FrameShape shape = CurrentShape();
  if (!cachedFrame_ || !(shape == cachedShape_)) {
    cachedFrame_ = RenderFrame(shape);
    cachedShape_ = shape;
  }
  std::memset(request.data, 0, kHeaderBytes);
  Store32(request.data + 16, uint32_t(cachedFrame_->size()));
  Store32(request.data + 32, framesProduced_);
  ++headersSent_;
  lastSent_ = cachedFrame_;
  lastSentCounter_ = framesProduced_;
  sendOffset_ = 0;
  if (cachedFrame_->empty())
    ++framesSent_;
  else
    sending_ = cachedFrame_;
  sendingFailed_ = false;
  Complete(request, true, kHeaderBytes);
  return true;
}

// Bulk OUT 0x01: 32-byte command blocks "AU3R"/"AU3W" (version 2, 64-bit
// address, length), and after "AU3W" the bytes to store.
bool EmulatedCamera::ServeOut(BulkRequest &request) {
  if (memoryWrite_.remaining > 0) {
    const uint32_t n = uint32_t(std::min<uint64_t>(request.length, memoryWrite_.remaining));
    const bool ok = WriteMemory(memoryWrite_.address, request.data, n);
    memoryWrite_.address += n;
    memoryWrite_.remaining -= n;
    Complete(request, ok, n);
    return true;
  }
  const uint8_t *block = request.data;
  const bool command = request.length == 32 && std::memcmp(block, "AU3", 3) == 0 &&
                       (block[3] == 'R' || block[3] == 'W') && Load32(block + 4) == 2;
  if (!command) {
    Complete(request, false, 0, kUsbStall);
    return true;
  }
  const Stream stream{uint64_t(Load32(block + 12)) << 32 | Load32(block + 8), Load32(block + 16)};
  (block[3] == 'R' ? memoryRead_ : memoryWrite_) = stream;
  Complete(request, true, 32);
  return true;
}

void EmulatedCamera::ServeAll(Clock::time_point now) {
  bool blocked[256] = {};  // requests on one endpoint are answered in order
  for (auto it = pending_.begin(); it != pending_.end();) {
    BulkRequest &request = **it;
    if (!blocked[request.endpoint] && Serve(request, now)) {
      it = pending_.erase(it);
    } else {
      blocked[request.endpoint] = true;
      ++it;
    }
  }
}

void EmulatedCamera::Complete(BulkRequest &request, bool ok, uint32_t transferred,
                              uint32_t usbStatus) {
  request.pending = false;
  request.ok = ok;
  request.transferred = ok ? transferred + request.extra : 0;
  SingleTransfer record = SingleTransfer::Read(request.record);
  record.setStatus(ok && usbStatus == 0 ? 0 : 1, ok ? usbStatus : kUsbStall);
  record.WriteTo(request.record);
  request.signalled = true;
  changed_.notify_all();
}

bool EmulatedCamera::Wait(BulkRequest &request, int timeoutMs) {
  Lock lock(mutex_);
  const Clock::time_point deadline =
      Clock::now() + std::chrono::milliseconds(std::max(0, timeoutMs));
  for (;;) {
    if (request.pending) ServeAll(Clock::now());
    if (request.signalled) {
      request.signalled = false;
      return true;
    }
    const Clock::time_point now = Clock::now();
    if (timeoutMs >= 0 && now >= deadline) return false;
    Clock::time_point wake = timeoutMs >= 0 ? deadline : Clock::time_point::max();
    if (request.pending && Timed()) wake = std::min(wake, nextFrameAt_);
    if (wake == Clock::time_point::max())
      changed_.wait(lock);
    else
      changed_.wait_until(lock, wake);
  }
}

bool EmulatedCamera::Result(BulkRequest &request, uint32_t *transferred) {
  std::lock_guard lock(mutex_);
  if (request.pending || !request.ok) return false;
  if (transferred) *transferred = request.transferred;
  return true;
}

void EmulatedCamera::Forget(BulkRequest &request) {
  std::lock_guard lock(mutex_);
  pending_.remove(&request);
}

void EmulatedCamera::FailPending(uint8_t endpoint, bool allEndpoints) {
  for (auto it = pending_.begin(); it != pending_.end();) {
    if (allEndpoints || (*it)->endpoint == endpoint) {
      Complete(**it, false, 0);
      it = pending_.erase(it);
    } else {
      ++it;
    }
  }
}

bool EmulatedCamera::AbortPipe(uint32_t generation, uint8_t endpoint) {
  std::lock_guard lock(mutex_);
  LoggedRequest entry{RequestKind::AbortPipe, {}, {}, endpoint, 0, Connected(generation)};
  log_.Add(std::move(entry));
  FailPending(endpoint, false);
  return Connected(generation);
}

bool EmulatedCamera::ResetPipe(uint32_t generation, uint8_t endpoint) {
  std::lock_guard lock(mutex_);
  log_.Add({RequestKind::ResetPipe, {}, {}, endpoint, 0, Connected(generation)});
  if (!Connected(generation)) return false;
  FailPending(endpoint, false);
  return true;
}

bool EmulatedCamera::ResetPort(uint32_t generation) {
  std::lock_guard lock(mutex_);
  log_.Add({RequestKind::ResetPort, {}, {}, 0, 0, Connected(generation)});
  if (!Connected(generation)) return false;
  FailPending(0, true);
  Abandon();
  return true;
}

bool EmulatedCamera::Speed(uint32_t generation, uint32_t *code) {
  std::lock_guard lock(mutex_);
  log_.Add({RequestKind::Speed, {}, {}, 0, 0, Connected(generation)});
  if (!Connected(generation)) return false;
  *code = platform::kUsbSuperSpeed;
  return true;
}

// ---- knobs --------------------------------------------------------------

void EmulatedCamera::TimingChanged(Clock::time_point now) {
  if (triggerMode_) unsent_ = false;
  RestartTiming(now);
}

void EmulatedCamera::PlugChanged(Clock::time_point) {
  if (!unplugged_) return;
  ++generation_;
  FailPending(0, true);
  Abandon();
}

void EmulatedCamera::StallChanged(Clock::time_point now) { ServeAll(now); }

bool EmulatedCamera::Peek(std::string_view key, bool write, int *value) {
  struct Space {
    std::string_view prefix;
    int size;
  };
  static constexpr Space kSpaces[] = {
      {"fpga:", 256}, {"sensor:", 65536}, {"eeprom:", int(kEepromSize)}};
  for (std::size_t space = 0; space < std::size(kSpaces); ++space) {
    if (key.substr(0, kSpaces[space].prefix.size()) != kSpaces[space].prefix) continue;
    int address = 0;
    if (!ParseHex(key.substr(kSpaces[space].prefix.size()), &address) ||
        address >= kSpaces[space].size)
      return false;
    std::lock_guard lock(mutex_);
    uint8_t *cell = space == 0 ? &fpga_[address] : space == 2 ? &eeprom_[address] : nullptr;
    if (write) {
      if (cell)
        *cell = uint8_t(*value);
      else
        sensor_.Write(uint16_t(address), uint8_t(*value));
    } else {
      *value = space == 0 ? FpgaRead(uint8_t(address), Clock::now())
               : cell     ? *cell
                          : sensor_.Read(uint16_t(address));
    }
    return true;
  }
  return false;
}

bool EmulatedCamera::Set(std::string_view key, int value) {
  if (key == "trigger") {
    std::lock_guard lock(mutex_);
    if (triggerMode_) {
      ++framesProduced_;
      unsent_ = true;
      ServeAll(Clock::now());
    }
    return true;
  }
  if (key.find(':') != std::string_view::npos) return Peek(key, true, &value);
  for (const Knob &knob : kKnobs) {
    if (knob.name != key) continue;
    if (!knob.writable || value < knob.min || value > knob.max) return false;
    std::lock_guard lock(mutex_);
    const bool differs = this->*knob.member != value;
    this->*knob.member = value;
    if (differs && knob.changed) (this->*knob.changed)(Clock::now());
    changed_.notify_all();
    return true;
  }
  return false;
}

bool EmulatedCamera::Get(std::string_view key, int *value) {
  if (value == nullptr) return false;
  if (key == "trigger") {
    *value = 0;
    return true;
  }
  if (key.find(':') != std::string_view::npos) return Peek(key, false, value);
  for (const Knob &knob : kKnobs) {
    if (knob.name != key) continue;
    std::lock_guard lock(mutex_);
    *value = this->*knob.member;
    return true;
  }
  return false;
}

}  // namespace velmor::emulator
