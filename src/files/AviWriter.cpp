#include "files/AviWriter.h"

#include <cstdint>
#include <string_view>

namespace velmor::files {
namespace {

// Little-endian chunk bytes built in memory before one write.
class Bytes {
 public:
  Bytes &Tag(std::string_view fourcc) {
    bytes_.insert(bytes_.end(), fourcc.begin(), fourcc.begin() + 4);
    return *this;
  }
  Bytes &U8(uint8_t value) {
    bytes_.push_back(value);
    return *this;
  }
  Bytes &U16(uint16_t value) { return Le(value, 2); }
  Bytes &U32(uint32_t value) { return Le(value, 4); }
  Bytes &U64(uint64_t value) { return Le(value, 8); }
  Bytes &Zeros(std::size_t count) {
    bytes_.insert(bytes_.end(), count, 0);
    return *this;
  }
  std::size_t size() const { return bytes_.size(); }
  const uint8_t *data() const { return bytes_.data(); }

 private:
  Bytes &Le(uint64_t value, int count) {
    for (int i = 0; i < count; ++i) bytes_.push_back(uint8_t(value >> (8 * i)));
    return *this;
  }
  std::vector<uint8_t> bytes_;
};

bool Put32(FileHolder &file, uint64_t offset, uint32_t value) {
  const uint8_t bytes[4] = {uint8_t(value), uint8_t(value >> 8), uint8_t(value >> 16),
                            uint8_t(value >> 24)};
  return file.WriteAt(offset, bytes, sizeof bytes);
}

// Frame chunks are "00db": stream 0, uncompressed video.
constexpr std::string_view kFrameTag = "00db";
constexpr uint32_t kKeyFrame = 0x10;
// avih flags: has an index, made by capture.
constexpr uint32_t kMainFlags = 0x00010010;
constexpr uint32_t kStreamRate = 10000000;
constexpr uint32_t kMainHeaderBytes = 56;
constexpr uint32_t kStreamHeaderBytes = 64;
constexpr uint32_t kFormatBytes = 40;
// OpenDML index types.
constexpr uint8_t kIndexOfIndexes = 0;
constexpr uint8_t kIndexOfChunks = 1;
constexpr uint32_t kIndexHeaderBytes = 24;
constexpr uint32_t kSuperIndexEntryBytes = 16;
constexpr uint32_t kStandardIndexEntryBytes = 8;
constexpr uint32_t kClassicIndexEntryBytes = 16;
constexpr uint32_t kSuperIndexBytes =
    kIndexHeaderBytes + kSuperIndexEntryBytes * AviWriter::kMaxRiffs;
constexpr uint32_t kExtendedHeaderBytes = 248;  // dmlh
// "odml" + "dmlh" + its size + its body.
constexpr uint32_t kOdmlBytes = 12 + kExtendedHeaderBytes;
constexpr uint32_t kChunkHeaderBytes = 8;
constexpr uint32_t kListHeaderBytes = 12;

// Offsets of the header's patched fields and reservations.
constexpr uint64_t kMicrosPerFrameAt = 32;
constexpr uint64_t kTotalFramesAt = 48;
constexpr uint64_t kScaleAt = 128;
constexpr uint64_t kLengthAt = 140;
constexpr uint64_t kSuperIndexAt = 220;
constexpr uint64_t kOdmlAt = kSuperIndexAt + kChunkHeaderBytes + kSuperIndexBytes;
constexpr uint64_t kMoviListAt = kOdmlAt + kChunkHeaderBytes + kOdmlBytes;

// Microseconds per frame and stream scale for a rate in hundredths of a
// frame per second.
constexpr uint32_t kMicrosPerFrameOverRate = 100000000;
constexpr uint32_t kScaleOverRate = 1000000000;

Bytes Header(int32_t width, int32_t height, uint32_t frameBytes) {
  const uint32_t chunk = frameBytes + kChunkHeaderBytes;
  const uint32_t strlBytes = 4 + (kChunkHeaderBytes + kStreamHeaderBytes) +
                             (kChunkHeaderBytes + kFormatBytes) +
                             (kChunkHeaderBytes + kSuperIndexBytes);
  const uint32_t hdrlBytes = 4 + (kChunkHeaderBytes + kMainHeaderBytes) +
                             (kChunkHeaderBytes + strlBytes) + (kChunkHeaderBytes + kOdmlBytes);
  Bytes b;
  b.Tag("RIFF").U32(0).Tag("AVI ");
  b.Tag("LIST").U32(hdrlBytes).Tag("hdrl");
  b.Tag("avih").U32(kMainHeaderBytes);
  b.U32(kMicrosPerFrameOverRate / AviWriter::kStartRate);
  b.U32(chunk * chunk);  // max bytes per second, as capture files have it
  b.U32(0).U32(kMainFlags).U32(0).U32(0).U32(1).U32(chunk);
  b.U32(uint32_t(width)).U32(uint32_t(height)).Zeros(16);
  b.Tag("LIST").U32(strlBytes).Tag("strl");
  b.Tag("strh").U32(kStreamHeaderBytes).Tag("vids").Tag("DIB ");
  b.U32(0).U16(0).U16(0).U32(0);
  b.U32(kScaleOverRate / AviWriter::kStartRate).U32(kStreamRate);
  b.U32(0).U32(0).U32(chunk).U32(0).U32(0).Zeros(16);
  b.Tag("strf").U32(kFormatBytes);
  b.U32(kFormatBytes).U32(uint32_t(width)).U32(uint32_t(height)).U16(1).U16(24).Zeros(24);
  // Room for the super index, a JUNK chunk until the file needs it.
  b.Tag("JUNK").U32(kSuperIndexBytes);
  b.U16(4).U8(0).U8(kIndexOfIndexes).U32(0).Tag(kFrameTag).Zeros(kSuperIndexBytes - 12);
  // Room for LIST odml.
  b.Tag("JUNK").U32(kOdmlBytes).Tag("odml").Tag("dmlh").U32(kExtendedHeaderBytes);
  b.Zeros(kExtendedHeaderBytes);
  b.Tag("LIST").U32(4).Tag("movi");
  return b;
}

}  // namespace

uint32_t AviWriter::frameCount() const {
  uint32_t frames = 0;
  for (const Riff &riff : riffs_) frames += uint32_t(riff.chunks.size());
  return frames;
}

// Frames are whole DIB rows, a multiple of 4 bytes: chunks need no padding.
uint64_t AviWriter::ChunkBytes() const { return kChunkHeaderBytes + frameBytes_; }

uint64_t AviWriter::TailBytes(const Riff &riff, std::size_t frames, bool withStandardIndex) const {
  uint64_t bytes = 0;
  if (withStandardIndex)
    bytes += kChunkHeaderBytes + kIndexHeaderBytes + kStandardIndexEntryBytes * frames;
  if (&riff == &riffs_.front()) bytes += kChunkHeaderBytes + kClassicIndexEntryBytes * frames;
  return bytes;
}

bool AviWriter::Open(const char *path, int32_t width, int32_t height) {
  Reset();
  const int64_t stride = (int64_t(width) * 3 + 3) & ~int64_t(3);
  const int64_t bytes = stride * height;
  if (width <= 0 || height <= 0 || bytes > INT32_MAX) return false;
  frameBytes_ = uint32_t(bytes);
  const Bytes header = Header(width, height, frameBytes_);
  if (!file_.OpenForWrite(path)) return false;
  if (!file_.Write(header.data(), header.size())) {
    Reset();
    return false;
  }
  Riff first;
  first.movi = kMoviListAt + kChunkHeaderBytes;
  riffs_.push_back(std::move(first));
  end_ = header.size();
  return true;
}

bool AviWriter::StartRiff() {
  if (riffs_.size() >= kMaxRiffs) return false;
  Bytes b;
  b.Tag("RIFF").U32(0).Tag("AVIX").Tag("LIST").U32(4).Tag("movi");
  if (!file_.WriteAt(end_, b.data(), b.size())) {
    writeFailed_ = true;
    return false;
  }
  Riff riff;
  riff.start = end_;
  riff.movi = end_ + kListHeaderBytes + kChunkHeaderBytes;
  riffs_.push_back(std::move(riff));
  end_ += b.size();
  return true;
}

bool AviWriter::AppendFrame(const uint8_t *pixels) {
  if (!file_.IsOpen() || writeFailed_ || pixels == nullptr) return false;
  Riff *riff = &riffs_.back();
  const std::size_t frames = riff->chunks.size() + 1;
  if (!riff->chunks.empty() &&
      end_ + ChunkBytes() + TailBytes(*riff, frames, true) - riff->start > riffLimit_) {
    if (!CloseRiff(*riff, true) || !StartRiff()) return false;
    riff = &riffs_.back();
  }
  Bytes head;
  head.Tag(kFrameTag).U32(frameBytes_);
  if (!file_.WriteAt(end_, head.data(), head.size()) ||
      !file_.WriteAt(end_ + kChunkHeaderBytes, pixels, frameBytes_)) {
    writeFailed_ = true;
    return false;
  }
  riff->chunks.push_back(uint32_t(end_ - riff->movi));
  end_ += ChunkBytes();
  return true;
}

bool AviWriter::CloseRiff(Riff &riff, bool withStandardIndex) {
  const uint32_t frames = uint32_t(riff.chunks.size());
  Bytes tail;
  uint32_t standardIndexBytes = 0;
  if (withStandardIndex) {
    standardIndexBytes = kIndexHeaderBytes + kStandardIndexEntryBytes * frames;
    tail.Tag("ix00").U32(standardIndexBytes);
    tail.U16(2).U8(0).U8(kIndexOfChunks).U32(frames).Tag(kFrameTag).U64(riff.movi).U32(0);
    // Entries point at the frame data, past each chunk's header.
    for (uint32_t chunk : riff.chunks) tail.U32(chunk + kChunkHeaderBytes).U32(frameBytes_);
  }
  const uint64_t moviEnd = end_ + tail.size();
  if (&riff == &riffs_.front()) {
    tail.Tag("idx1").U32(kClassicIndexEntryBytes * frames);
    for (uint32_t chunk : riff.chunks)
      tail.Tag(kFrameTag).U32(kKeyFrame).U32(chunk).U32(frameBytes_);
  }
  const uint64_t riffEnd = end_ + tail.size();
  if (!file_.WriteAt(end_, tail.data(), tail.size()) ||
      !Put32(file_, riff.movi - 4, uint32_t(moviEnd - riff.movi)) ||
      !Put32(file_, riff.start + 4, uint32_t(riffEnd - riff.start - kChunkHeaderBytes))) {
    writeFailed_ = true;
    return false;
  }
  if (withStandardIndex)
    superIndex_.push_back({end_, kChunkHeaderBytes + standardIndexBytes, frames});
  riff.closed = true;
  end_ = riffEnd;
  return true;
}

void AviWriter::CloseLastRiff() {
  while (!riffs_.back().closed) {
    Riff &riff = riffs_.back();
    if (riff.chunks.empty() && riffs_.size() > 1) {
      // An empty continuation RIFF is dropped; the one before is closed.
      end_ = riff.start;
      riffs_.pop_back();
      continue;
    }
    if (CloseRiff(riff, riffs_.size() > 1) || riff.chunks.empty()) return;
    // No room for the index (a full disk): the last frame gives up its room.
    riff.chunks.pop_back();
    end_ -= ChunkBytes();
  }
}

void AviWriter::PatchHeader(int32_t rate) {
  if (rate <= 0) rate = kStartRate;
  bool ok = Put32(file_, kMicrosPerFrameAt, kMicrosPerFrameOverRate / uint32_t(rate)) &&
            Put32(file_, kTotalFramesAt, uint32_t(riffs_.front().chunks.size())) &&
            Put32(file_, kScaleAt, kScaleOverRate / uint32_t(rate)) &&
            Put32(file_, kLengthAt, frameCount());
  if (riffs_.size() > 1) {
    Bytes indx;
    indx.Tag("indx").U32(kSuperIndexBytes);
    indx.U16(4).U8(0).U8(kIndexOfIndexes).U32(uint32_t(superIndex_.size())).Tag(kFrameTag);
    indx.Zeros(12);
    for (const SuperIndexEntry &entry : superIndex_)
      indx.U64(entry.offset).U32(entry.size).U32(entry.frames);
    Bytes odml;
    odml.Tag("LIST").U32(kOdmlBytes).Tag("odml").Tag("dmlh").U32(kExtendedHeaderBytes);
    odml.U32(frameCount());
    ok = ok && file_.WriteAt(kSuperIndexAt, indx.data(), indx.size()) &&
         file_.WriteAt(kOdmlAt, odml.data(), odml.size());
  }
  if (!ok) writeFailed_ = true;
}

bool AviWriter::Finish(int32_t rate) {
  if (!file_.IsOpen()) return false;
  CloseLastRiff();
  PatchHeader(rate);
  // Whatever a failed write left past the last RIFF goes.
  if (!file_.Truncate(end_)) writeFailed_ = true;
  const bool closed = file_.Close();
  const bool ok = closed && !writeFailed_;
  Reset();
  return ok;
}

void AviWriter::Reset() {
  file_.Close();
  riffs_.clear();
  superIndex_.clear();
  end_ = 0;
  frameBytes_ = 0;
  writeFailed_ = false;
}

}  // namespace velmor::files
