// CVelmorCy3Cam: the FX3 controller. It turns the requests of the engine and
// the sensor drivers into the camera's vendor requests on endpoint 0, the
// serial-bus devices behind the FX3 (FPGA, auxiliary device, EEPROM), bulk
// reads of frame headers and payloads and the camera-memory command blocks.
#pragma once

#include <atomic>
#include <cstddef>
#include <cstdint>
#include <memory>
#include <mutex>

#include "transport/ControllerBase.h"
#include "transport/Fx3Api.h"

namespace velmor {

class CVelmorCy3Cam : public CFx3Api, public CControllerBase {
 public:
  // The staging buffer of the buffered transfer: 64 MiB plus the record.
  static constexpr std::size_t kStagingSize = (64u << 20) + platform::SingleTransfer::kSize;
  static constexpr uint32_t kMaxTransfer = 64u << 20;

  // `guid` null: {328184C5-93E6-49B7-94B8-2ADA13AABB39}.
  explicit CVelmorCy3Cam(const platform::UsbGuid *guid = nullptr);
  ~CVelmorCy3Cam() override;

  // ---- CControllerBase ----
  void Close() override;
  int32_t SelectDevice(int32_t rowIndex) override;
  int32_t ReadFpgaWord(uint16_t *out) override;
  int32_t I2cWrite(uint8_t device, const uint8_t *data, uint8_t count, uint32_t timeoutMs) override;
  int32_t I2cRead(uint8_t device, uint8_t *data, uint8_t count, uint32_t timeoutMs) override;
  int32_t WriteRegister32(uint16_t reg, uint32_t value) override;
  int32_t ReadRegister16(uint16_t reg, uint32_t *out) override;
  int32_t WriteWordPair(uint16_t first, uint16_t second) override;
  int32_t ReadWord(uint16_t address, uint32_t *out) override;
  int32_t WriteFpgaRegister(uint8_t reg, uint8_t value) override;
  int32_t ReadFpgaRegister(uint8_t reg, uint8_t *out) override;
  int32_t WriteAuxRegister(uint8_t reg, uint8_t value) override;
  int32_t ReadAuxRegister(uint8_t reg, uint8_t *out) override;
  int32_t AbortTransfer() override;

  // A stop from another thread: every bulk wait of the stream ends within
  // one poll slice and fails, the pending frame reads are aborted, and no
  // new one waits until ResumeTransfers.
  void CancelTransfers();
  void ResumeTransfers() { cancelled.store(false); }
  bool TransfersCancelled() const { return cancelled.load(); }
  // The header reads one frame header is given (30 by default); a host
  // that must give up on a stalled camera sooner lowers it.
  void SetHeaderAttempts(int attempts) { headerAttempts.store(attempts < 1 ? 1 : attempts); }

  // ---- primary table, after the destructor ----
  virtual int32_t OpenStream();
  // Arms and reads the next frame header: up to 30 reads of 200 ms, with a
  // capture restart pulse and a new arm after each failed one.
  virtual int32_t ReadFrameHeader(TransferDescriptor *descriptor, int32_t waitHint);
  // Reads the header's payload length into the descriptor's buffer in
  // 512 KiB chunks; refuses a payload larger than the capacity.
  virtual int32_t ReadFramePayload(TransferDescriptor *descriptor, uint32_t timeoutMs);
  // One read of `expectedLength` bytes from IN endpoint 0x83.
  virtual int32_t ReadFrameSingle(TransferDescriptor *descriptor);
  // Reads the frame the FPGA stored in camera memory; `length` gives the
  // bytes wanted and receives the bytes read (rounded up to 16 KiB, plus
  // 16 KiB, which must fit the descriptor's capacity).
  virtual int32_t ReadFrameFromMemory(TransferDescriptor *descriptor, uint64_t *length);
  virtual int32_t CloseStream();
  // Camera memory through "AU3W"/"AU3R" command blocks. The length is
  // rounded down to whole 4 KiB pages plus one page, and `source` or
  // `destination` must hold that many bytes.
  virtual int32_t WriteMemory(uint64_t address, const uint8_t *source, uint64_t length);
  virtual int32_t ReadMemory(uint64_t address, uint8_t *destination, uint64_t length);
  virtual int32_t WriteEeprom(uint16_t address, uint8_t value);
  virtual int32_t ReadEeprom(uint16_t address, uint8_t *out);
  virtual int32_t SendRequestCC();
  virtual int32_t WriteControlByte(uint8_t value);
  virtual int32_t ReadControlByte(uint8_t *out);
  virtual int32_t TransferBuffered(platform::UsbDevice *device, uint8_t *data, uint32_t length,
                                   uint8_t endpoint, uint32_t *transferred);
  // Arms a header read on the handle, then one direct transfer of 5000 ms.
  virtual int32_t TransferSync(platform::UsbDevice *device, uint8_t *buffer, uint32_t length,
                               uint8_t endpoint, uint32_t *transferred);
  virtual int32_t TransferWithTimeout(platform::UsbDevice *device, uint8_t *buffer, uint32_t length,
                                      uint8_t endpoint, uint32_t *transferred, uint32_t timeoutMs);
  virtual int32_t TransferOut(platform::UsbDevice *device, const uint8_t *buffer, uint32_t length,
                              uint8_t endpoint, uint32_t *transferred);

