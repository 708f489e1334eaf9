#include "transport/VelmorCy3Cam.h"

#include <algorithm>
#include <array>
#include <cstdio>
#include <cstring>
#include <deque>
#include <new>
#include <span>

#include "platform/Clock.h"

namespace velmor {
namespace {

using platform::SingleTransfer;

constexpr uint32_t kMaxBusBytes = 64;
constexpr uint32_t kBusTimeoutMs = 3000;
constexpr uint32_t kSyncWaitMs = 5000;
constexpr uint32_t kOutWaitMs = 3000;
constexpr uint32_t kHeaderWaitMs = 200;
constexpr uint32_t kPayloadChunk = 512u * 1024u;
constexpr uint64_t kPage = 4096;
constexpr uint64_t kMemoryChunk = 16u << 20;
constexpr uint64_t kFramePage = 16384;
constexpr uint64_t kFrameChunk = 4u << 20;

constexpr uint8_t kFpgaBus = 0x40, kAuxBus = 0x5A, kEepromBus = 0xA2;
constexpr uint8_t kBulkIn = 0x81, kSingleIn = 0x83, kBulkOut = 0x01;
constexpr uint8_t kRegVersionLow = 0x10, kRegVersionHigh = 0x11, kRegMemoryCommand = 0x3F;
constexpr uint8_t kRegCaptureRestart = 0x6C, kRegMemoryAddress = 0x78;

// Model names by product ID for the device names of other models of the
// family; this build's camera names its cameras in the session instead.
struct DeviceModel {
  uint16_t productId;
  const char *name;
};
constexpr std::array<DeviceModel, 0> kDeviceModels{};

uint32_t Load32(const uint8_t *p) {
  return uint32_t(p[0]) | uint32_t(p[1]) << 8 | uint32_t(p[2]) << 16 | uint32_t(p[3]) << 24;
}

void Store32(uint8_t *p, uint32_t v) {
  for (int i = 0; i < 4; ++i) p[i] = uint8_t(v >> (8 * i));
}

// The 32-byte camera-memory command block.
std::array<uint8_t, 32> CommandBlock(bool write, uint64_t address, uint32_t length) {
  std::array<uint8_t, 32> block{'A', 'U', '3', uint8_t(write ? 'W' : 'R')};
  Store32(block.data() + 4, 2);
  Store32(block.data() + 8, uint32_t(address));
  Store32(block.data() + 12, uint32_t(address >> 32));
  Store32(block.data() + 16, length);
  return block;
}

// Closes the stream handle on scope exit when the operation opened it.
class StreamScope {
 public:
  StreamScope(CVelmorCy3Cam &controller) : controller_(controller), opened_(!controller.stream()) {}
  ~StreamScope() {
    if (opened_) controller_.CloseStream();
  }
  StreamScope(const StreamScope &) = delete;
  StreamScope &operator=(const StreamScope &) = delete;

