// One emulated camera as seen over USB: the FX3 firmware's vendor requests,
// the devices on its serial bus (FPGA register file, IMX487, auxiliary
// register file, EEPROM), frames on bulk IN 0x81 and the camera memory
// behind command blocks on bulk OUT 0x01. Test knobs change its behaviour.
#pragma once

#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <cstdlib>
#include <list>
#include <memory>
#include <mutex>
#include <string>
#include <string_view>
#include <vector>

#include "emulator/FrameRenderer.h"
#include "emulator/Imx487Model.h"
#include "emulator/RequestLog.h"
#include "platform/UsbDriver.h"

namespace velmor::emulator {

// Fixed FPGA version of every emulated camera (registers 0x11, 0x10).
inline constexpr uint16_t kFpgaVersion = 0x1234;
// Revision in bytes 24-25 of the information block.
inline constexpr uint16_t kFirmwareRevision = 0x1100;
inline constexpr std::size_t kEepromSize = 8192;
inline constexpr std::size_t kCameraMemorySize = 64u << 20;

// A bulk request the camera works on, kept by the host's OVERLAPPED record.
// Its state is guarded by the camera's lock.
struct BulkRequest {
  uint8_t *record = nullptr;  // the request's SingleTransfer; status written back
  uint8_t *data = nullptr;
  uint32_t length = 0;
  uint8_t endpoint = 0;
  uint32_t extra = 0;  // bytes counted on top of the data (a buffered transfer's record)
  bool pending = false;
  bool dropped = false;  // a header read that is never answered
  bool signalled = false;
  bool ok = false;
  uint32_t transferred = 0;
};

class EmulatedCamera {
 public:
  using Clock = std::chrono::steady_clock;

  EmulatedCamera(int number, uint16_t productId, std::string path, Pattern pattern, int fps);
  EmulatedCamera(const EmulatedCamera &) = delete;
  EmulatedCamera &operator=(const EmulatedCamera &) = delete;

  int number() const { return number_; }
  uint16_t productId() const { return productId_; }
  const std::string &path() const { return path_; }
  // Plugged in; `generation` changes with every unplug, so handles opened
  // before it stay dead after the camera comes back.
  bool Plugged(uint32_t *generation) const;

  // The USB side, called through device handles opened in `generation`.
  bool ControlTransfer(uint32_t generation, uint8_t *buffer, uint32_t size, uint32_t *returned);
  uint32_t Submit(uint32_t generation, BulkRequest &request, RequestKind kind);
  bool Wait(BulkRequest &request, int timeoutMs);
  bool Result(BulkRequest &request, uint32_t *transferred);
  void Forget(BulkRequest &request);
  bool AbortPipe(uint32_t generation, uint8_t endpoint);
  bool ResetPipe(uint32_t generation, uint8_t endpoint);
  bool ResetPort(uint32_t generation);
  bool Speed(uint32_t generation, uint32_t *code);

  // Knobs, counters and register peeks by name; false for an unknown key or
  // a value the knob does not take.
  bool Set(std::string_view key, int value);
  bool Get(std::string_view key, int *value);

  RequestLog &log() { return log_; }

 private:
  using Lock = std::unique_lock<std::mutex>;
  struct Stream {
    uint64_t address = 0;
    uint64_t remaining = 0;
  };
  struct VendorRequest;
  struct Knob;
  static const VendorRequest kVendorRequests[];
  static const Knob kKnobs[];

  bool Connected(uint32_t generation) const { return !unplugged_ && generation == generation_; }

  // Vendor requests: `data` is the data area, `answer` receives the bytes
  // of an IN request. False stalls the request.
  bool I2cWrite(const platform::SingleTransfer &setup, uint8_t *data, uint32_t *answer);
  bool I2cRead(const platform::SingleTransfer &setup, uint8_t *data, uint32_t *answer);
  bool WriteRegister32(const platform::SingleTransfer &setup, uint8_t *data, uint32_t *answer);
  bool ReadRegister16(const platform::SingleTransfer &setup, uint8_t *data, uint32_t *answer);
  bool WriteWordPair(const platform::SingleTransfer &setup, uint8_t *data, uint32_t *answer);
  bool ReadWord(const platform::SingleTransfer &setup, uint8_t *data, uint32_t *answer);
  bool WriteControlByte(const platform::SingleTransfer &setup, uint8_t *data, uint32_t *answer);
  bool ReadControlByte(const platform::SingleTransfer &setup, uint8_t *data, uint32_t *answer);
  bool ReadInfoBlock(const platform::SingleTransfer &setup, uint8_t *data, uint32_t *answer);
  bool ReadInfoBlock2(const platform::SingleTransfer &setup, uint8_t *data, uint32_t *answer);
  bool ReadStatus(const platform::SingleTransfer &setup, uint8_t *data, uint32_t *answer);
  bool ClearStream(const platform::SingleTransfer &setup, uint8_t *data, uint32_t *answer);
  bool ArmHeader(const platform::SingleTransfer &setup, uint8_t *data, uint32_t *answer);
  bool Accept(const platform::SingleTransfer &setup, uint8_t *data, uint32_t *answer);

