// Mask calibration of the session: capturing references from frames, mask
// files, configuration files and the two correction switches.
#include <optional>

#include "files/FileHolder.h"
#include "platform/Text.h"
#include "session/Velmor.h"
#include "settings/MaskFile.h"

namespace velmor {
namespace {

constexpr int32_t kSwitchOff = 0, kSwitchOn = 1;

// Runs `operation` with the path in the thread's ANSI code page; a path
// that cannot be converted (or none) is error 12 and result 0.
template <class Operation>
int32_t WithNarrowPath(CVelmor &session, const wchar_t *path, Operation &&operation) {
  std::optional<std::string> narrow;
  if (path != nullptr) narrow = platform::to_narrow(path, platform::CodePage::ThreadAnsi);
  if (!narrow) {
    session.ReportError(VELMOR_ERROR_CONVERSION);
    return 0;
  }
  return operation(narrow->c_str());
}

}  // namespace

imaging::FramePlacement CVelmor::RawPlacement() const {
  return {geometry_.EHS, geometry_.EVS, geometry_.EH, geometry_.EV, subSample_};
}

int32_t CVelmor::SetMaskFilter(int32_t on) {
  if (on != kSwitchOff && on != kSwitchOn) return 0;
  maskFilterOn_ = on;
  return 1;
}

int32_t CVelmor::SetDotFilter(int32_t on) {
  if (on != kSwitchOff && on != kSwitchOn) return 0;
  dotFilterOn_ = on;
  return 1;
}

// Only a frame of the whole sensor is captured: a reduced one would leave
// the reference partly old, and success would report a capture that did
// not happen.
int32_t CVelmor::UpdateMaskData(int32_t kind) {
  if (!engine_) {
    ReportError(VELMOR_ERROR_NO_CAMERA);
    return 0;
  }
  if (kind != int32_t(imaging::ReferenceKind::kDark) &&
      kind != int32_t(imaging::ReferenceKind::kBright)) {
    ReportError(VELMOR_ERROR_CONVERSION);
    return 0;
  }
  std::lock_guard lock(frameLock_);
  const imaging::DibImage *raw = RawImage();
  if (raw == nullptr || !maskCorrection_.Capture(*raw, imaging::ReferenceKind(kind))) {
    ReportError(VELMOR_ERROR_CONVERSION);
    return 0;
  }
  return 1;
}

// The file is read whole and checked before anything changes; the new
// references replace the old ones in one step.
int32_t CVelmor::LoadMaskFile(const char *path) {
  if (!engine_) {
    ReportError(VELMOR_ERROR_NO_CAMERA);
    return 0;
  }
  files::FileHolder file;
  const uint8_t *content = path != nullptr ? file.OpenForRead(path) : nullptr;
  const auto blocks = content ? ParseMaskFile(content, file.contentSize()) : std::nullopt;
  if (!blocks) {
    ReportError(VELMOR_ERROR_MASK_FILE);
    return 0;
  }
  maskCorrection_.Load(*blocks);
  return 1;
}

int32_t CVelmor::LoadMaskFile(const wchar_t *path) {
  return WithNarrowPath(*this, path, [&](const char *narrow) { return LoadMaskFile(narrow); });
}

// Header and blocks go out in whole-block writes; a file that could not be
// written whole (a full disk) fails like one that could not be created.
int32_t CVelmor::SaveMaskFile(const char *path) {
  if (!engine_) {
    ReportError(VELMOR_ERROR_NO_CAMERA);
    return 0;
  }
  files::FileHolder file;
  const bool written = path != nullptr && file.OpenForWrite(path) &&
                       maskCorrection_.Save([&](const imaging::ReferenceBlocks &blocks) {
                         using imaging::ReferenceBlocks;
                         const auto header = MaskFileHeader();
                         return file.Write(header.data(), header.size()) &&
                                file.Write(blocks.dark8, ReferenceBlocks::kBytes8) &&
                                file.Write(blocks.bright8, ReferenceBlocks::kBytes8) &&
                                file.Write(blocks.dark16, ReferenceBlocks::kBytes16) &&
                                file.Write(blocks.bright16, ReferenceBlocks::kBytes16);
                       }) &&
                       file.Close();
  if (!written) {
    ReportError(VELMOR_ERROR_MASK_FILE);
    return 0;
  }
  return 1;
}

int32_t CVelmor::SaveMaskFile(const wchar_t *path) {
  return WithNarrowPath(*this, path, [&](const char *narrow) { return SaveMaskFile(narrow); });
}

// A missing file returns 0 without an error code.
int32_t CVelmor::LoadConfigFile(const char *path) {
  files::FileHolder file;
  const uint8_t *content = path != nullptr ? file.OpenForRead(path) : nullptr;
  if (content == nullptr) return 0;
  std::vector<ConfigPair> pairs = ParseConfigFile(content, file.contentSize());
  std::lock_guard lock(frameLock_);
  configList_.swap(pairs);
  return 1;
}

int32_t CVelmor::LoadConfigFile(const wchar_t *path) {
  return WithNarrowPath(*this, path, [&](const char *narrow) { return LoadConfigFile(narrow); });
}

}  // namespace velmor