 private:
  CVelmorCy3Cam &controller_;
  const bool opened_;
};

}  // namespace

CVelmorCy3Cam::CVelmorCy3Cam(const platform::UsbGuid *guid) {
  deviceIndex = 0;
  SetInterfaceGuid(guid ? guid : &platform::kCameraInterfaceGuid);
}

CVelmorCy3Cam::~CVelmorCy3Cam() { Close(); }

// ---- vendor requests ----------------------------------------------------

CVelmorCy3Cam::Reply CVelmorCy3Cam::VendorRequest(platform::UsbDevice *device, uint8_t requestType,
                                                  uint8_t request, uint16_t value, uint16_t index,
                                                  const uint8_t *data, uint32_t length) {
  Reply reply;
  DeviceHandle own;
  if (device == nullptr) {
    if (!OpenDevicePath(&own, deviceIndex, false)) return reply;
    device = own.get();
  }
  uint8_t buffer[kControlBufferSize] = {};
  SingleTransfer record;
  record.setSetup(requestType, request, value, index, uint16_t(kControlBufferSize));
  record.setTimeoutSeconds(3);
  record.setBuffer(SingleTransfer::kSize, 64);
  record.WriteTo(buffer);
  if (data) std::memcpy(buffer + SingleTransfer::kSize, data, std::min<uint32_t>(length, 64));
  uint32_t returned = 0;
  reply.ok = ControlTransfer(device, buffer, &returned);
  reply.dataCount = returned >= SingleTransfer::kSize ? returned - SingleTransfer::kSize : returned;
  std::memcpy(reply.data, buffer + SingleTransfer::kSize, 64);
  return reply;
}

int32_t CVelmorCy3Cam::I2cWrite(uint8_t device, const uint8_t *data, uint8_t count, uint32_t) {
  if (count > kMaxBusBytes || (data == nullptr && count > 0)) return 0;
  return VendorRequest(nullptr, 0x40, 0x30, count, device, data, count).ok;
}

// A read that returns fewer bytes than asked for fails: the caller would
// otherwise take stale bytes for the answer.
int32_t CVelmorCy3Cam::I2cRead(uint8_t device, uint8_t *data, uint8_t count, uint32_t) {
  if (count > kMaxBusBytes || (data == nullptr && count > 0)) return 0;
  const Reply reply = VendorRequest(nullptr, 0xC0, 0x31, count, uint8_t(device | 1));
  if (!reply.ok || reply.dataCount < count) return 0;
  std::memcpy(data, reply.data, count);
  return 1;
}

int32_t CVelmorCy3Cam::WriteRegister32(uint16_t reg, uint32_t value) {
  uint8_t bytes[4];
  Store32(bytes, value);
  return VendorRequest(nullptr, 0x40, 0xD0, reg >> 15, reg & 0x7FFF, bytes, 4).ok;
}

int32_t CVelmorCy3Cam::ReadRegister16(uint16_t reg, uint32_t *out) {
  if (out == nullptr) return 0;
  const Reply reply = VendorRequest(nullptr, 0xC0, 0xD1, 0, reg);
  if (!reply.ok) return 0;
  *out = reply.dataCount >= 64 ? uint32_t(reply.data[0] | reply.data[1] << 8) : 0;
  return 1;
}

int32_t CVelmorCy3Cam::WriteWordPair(uint16_t first, uint16_t second) {
  const uint8_t bytes[4] = {uint8_t(first >> 8), uint8_t(first), uint8_t(second >> 8),
                            uint8_t(second)};
  return VendorRequest(nullptr, 0x40, 0x3E, 0, 0, bytes, 4).ok;
}

int32_t CVelmorCy3Cam::ReadWord(uint16_t address, uint32_t *out) {
  if (out == nullptr) return 0;
  const Reply reply = VendorRequest(nullptr, 0xC0, 0x3F, address, 0);
  if (reply.ok && reply.dataCount != 0) *out = uint32_t(reply.data[0] | reply.data[1] << 8);
  return reply.ok;
}

int32_t CVelmorCy3Cam::WriteControlByte(uint8_t value) {
  const uint8_t bytes[4] = {value, 0, 0, 0};
  return VendorRequest(nullptr, 0x40, 0x3C, 0, 0, bytes, 4).ok;
}

int32_t CVelmorCy3Cam::ReadControlByte(uint8_t *out) {
  if (out == nullptr) return 0;
  const Reply reply = VendorRequest(nullptr, 0xC0, 0x3D, 0, 0);
  if (reply.ok && reply.dataCount != 0) *out = reply.data[0];
  return reply.ok;
}

// A block shorter than 64 bytes is not taken, yet the driver call's success
// is what the caller gets.
int32_t CVelmorCy3Cam::ReadInfoBlock(uint8_t *block64) {
  if (block64 == nullptr) return 0;
  const Reply reply = VendorRequest(nullptr, 0xC0, 0xB0, 0, 0);
  if (reply.ok && reply.dataCount == 64) std::memcpy(block64, reply.data, 64);
  return reply.ok;
}

int32_t CVelmorCy3Cam::ReadInfoBlock2(uint8_t *block64) {
  if (block64 == nullptr) return 0;
  const Reply reply = VendorRequest(nullptr, 0xC0, 0xB1, 0, 0);
  if (reply.ok && reply.dataCount == 64) std::memcpy(block64, reply.data, 64);
  return reply.ok;
}

int32_t CVelmorCy3Cam::ReadStatusByte(uint8_t *out) {
  if (out == nullptr) return 0;
  const Reply reply = VendorRequest(nullptr, 0xC0, 0xC3, 0, 0);
  if (reply.ok && reply.dataCount == 64) *out = reply.data[0];
  return reply.ok;
}

int32_t CVelmorCy3Cam::ClearStream() { return VendorRequest(nullptr, 0x40, 0xC0, 0, 0).ok; }

int32_t CVelmorCy3Cam::SendRequestCC() { return VendorRequest(nullptr, 0x42, 0xCC, 0, 0).ok; }

int32_t CVelmorCy3Cam::ArmHeaderRead(platform::UsbDevice *device) {
  if (device == nullptr) device = streamHandle.get();
  if (device == nullptr) return 0;
  return VendorRequest(device, 0x42, 0xC2, 0, 0).ok;
}

// ---- serial-bus devices -------------------------------------------------

int32_t CVelmorCy3Cam::WriteFpgaRegister(uint8_t reg, uint8_t value) {
  const uint8_t bytes[3] = {reg, 0x00, value};
  std::lock_guard lock(registerLock);
  return I2cWrite(kFpgaBus, bytes, 3, kBusTimeoutMs);
}

int32_t CVelmorCy3Cam::ReadFpgaRegister(uint8_t reg, uint8_t *out) {
  if (out == nullptr) return 0;
  uint8_t answer[2] = {};
  std::lock_guard lock(registerLock);
  if (!I2cWrite(kFpgaBus, &reg, 1, kBusTimeoutMs) ||
      !I2cRead(kFpgaBus | 1, answer, 2, kBusTimeoutMs))
    return 0;
  *out = answer[1];
  return 1;
}

// Stores 0 when either register cannot be read (the version is then unknown).
int32_t CVelmorCy3Cam::ReadFpgaWord(uint16_t *out) {
  if (out == nullptr) return 0;
  uint8_t low = 0, high = 0;
  const bool ok =
      ReadFpgaRegister(kRegVersionLow, &low) && ReadFpgaRegister(kRegVersionHigh, &high);
  *out = ok ? uint16_t(high << 8 | low) : 0;
  return 1;
}

int32_t CVelmorCy3Cam::WriteAuxRegister(uint8_t reg, uint8_t value) {
  const uint8_t bytes[2] = {reg, value};
  return I2cWrite(kAuxBus, bytes, 2, kBusTimeoutMs);
}

int32_t CVelmorCy3Cam::ReadAuxRegister(uint8_t reg, uint8_t *out) {
  if (out == nullptr) return 0;
  return I2cWrite(kAuxBus, &reg, 1, kBusTimeoutMs) && I2cRead(kAuxBus | 1, out, 1, kBusTimeoutMs);
}

int32_t CVelmorCy3Cam::WriteEeprom(uint16_t address, uint8_t value) {
  const uint8_t bytes[3] = {uint8_t(address >> 8), uint8_t(address), value};
  if (!I2cWrite(kEepromBus, bytes, 3, kBusTimeoutMs)) return 0;
  platform::sleep_ms(14);
  return 1;
}

int32_t CVelmorCy3Cam::ReadEeprom(uint16_t address, uint8_t *out) {
  if (out == nullptr) return 0;
  const uint8_t bytes[2] = {uint8_t(address >> 8), uint8_t(address)};
  if (!I2cWrite(kEepromBus, bytes, 2, kBusTimeoutMs)) return 0;
  platform::sleep_ms(10);
  return I2cRead(kEepromBus | 1, out, 1, kBusTimeoutMs);
}

int32_t CVelmorCy3Cam::PulseCaptureRestart() {
  return WriteFpgaRegister(kRegCaptureRestart, 1) && WriteFpgaRegister(kRegCaptureRestart, 0);
}

// ---- device and stream --------------------------------------------------

void CVelmorCy3Cam::Close() {
  CloseStream();
  stagingBuffer.reset();
}

int32_t CVelmorCy3Cam::SelectDevice(int32_t rowIndex) {
  CloseStream();
  if (!DeviceExists(rowIndex)) return 0;
  deviceIndex = rowIndex;
  return 1;
}

int32_t CVelmorCy3Cam::OpenStream() {
  const std::lock_guard guard(streamLock);
  if (streamHandle) return 1;
  return OpenDevicePath(&streamHandle, deviceIndex, true);
}

int32_t CVelmorCy3Cam::CloseStream() {
  const std::lock_guard guard(streamLock);
  return CloseDeviceHandle(&streamHandle);
}

void CVelmorCy3Cam::CancelTransfers() {
  cancelled.store(true);
  const std::lock_guard guard(streamLock);
  if (streamHandle) AbortPipe(streamHandle.get());
}

int32_t CVelmorCy3Cam::WaitUnlessCancelled(Overlapped *overlapped, uint32_t milliseconds) {
  // An abort that lands before the request was submitted is missed by it;
  // the slices bound what that costs.
  constexpr uint32_t kSliceMs = 20;
  if (overlapped == nullptr || overlapped->submitError != platform::kUsbPending)
    return WaitSubmitted(overlapped, 0);
  for (uint32_t waited = 0;;) {
    if (cancelled.load()) return 0;
    const uint32_t slice = std::min(kSliceMs, milliseconds - waited);
    if (WaitSubmitted(overlapped, slice)) return 1;
    waited += slice;
    if (waited >= milliseconds) return 0;
  }
}

int32_t CVelmorCy3Cam::AbortTransfer() {
  if (streamHandle) AbortPipe(streamHandle.get());
  return 1;
}

int32_t CVelmorCy3Cam::PrepareStaging() {
  if (!stagingBuffer) {
    stagingBuffer.reset(new (std::nothrow) uint8_t[kStagingSize]);
    if (!stagingBuffer) return 0;
  }
  ResetPort();
  return 1;
}

int32_t CVelmorCy3Cam::ResetPort() {
  DeviceHandle handle;
  return OpenDevicePath(&handle, deviceIndex, false) && ResetParentPort(handle.get());
}

int32_t CVelmorCy3Cam::ResetPipe(uint8_t endpoint) {
  DeviceHandle handle;
  return OpenDevicePath(&handle, deviceIndex, false) && ResetPipe(handle.get(), endpoint);
}

int32_t CVelmorCy3Cam::GetDeviceSpeed(uint32_t *speed) {
  DeviceHandle handle;
  if (!OpenDevicePath(&handle, deviceIndex, false)) return 0;
  GetDeviceSpeed(handle.get(), speed);
  return 1;
}

int32_t CVelmorCy3Cam::GetDeviceName(int32_t rowIndex, char *text, std::size_t capacity) {
  if (text == nullptr || capacity == 0 || !DeviceExists(rowIndex)) return 0;
  const DeviceRow row = GetDeviceRow(rowIndex);
  for (const DeviceModel &model : std::span(kDeviceModels)) {
    if (model.productId != row.productId) continue;
    const int written = std::snprintf(text, capacity, "%s_%02d", model.name, row.instance);
    return written > 0 && std::size_t(written) < capacity ? 1 : 0;
  }
  return 0;
}

// ---- bulk transfers -----------------------------------------------------

int32_t CVelmorCy3Cam::DirectTransfer(platform::UsbDevice *device, uint8_t *buffer, uint32_t length,
                                      uint8_t endpoint, uint32_t *transferred, uint32_t timeoutMs) {
  uint32_t count = 0;
  int32_t ok = 0;
  if (length <= kMaxTransfer && device != nullptr && stagingBuffer) {
    Overlapped overlapped{device->NewIo()};
    if (overlapped.io) {
      auto record = SubmitDirect(device, buffer, length, endpoint, &overlapped);
      if (WaitUnlessCancelled(&overlapped, timeoutMs))
        ok = CompleteDirect(device, &overlapped, std::move(record), &count);
      else if (overlapped.submitError == platform::kUsbPending)
        DrainAbandoned(device, endpoint, *overlapped.io);
    }
  }
  if (transferred) *transferred = count;
  return ok;
}

int32_t CVelmorCy3Cam::TransferSync(platform::UsbDevice *device, uint8_t *buffer, uint32_t length,
                                    uint8_t endpoint, uint32_t *transferred) {
  ArmHeaderRead(device);
  return DirectTransfer(device, buffer, length, endpoint, transferred, kSyncWaitMs);
}

int32_t CVelmorCy3Cam::TransferWithTimeout(platform::UsbDevice *device, uint8_t *buffer,
                                           uint32_t length, uint8_t endpoint, uint32_t *transferred,
                                           uint32_t timeoutMs) {
  return DirectTransfer(device, buffer, length, endpoint, transferred, timeoutMs);
}

int32_t CVelmorCy3Cam::TransferOut(platform::UsbDevice *device, const uint8_t *buffer,
                                   uint32_t length, uint8_t endpoint, uint32_t *transferred) {
  // The driver only reads an OUT transfer's buffer.
  return DirectTransfer(device, const_cast<uint8_t *>(buffer), length, endpoint, transferred,
                        kOutWaitMs);
}

int32_t CVelmorCy3Cam::TransferBuffered(platform::UsbDevice *device, uint8_t *data, uint32_t length,
                                        uint8_t endpoint, uint32_t *transferred) {
  if (transferred) *transferred = 0;
  if (!stagingBuffer || length > kMaxTransfer || (data == nullptr && length > 0)) return 0;
  SingleTransfer record;
  record.setEndpoint(endpoint);
  record.setBuffer(SingleTransfer::kSize, length);
  record.WriteTo(stagingBuffer.get());
  const bool in = endpoint & 0x80;
  if (!in && length > 0) std::memcpy(stagingBuffer.get() + SingleTransfer::kSize, data, length);
  uint32_t returned = 0;
  if (!TransferNonEp0(device, stagingBuffer.get(), SingleTransfer::kSize + length, &returned))
    return 0;
  const uint32_t count =
      std::min(length, returned >= SingleTransfer::kSize ? returned - SingleTransfer::kSize : 0);
  if (in && count > 0) std::memcpy(data, stagingBuffer.get() + SingleTransfer::kSize, count);
  if (transferred) *transferred = count;
  return 1;
}

int32_t CVelmorCy3Cam::ReadFrameHeader(TransferDescriptor *descriptor, int32_t) {
  if (descriptor == nullptr) return 0;
  const bool opened = !streamHandle;
  if (!OpenStream()) return 0;
  if (ArmHeaderRead()) {
    for (int attempt = 0; attempt < headerAttempts.load() && !cancelled.load(); ++attempt) {
      uint8_t header[64];
      uint32_t count = 0;
      if (TransferWithTimeout(stream(), header, 64, kBulkIn, &count, kHeaderWaitMs) &&
          count == 64) {
        std::memcpy(descriptor->header, header, 64);
        descriptor->counterCopy = Load32(header + 32);
        return 1;
      }
      PulseCaptureRestart();
      platform::sleep_ms(10);
      if (!ArmHeaderRead()) break;
    }
  }
  if (opened) CloseStream();
  return 0;
}

int32_t CVelmorCy3Cam::ReadFramePayload(TransferDescriptor *descriptor, uint32_t timeoutMs) {
  if (descriptor == nullptr) return 0;
  const StreamScope scope(*this);
  if (!OpenStream()) return 0;
  const uint32_t length = descriptor->payloadLength();
  if (length > descriptor->capacity || (descriptor->buffer == nullptr && length > 0)) return 0;
  return ReadChunks(stream(), descriptor->buffer, length, timeoutMs);
}

// A single request at a time leaves the bus idle between chunks, well below
// the camera's data rate; so the next chunks are already queued, in wire
// order, while the oldest one is awaited with the caller's time-out.
int32_t CVelmorCy3Cam::ReadChunks(platform::UsbDevice *device, uint8_t *buffer, uint32_t length,
                                  uint32_t timeoutMs) {
  struct Chunk {
    Overlapped overlapped;
    std::unique_ptr<SingleTransfer> record;
  };
  std::deque<Chunk> queue;
  uint32_t submitted = 0;
  bool ok = device != nullptr;
  while (ok && (submitted < length || !queue.empty())) {
    while (submitted < length && queue.size() < chunksInFlight) {
      const uint32_t chunk = std::min(kPayloadChunk, length - submitted);
      Chunk next{{device->NewIo()}, nullptr};
      if (!next.overlapped.io) {
        ok = false;
        break;
      }
      next.record = SubmitDirect(device, buffer + submitted, chunk, kBulkIn, &next.overlapped);
      const uint32_t error = next.overlapped.submitError;
      if (error == platform::kUsbNoResources && !queue.empty()) {
        chunksInFlight = uint32_t(queue.size());
        break;
      }
      if (error != platform::kUsbCompleted && error != platform::kUsbPending) {
        ok = false;
        break;
      }
      queue.push_back(std::move(next));
      submitted += chunk;
    }
    if (!ok || queue.empty()) {
      ok = false;
      break;
    }
    Chunk &oldest = queue.front();
    if (WaitUnlessCancelled(&oldest.overlapped, timeoutMs)) {
      ok = CompleteDirect(device, &oldest.overlapped, std::move(oldest.record), nullptr) != 0;
    } else {
      DrainAbandoned(device, kBulkIn, *oldest.overlapped.io);
      ok = false;
    }
    queue.pop_front();
  }
  // The chunks still queued after a failure are cancelled, and each awaited,
  // before their buffers and records are given up.
  if (!queue.empty()) device->AbortPipe(kBulkIn);
  for (Chunk &chunk : queue)
    if (chunk.overlapped.submitError == platform::kUsbPending) chunk.overlapped.io->Wait(-1);
  return ok ? 1 : 0;
}

// The read may not exceed the buffer: `expectedLength` is checked against
// the capacity.
int32_t CVelmorCy3Cam::ReadFrameSingle(TransferDescriptor *descriptor) {
  if (descriptor == nullptr || descriptor->buffer == nullptr ||
      descriptor->expectedLength > descriptor->capacity)
    return 0;
  const StreamScope scope(*this);
  if (!OpenStream()) return 0;
  uint32_t count = 0;
  return TransferSync(stream(), descriptor->buffer, descriptor->expectedLength, kSingleIn,
                      &count) &&
         count == descriptor->expectedLength;
}

int32_t CVelmorCy3Cam::MemoryTransfer(bool write, uint64_t address, uint8_t *data, uint64_t total,
                                      uint64_t maxChunk) {
  for (uint64_t at = 0; at < total;) {
    const uint32_t chunk = uint32_t(std::min(total - at, maxChunk));
    const auto block = CommandBlock(write, address, chunk);
    uint32_t count = 0;
    if (!TransferOut(stream(), block.data(), 32, kBulkOut, &count)) return 0;
    const int32_t ok =
        write ? TransferOut(stream(), data + at, chunk, kBulkOut, &count)
              : TransferWithTimeout(stream(), data + at, chunk, kBulkIn, &count, kOutWaitMs);
    if (!ok) platform::sleep_ms(1);
    if (count != chunk) return 0;
    address += chunk;
    at += chunk;
  }
  return 1;
}

int32_t CVelmorCy3Cam::ReadMemory(uint64_t address, uint8_t *destination, uint64_t length) {
  if (destination == nullptr) return 0;
  const StreamScope scope(*this);
  if (!OpenStream()) return 0;
  return MemoryTransfer(false, address, destination, length / kPage * kPage + kPage, kMemoryChunk);
}

int32_t CVelmorCy3Cam::WriteMemory(uint64_t address, const uint8_t *source, uint64_t length) {
  if (source == nullptr) return 0;
  const StreamScope scope(*this);
  if (!OpenStream()) return 0;
  // Written only as the source of OUT transfers.
  return MemoryTransfer(true, address, const_cast<uint8_t *>(source),
                        length / kPage * kPage + kPage, kMemoryChunk);
}

int32_t CVelmorCy3Cam::ReadFrameFromMemory(TransferDescriptor *descriptor, uint64_t *length) {
  if (descriptor == nullptr || length == nullptr || descriptor->buffer == nullptr) return 0;
  int32_t ok = 0;
  {
    const StreamScope scope(*this);
    if (!OpenStream()) return 0;
    uint8_t regs[7] = {};
    for (int i = 0; i < 7; ++i)
      if (!ReadFpgaRegister(uint8_t(kRegMemoryAddress + i), &regs[i])) return 0;
    const uint64_t address = uint64_t(Load32(regs)) * 256 * (descriptor->counterCopy & 0xFFFF);
    WriteFpgaRegister(kRegMemoryCommand, 2);
    const uint64_t total = *length / kFramePage * kFramePage + kFramePage;
    if (total > descriptor->capacity) return 0;
    ok = MemoryTransfer(false, address, descriptor->buffer, total, kFrameChunk);
    if (ok) *length = total;
  }
  if (!ok) return 0;
  PulseCaptureRestart();
  return 1;
}

}  // namespace velmor