  // Serial-bus devices by 8-bit address.
  bool BusWrite(uint8_t address, const uint8_t *data, uint32_t count);
  bool BusRead(uint8_t address, uint8_t *data, uint32_t count);
  uint8_t FpgaRead(uint8_t reg, Clock::time_point now);
  void FpgaWrite(uint8_t reg, uint8_t value, Clock::time_point now);

  // Frames: production, the output stream on 0x81 and the memory paths.
  Clock::duration FramePeriod() const;
  void Produce(Clock::time_point now);
  void RestartTiming(Clock::time_point now);
  bool Timed() const { return !triggerMode_ && fps_ != 0; }
  FrameShape CurrentShape() const;
  void Abandon();
  void StoreFrameInMemory();
  bool Serve(BulkRequest &request, Clock::time_point now);
  bool ServeIn(BulkRequest &request, Clock::time_point now);
  bool ServeOut(BulkRequest &request);
  void ServeAll(Clock::time_point now);
  void Complete(BulkRequest &request, bool ok, uint32_t transferred, uint32_t usbStatus = 0);
  void FailPending(uint8_t endpoint, bool allEndpoints);
  void Unplug();
  // The camera memory, allocated on first use; null when it cannot be.
  uint8_t *Memory();
  // False when the camera memory cannot be allocated.
  bool CopyMemory(uint64_t address, uint8_t *to, uint64_t count);
  bool WriteMemory(uint64_t address, const uint8_t *from, uint64_t count);
  bool Peek(std::string_view key, bool write, int *value);
  // Knob side effects.
  void TimingChanged(Clock::time_point now);
  void PlugChanged(Clock::time_point now);
  void StallChanged(Clock::time_point now);

  const int number_;
  const uint16_t productId_;
  const std::string path_;
  RequestLog log_;

  mutable std::mutex mutex_;
  std::condition_variable changed_;
  uint32_t generation_ = 1;

  uint8_t fpga_[256] = {};
  Imx487Model sensor_;
  uint8_t aux_[256] = {};
  std::vector<uint8_t> eeprom_;
  uint8_t fpgaPointer_ = 0, auxPointer_ = 0;
  uint16_t sensorPointer_ = 0, eepromPointer_ = 0;
  std::vector<std::pair<uint16_t, uint32_t>> registers32_;
  std::vector<std::pair<uint16_t, uint16_t>> words_;
  uint8_t controlByte_ = 0;
  Clock::time_point readyAt_;

  // knobs
  int pattern_;
  int fps_;
  int flatLevel_ = 2000, noise_ = 0;
  int dropHeaders_ = 0, failPayload_ = 0, stall_ = 0, unplugged_ = 0, sensorBusy_ = 0;
  int eepromStuck_ = 0;
  int fpgaNotReady_ = 0, triggerMode_ = 0, infoLength_ = 64;
  int framesSent_ = 0, headersSent_ = 0;

  // frames
  uint32_t framesProduced_ = 0;
  bool unsent_ = false;
  Clock::time_point nextFrameAt_;
  bool armed_ = false;
  Payload sending_;
  std::size_t sendOffset_ = 0;
  bool sendingFailed_ = false;  // a chunk of the frame being sent has failed
  Payload lastSent_;
  uint32_t lastSentCounter_ = 0;
  FrameShape cachedShape_;
  Payload cachedFrame_;
  std::list<BulkRequest *> pending_;

  // Allocated zeroed on first use; the system hands out its pages as they
  // are touched, so an unused region costs nothing.
  struct FreeMemory {
    void operator()(uint8_t *memory) const { std::free(memory); }
  };
  std::unique_ptr<uint8_t, FreeMemory> memory_;
  Stream memoryRead_, memoryWrite_;
};

}  // namespace velmor::emulator
