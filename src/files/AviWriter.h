// AviWriter: records uncompressed 24-bit frames into an AVI 2.0 (OpenDML)
// file that stays valid at any length.
//
// The header is the classic single-stream layout ("RIFF" "AVI ", "hdrl" with
// "avih", "strl" with "strh" and "strf") followed by two reservations, a JUNK
// chunk after "strf" with room for the super index ("indx") and one after the
// stream list with room for "LIST" "odml" / "dmlh". Frames go into "movi" as
// "00db" chunks. A RIFF is closed before it would pass the RIFF limit (about
// 1 GiB): its "movi" list ends with an "ix00" standard index and the first
// RIFF also gets the classic "idx1" of its own frames; recording goes on in a
// "RIFF" "AVIX" of its own. When the file ends after one RIFF it is a plain
// AVI 1.0 file with "idx1" and the reservations stay JUNK; otherwise they
// become "indx" (one entry per RIFF) and "odml" (the total frame count).
// "avih" counts the frames of the first RIFF (what an AVI 1.0 reader sees),
// "strh" all frames. Offsets are 64-bit; each RIFF stays far below 4 GiB.
//
// Frames are bottom-up BGR rows at the DIB stride (width x 3 rounded up to a
// multiple of 4), the layout the "strf" BITMAPINFOHEADER describes.
//
// Every write is checked. A frame that cannot be written whole ends the
// recording; Finish then writes the indexes after the last whole frame,
// dropping frames from the end while the index does not fit (a full disk),
// so the file is always finished.
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

#include "files/FileHolder.h"

namespace velmor::files {

class AviWriter {
 public:
  // Largest RIFF, in bytes.
  static constexpr uint64_t kDefaultRiffLimit = uint64_t(1) << 30;
  // RIFFs the super index reservation has room for (256 GiB of video).
  static constexpr uint32_t kMaxRiffs = 256;
  // The frame rate a file starts with: 30 frames per second, in hundredths.
  static constexpr int32_t kStartRate = 3000;

  AviWriter() = default;
  AviWriter(const AviWriter &) = delete;
  AviWriter &operator=(const AviWriter &) = delete;

  // Resets, opens `path` (truncating an existing file) and writes the header
  // for frames of width x height at the start rate. False when the file
  // cannot be opened or the header cannot be written; nothing stays open.
  bool Open(const char *path, int32_t width, int32_t height);
  // Appends one frame of frameBytes() bytes. False when it was not appended:
  // it could not be written whole (writeFailed() tells), or the file has no
  // room for another RIFF. The frames before it stay in the file.
  bool AppendFrame(const uint8_t *pixels);
  // Writes the indexes, patches sizes, frame counts and the rate (in
  // hundredths of a frame per second; 0 or less keeps the start rate) into
  // the headers and closes the file. False when any write of the recording
  // failed; the file is finished all the same, with the frames whose index
  // fitted.
  bool Finish(int32_t rate);
  // Closes the file as it stands and forgets the recording.
  void Reset();

  bool IsOpen() const { return file_.IsOpen(); }
  bool writeFailed() const { return writeFailed_; }
  // Frames in the file.
  uint32_t frameCount() const;
  // Bytes of one frame.
  uint32_t frameBytes() const { return frameBytes_; }
  // Lowers (or raises) the RIFF limit for the next Open; tests use it to
  // make files of several RIFFs out of a few small frames.
  void SetRiffLimit(uint64_t bytes) { riffLimit_ = bytes; }

 private:
  struct Riff {
    uint64_t start = 0;  // offset of "RIFF"
    uint64_t movi = 0;   // offset of the "movi" identifier
    // Offsets of the frame chunks, from the "movi" identifier.
    std::vector<uint32_t> chunks;
    bool closed = false;
  };
  struct SuperIndexEntry {
    uint64_t offset;  // of the "ix00" chunk
    uint32_t size;    // of the chunk, header included
    uint32_t frames;
  };

  uint64_t ChunkBytes() const;
  // Bytes that closing `riff` with `frames` frames adds after its last frame.
  uint64_t TailBytes(const Riff &riff, std::size_t frames, bool withStandardIndex) const;
  // Writes the indexes that end `riff` at end_ and patches its sizes.
  bool CloseRiff(Riff &riff, bool withStandardIndex);
  bool StartRiff();
  // Ends the last RIFF, dropping frames from its end until its index fits.
  void CloseLastRiff();
  void PatchHeader(int32_t rate);

  FileHolder file_;
  std::vector<Riff> riffs_;
  std::vector<SuperIndexEntry> superIndex_;
  uint64_t end_ = 0;  // end of what the file holds for certain
  uint64_t riffLimit_ = kDefaultRiffLimit;
  uint32_t frameBytes_ = 0;
  bool writeFailed_ = false;
};

}  // namespace velmor::files
