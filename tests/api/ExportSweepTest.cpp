// Every export called with bad input: unknown, released and zero handles,
// null pointers and extreme numbers. The calls come from the export list and
// the header (ExportSweep.inc is generated from them), so exports added later
// are swept too. Nothing may crash, hang or write through a pointer it was
// not entitled to; run under AddressSanitizer this also catches overruns.
#include <climits>
#include <cstring>
#include <string_view>
#include <type_traits>
#include <vector>

#include "../session/SessionFixture.h"

namespace velmor {
namespace {

struct SweepResult {
  double value = 0;
};

// A pointer argument of whatever type the parameter has.
struct AnyPointer {
  void *pointer;
  template <class T>
  operator T *() const {
    return static_cast<T *>(pointer);
  }
};

// A number argument of whatever arithmetic type the parameter has.
struct AnyNumber {
  int64_t number;
  template <class T>
  requires std::is_arithmetic_v<T>
  operator T() const { return static_cast<T>(number); }
};

struct SweepArguments {
  int32_t handle = 0;
  void *pointer = nullptr;
  int64_t number = 0;
  int32_t h() const { return handle; }
  AnyPointer p() const { return {pointer}; }
  AnyNumber n() const { return {number}; }
};

struct SweepEntry {
  const char *name;
  // One letter per parameter: h the handle, p a pointer, n a number, c a
  // host callback.
  std::string_view kinds;
  SweepResult (*call)(const SweepArguments &);
};

const SweepEntry kExports[] = {
#include "ExportSweep.inc"
};

constexpr int64_t kNumbers[] = {0, -1, INT32_MIN, INT32_MAX};
// Larger than any frame this camera's formats give (2848 x 2848 x 2 bytes).
constexpr std::size_t kScratchBytes = 32u << 20;
constexpr uint8_t kScratchFill = 0xA5;

bool TakesHandle(const SweepEntry &entry) { return entry.kinds.starts_with('h'); }
// Makers of handles and windows have no bad input to sweep.
bool Makes(std::string_view name) {
  return name == "Velmor_Initialize" || name == "Velmor_CreateMessageWindow";
}
// Dialogs wait for the user; a released session cannot be swept.
bool NeedsUserOrEndsSession(std::string_view name) {
  return name.ends_with("Dlg") || name == "Velmor_Release";
}

class ExportSweep : public SessionFixture {
 protected:
  std::vector<uint8_t> scratch = std::vector<uint8_t>(kScratchBytes, kScratchFill);
};

TEST_F(ExportSweep, ListIsGeneratedFromTheHeader) {
  ASSERT_GT(std::size(kExports), 40u);
  for (const SweepEntry &entry : kExports)
    EXPECT_TRUE(std::string_view(entry.name).starts_with("Velmor_")) << entry.name;
}

// A bad handle gives the export's unknown-handle value whatever the other
// arguments are, records nothing anywhere and writes through no pointer.
TEST_F(ExportSweep, BadHandlesGiveOneValueAndTouchNothing) {
  AddCameras(1);
  const int32_t witness = Open(notices);
  Errors(witness);
  const int32_t released = Velmor_Initialize(nullptr);
  ASSERT_EQ(Velmor_Release(released), 1);
  int32_t unknown = released ^ 0x5A5A5A5A;
  while (unknown == 0 || unknown == witness) ++unknown;
  for (const SweepEntry &entry : kExports) {
    if (!TakesHandle(entry)) continue;
    SCOPED_TRACE(entry.name);
    std::optional<double> value;
    for (int32_t handle : {0, released, unknown})
      for (void *pointer : {static_cast<void *>(nullptr), static_cast<void *>(scratch.data())})
        for (int64_t number : kNumbers) {
          const double result = entry.call({handle, pointer, number}).value;
          if (!value) value = result;
          EXPECT_EQ(result, *value) << "handle " << handle << ", number " << number;
        }
  }
  EXPECT_EQ(Errors(witness), std::vector<int32_t>{}) << "a bad handle recorded an error";
  EXPECT_EQ(std::count(scratch.begin(), scratch.end(), kScratchFill), std::ptrdiff_t(kScratchBytes))
      << "an export wrote through a pointer for a bad handle";
}

// A working session with a camera takes null pointers and extreme numbers
// in every export; the sweep ends with the session still releasable.
TEST_F(ExportSweep, LiveSessionSurvivesNullPointersAndExtremeNumbers) {
  Hub().SetDefaults(emulator::Pattern::Ramp, 0);
  AddCameras(1);
  const int32_t handle = Open(notices);
  const SweepArguments variants[] = {{handle, nullptr, INT32_MIN},
                                     {handle, nullptr, -1},
                                     {handle, nullptr, INT32_MAX},
                                     {handle, scratch.data(), 0},
                                     {handle, scratch.data(), INT32_MAX}};
  for (const SweepArguments &arguments : variants)
    for (const SweepEntry &entry : kExports) {
      if (!TakesHandle(entry) || NeedsUserOrEndsSession(entry.name)) continue;
      SCOPED_TRACE(std::string(entry.name) + " with number " + std::to_string(arguments.number));
      entry.call(arguments);
    }
  EXPECT_EQ(Velmor_Close(handle), 1);
}

// Exports without a handle take null pointers and extreme numbers as well.
TEST_F(ExportSweep, HandlelessExportsTakeNullPointersAndExtremeNumbers) {
  AddCameras(1);
  for (const SweepEntry &entry : kExports) {
    if (TakesHandle(entry) || Makes(entry.name)) continue;
    SCOPED_TRACE(entry.name);
    for (int64_t number : kNumbers) entry.call({0, nullptr, number});
  }
}

}  // namespace
}  // namespace velmor
