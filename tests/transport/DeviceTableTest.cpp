// Enumeration into the shared camera table and the table's lifetime among
// the users of one process.
#include <cstring>

#include "TransportFixture.h"
#include "transport/Fx3Api.h"

namespace velmor {
namespace {

using Enumeration = TransportFixture;

platform::UsbGuid CameraGuid() { return platform::kCameraInterfaceGuid; }

TEST_F(Enumeration, RecordsEveryCameraWithItsInstance) {
  for (int cameras : {0, 1, 3}) {
    ASSERT_TRUE(Hub().Configure(std::to_string(cameras)));
    CFx3Api api;
    const platform::UsbGuid guid = CameraGuid();
    ASSERT_EQ(api.SetInterfaceGuid(&guid), 1);
    EXPECT_EQ(api.EnumerateDevices(), cameras);
    for (int row = 0; row < cameras; ++row) {
      EXPECT_EQ(api.GetVendorIdAt(row), emulator::kEmulatedVendorId);
      EXPECT_EQ(api.GetProductIdAt(row), 0x32F0);
      EXPECT_EQ(api.GetInstanceAt(row), row);
      EXPECT_EQ(api.GetDeviceRow(row).devicePath, Hub().Camera(row)->path());
      EXPECT_EQ(api.DeviceExists(row), 1);
    }
    EXPECT_EQ(api.EnumerateDevices(), cameras) << "re-enumeration adds nothing";
  }
}

TEST_F(Enumeration, NeedsTheCameraGuid) {
  ASSERT_TRUE(Hub().Configure("2"));
  CFx3Api api;
  EXPECT_EQ(api.EnumerateDevices(), 0);
  EXPECT_EQ(api.SetInterfaceGuid(nullptr), 0);
}

TEST_F(Enumeration, OtherProductsAreRecordedButCountedApart) {
  ASSERT_TRUE(Hub().Configure("0x32F0,0x3020,0x32F0"));
  CFx3Api api;
  const platform::UsbGuid guid = CameraGuid();
  api.SetInterfaceGuid(&guid);
  ASSERT_EQ(api.EnumerateDevices(), 3);
  EXPECT_EQ(api.GetProductIdAt(1), 0x3020);
  EXPECT_EQ(api.GetInstanceAt(0), 0);
  EXPECT_EQ(api.GetInstanceAt(1), 0);
  EXPECT_EQ(api.GetInstanceAt(2), 1);
}

TEST_F(Enumeration, MalformedIdsGiveZeroAndPathsStillTellRowsApart) {
  Hub().Add(0x32F0, "\\\\?\\usb#vid_zz12&pid_xyz9#a#{328184c5-93e6-49b7-94b8-2ada13aabb39}");
  Hub().Add(0x32F0, "\\\\?\\usb#vid_qqqq&pid_wwww#b#{328184c5-93e6-49b7-94b8-2ada13aabb39}");
  Hub().Add(0x32F0, "short");
  Hub().Add(0x32F0, "\\\\?\\usb#vid_12zz&pid_0042#c");
  CFx3Api api;
  const platform::UsbGuid guid = CameraGuid();
  api.SetInterfaceGuid(&guid);
  ASSERT_EQ(api.EnumerateDevices(), 4);
  for (int row = 0; row < 3; ++row) {
    EXPECT_EQ(api.GetVendorIdAt(row), 0);
    EXPECT_EQ(api.GetProductIdAt(row), 0);
    EXPECT_EQ(api.GetInstanceAt(row), row) << "free rows do not count as cameras";
  }
  EXPECT_EQ(api.GetVendorIdAt(3), 0x12) << "parsing stops at the first non-digit";
  EXPECT_EQ(api.GetProductIdAt(3), 0x42);
}

TEST_F(Enumeration, PathsTooLongForARowAreSkipped) {
  Hub().Add(0x32F0, "\\\\?\\usb#vid_0e4d&pid_32f0#" + std::string(300, 'x'));
  Hub().Add(0x32F0);
  CFx3Api api;
  const platform::UsbGuid guid = CameraGuid();
  api.SetInterfaceGuid(&guid);
  EXPECT_EQ(api.EnumerateDevices(), 1);
}

TEST_F(Enumeration, StopsAtThirtyTwoRowsAndNeverRemovesOne) {
  ASSERT_TRUE(Hub().Configure("32"));
  CFx3Api api;
  const platform::UsbGuid guid = CameraGuid();
  api.SetInterfaceGuid(&guid);
  ASSERT_EQ(api.EnumerateDevices(), 32);
  EXPECT_EQ(api.GetInstanceAt(31), 31);
  ASSERT_TRUE(Hub().Camera(0)->Set("unplug", 1));
  Hub().Add(0x32F0);  // now among the first 32 listed
  EXPECT_EQ(api.EnumerateDevices(), 32);
  EXPECT_EQ(api.DeviceExists(0), 0) << "the unplugged camera keeps its row";
  EXPECT_STREQ(api.GetDeviceRow(0).devicePath, Hub().Camera(0)->path().c_str());
  ASSERT_TRUE(Hub().Camera(0)->Set("unplug", 0));
  EXPECT_EQ(api.DeviceExists(0), 1) << "it comes back on its old row";
}

TEST_F(Enumeration, OpenRefusesRowsOutsideTheTable) {
  ASSERT_TRUE(Hub().Configure("1"));
  CFx3Api api;
  const platform::UsbGuid guid = CameraGuid();
  api.SetInterfaceGuid(&guid);
  ASSERT_EQ(api.EnumerateDevices(), 1);
  DeviceHandle handle;
  EXPECT_EQ(api.OpenDevicePath(nullptr, 0, false), 0);
  EXPECT_EQ(api.OpenDevicePath(&handle, 32, false), 0);
  EXPECT_EQ(api.OpenDevicePath(&handle, -1, false), 0);
  EXPECT_EQ(api.OpenDevicePath(&handle, 1, false), 0);
  EXPECT_FALSE(handle);
  EXPECT_EQ(api.OpenDevicePath(&handle, 0, true), 1);
  EXPECT_EQ(CFx3Api::CloseDeviceHandle(&handle), 1);
  EXPECT_EQ(CFx3Api::CloseDeviceHandle(&handle), 0);
  EXPECT_EQ(api.GetVendorIdAt(32), 0);
  EXPECT_EQ(api.GetProductIdAt(32), 0);
  EXPECT_EQ(api.GetInstanceAt(32), -1);
}

class SharedTable : public TransportFixture {
 protected:
  // One camera listed by `holder`, which keeps the map alive, and the map
  // as another process would open it.
  auto ListOneCamera(CFx3Api &holder) {
    EXPECT_TRUE(Hub().Configure("1"));
    const platform::UsbGuid guid = CameraGuid();
    holder.SetInterfaceGuid(&guid);
    EXPECT_EQ(holder.EnumerateDevices(), 1);
    auto view = platform::SharedMemory::Open(mapName_, DeviceTable::kMapSize);
    EXPECT_TRUE(view) << "the map cannot be opened";
    return view;
  }
};

TEST_F(SharedTable, UsersShareRowsAndTheLastDetachResets) {
  ASSERT_TRUE(Hub().Configure("2"));
  {
    CFx3Api first;
    const platform::UsbGuid guid = CameraGuid();
    first.SetInterfaceGuid(&guid);
    ASSERT_EQ(first.EnumerateDevices(), 2);
    EXPECT_EQ(DeviceTable::Process().Users(), 1);
    CFx3Api second;
    EXPECT_EQ(DeviceTable::Process().Users(), 2);
    EXPECT_EQ(second.GetDeviceRowCount(), 2) << "rows survive while a user holds the table";
  }
  EXPECT_EQ(DeviceTable::Process().Users(), 0);
  CFx3Api later;
  EXPECT_EQ(later.GetDeviceRowCount(), 0) << "the last detach leaves an empty table";
}

// The map as another process would see it: users at 0, rows from 4, count at 8580.
TEST_F(SharedTable, MapHoldsTheDocumentedLayout) {
  CFx3Api api;
  const auto view = ListOneCamera(api);
  ASSERT_TRUE(view);
  const uint8_t *map = view->data();
  EXPECT_EQ(map[0], 1);  // mapUsers
  EXPECT_EQ(map[4] | map[5] << 8, emulator::kEmulatedVendorId);
  EXPECT_EQ(map[6] | map[7] << 8, 0x32F0);
  EXPECT_EQ(map[8], 0);  // instance
  EXPECT_STREQ(reinterpret_cast<const char *>(map + 12), Hub().Camera(0)->path().c_str());
  EXPECT_EQ(map[4 + 268 + 4], 0xFF) << "free rows carry instance -1";
  EXPECT_EQ(map[8580], 1);  // deviceRowCount
}

TEST_F(SharedTable, MalformedMapIsRepairedOnAttach) {
  CFx3Api holder;  // keeps the map alive while it is corrupted
  const auto view = ListOneCamera(holder);
  ASSERT_TRUE(view);
  uint8_t *map = view->data();
  std::memset(map + 12, 'x', 260);  // unterminated path
  {
    CFx3Api attached;
    EXPECT_EQ(std::strlen(attached.GetDeviceRow(0).devicePath), 259u);
  }
  map[8580] = 33;  // row count out of range
  {
    CFx3Api attached;
    EXPECT_EQ(attached.GetDeviceRowCount(), 0);
  }
  std::memset(map, 0xFF, 4);  // negative users
  map[8580] = 1;
  {
    CFx3Api attached;
    EXPECT_EQ(DeviceTable::Process().Users(), 1) << "a negative count is not trusted";
    EXPECT_EQ(attached.GetDeviceRowCount(), 0);
  }
}

TEST_F(SharedTable, ImplausibleUsersAndRowsAreNotTrusted) {
  CFx3Api holder;
  const auto view = ListOneCamera(holder);
  ASSERT_TRUE(view);
  uint8_t *map = view->data();
  const uint8_t highestCount[4] = {0xFF, 0xFF, 0xFF, 0x7F};
  std::memcpy(map, highestCount, 4);  // the next attach would overflow it
  {
    CFx3Api attached;
    EXPECT_EQ(DeviceTable::Process().Users(), 1);
    EXPECT_EQ(attached.GetDeviceRowCount(), 0) << "the table is rebuilt";
  }
  ASSERT_EQ(holder.EnumerateDevices(), 1);
  map[0] = 1;  // the holder, whose count the rebuild dropped
  // A row in use without a product, with an impossible instance, or without
  // a path is freed; the good row stays.
  map[8580] = 4;
  const auto row = [&](int index) { return map + 4 + 268 * index; };
  std::memcpy(row(1), row(0), 268);
  row(1)[2] = row(1)[3] = 0;  // no product
  std::memcpy(row(2), row(0), 268);
  row(2)[4] = 40;  // instance beyond the table
  std::memcpy(row(3), row(0), 268);
  row(3)[8] = 0;  // empty path
  CFx3Api attached;
  EXPECT_EQ(attached.GetProductIdAt(0), 0x32F0);
  for (int index : {1, 2, 3}) {
    EXPECT_EQ(attached.GetProductIdAt(index), 0) << index;
    EXPECT_EQ(attached.GetInstanceAt(index), -1) << index;
  }
}

}  // namespace
}  // namespace velmor
