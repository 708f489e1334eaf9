// Emulated cameras served as usbdevfs devices of a umockdev test bed, so the
// libusb backend runs its real code path against the camera firmware. The
// test program re-executes itself under libumockdev-preload, and the test
// bed exists before libusb first scans the bus.
#pragma once

#include <umockdev.h>

#include <cstdint>
#include <list>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

#include "emulator/EmulatedCamera.h"

namespace velmor::usbtest {

// One device node answering the usbdevfs ioctls libusb issues. Control URBs
// run through the camera's vendor requests, bulk URBs become its bulk
// requests; both are answered when libusb reaps them, which it does without
// blocking, so the single umockdev worker never waits here.
class UsbdevfsCamera {
 public:
  UsbdevfsCamera(UMockdevTestbed *testbed, int port, uint16_t vendor, uint16_t product);
  ~UsbdevfsCamera();
  UsbdevfsCamera(const UsbdevfsCamera &) = delete;
  UsbdevfsCamera &operator=(const UsbdevfsCamera &) = delete;

  // A fresh camera behind the node (ends every request of the old one).
  void Reset();
  std::shared_ptr<emulator::EmulatedCamera> camera();
  // Bulk URBs accepted at once; more fail to submit with ENOMEM, as usbfs
  // does when its memory limit is reached. 0: no limit.
  void LimitBulkUrbs(int count);
  // Bulk URBs submitted so far and the most that were in flight at once.
  int BulkSubmitted();
  int MostInFlight();

 private:
  struct Urb;
  static gboolean OnIoctl(UMockdevIoctlBase *, UMockdevIoctlClient *client, gpointer self);
  void Handle(UMockdevIoctlClient *client);
  void Submit(UMockdevIoctlClient *client);
  void Reap(UMockdevIoctlClient *client);
  void Discard(UMockdevIoctlClient *client);
  // Answers a finished URB: its status, length and IN data.
  bool Finish(Urb &urb, UMockdevIoctlData *view);
  bool Ready(Urb &urb);
  int Control(uint8_t *urbBuffer, uint32_t size, uint32_t generation, uint32_t *actual);

  UMockdevTestbed *const testbed_;
  UMockdevIoctlBase *handler_;
  std::string devnode_;
  std::string syspath_;
  std::mutex mutex_;
  std::shared_ptr<emulator::EmulatedCamera> camera_;
  std::list<std::unique_ptr<Urb>> urbs_;
  int limit_ = 0;
  int submitted_ = 0;
  int mostInFlight_ = 0;
  const int port_;
  const uint16_t product_;
};

// The process's test bed with its cameras: port 1 vendor 0x0E4D and port 2
// vendor 0x04B4 (both product 0x32F0), port 3 an unrelated product and port 4
// a camera product of a vendor outside the default list.
class Bed {
 public:
  static Bed &Instance();
  UsbdevfsCamera &Port(int port) { return *cameras_.at(std::size_t(port - 1)); }

 private:
  Bed();
  ~Bed();
  UMockdevTestbed *testbed_;
  std::vector<std::unique_ptr<UsbdevfsCamera>> cameras_;
};

}  // namespace velmor::usbtest