  // ---- called by the engine directly ----
  using CFx3Api::GetDeviceSpeed;
  using CFx3Api::ResetPipe;
  int32_t PrepareStaging();
  int32_t ResetPort();
  int32_t ResetPipe(uint8_t endpoint);
  int32_t GetDeviceSpeed(uint32_t *speed);
  int32_t ClearStream();
  // Vendor request 0xC2 on `device`, or on the stream handle when null.
  int32_t ArmHeaderRead(platform::UsbDevice *device = nullptr);
  int32_t ReadInfoBlock(uint8_t *block64);
  int32_t ReadInfoBlock2(uint8_t *block64);
  int32_t ReadStatusByte(uint8_t *out);
  // "<model>_<instance as two digits>" for a row whose product ID has a model
  // name; 0 when the row does not exist or open, or the model is unnamed.
  int32_t GetDeviceName(int32_t rowIndex, char *text, std::size_t capacity);

  platform::UsbDevice *stream() const { return streamHandle.get(); }

 private:
  struct Reply {
    int32_t ok = 0;
    uint32_t dataCount = 0;  // data bytes returned, the record not counted
    uint8_t data[64] = {};
  };
  // One vendor request; on its own synchronous handle unless `device` is given.
  Reply VendorRequest(platform::UsbDevice *device, uint8_t requestType, uint8_t request,
                      uint16_t value, uint16_t index, const uint8_t *data = nullptr,
                      uint32_t length = 0);
  int32_t DirectTransfer(platform::UsbDevice *device, uint8_t *buffer, uint32_t length,
                         uint8_t endpoint, uint32_t *transferred, uint32_t timeoutMs);
  // Reads `length` bytes from bulk IN in payload chunks, several in flight.
  int32_t ReadChunks(platform::UsbDevice *device, uint8_t *buffer, uint32_t length,
                     uint32_t timeoutMs);
  int32_t MemoryTransfer(bool write, uint64_t address, uint8_t *data, uint64_t total,
                         uint64_t maxChunk);
  int32_t PulseCaptureRestart();
  // WaitSubmitted in slices, ending early (0) once the transfers are cancelled.
  int32_t WaitUnlessCancelled(Overlapped *overlapped, uint32_t milliseconds);

  // Opened lazily by the bulk operations; used by one thread at a time.
  // Opening and closing it take streamLock, so that a cancel from another
  // thread aborts its pipe only while it exists.
  DeviceHandle streamHandle;
  std::mutex streamLock;
  std::atomic<bool> cancelled{false};
  std::atomic<int> headerAttempts{30};
  std::unique_ptr<uint8_t[]> stagingBuffer;
  std::mutex registerLock;
  // Payload chunks kept in flight; lowered for good when the system runs out
  // of memory for USB requests.
  uint32_t chunksInFlight = 4;
};

}  // namespace velmor
