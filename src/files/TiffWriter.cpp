// TIFF: uncompressed, contiguous samples, the whole picture in one strip.
// libtiff writes through client procedures over the file, and its errors and
// warnings go to handlers of this call alone rather than to the standard
// error stream; any error fails the save.
#include <tiffio.h>

#include <algorithm>
#include <cstdio>
#include <memory>

#include "files/FileHolder.h"
#include "files/StillImage.h"

namespace velmor::files {
namespace {

struct TiffFormat {
  int32_t bitsPerPixel;
  uint16_t bitsPerSample;
  uint16_t photometric;
  uint16_t samplesPerPixel;
};

constexpr TiffFormat kTiffFormats[] = {
    {8, 8, PHOTOMETRIC_MINISBLACK, 1}, {16, 16, PHOTOMETRIC_MINISBLACK, 1},
    {24, 8, PHOTOMETRIC_RGB, 3},       {32, 8, PHOTOMETRIC_RGB, 4},
    {48, 16, PHOTOMETRIC_RGB, 3},      {64, 16, PHOTOMETRIC_RGB, 4},
};

// The file as libtiff sees it: writes at the end append, writes inside
// (the header's directory offset) patch in place, and a write past the end
// (libtiff aligns its directories to even offsets) first fills the gap.
struct Sink {
  FileHolder &file;
  uint64_t position = 0;
  uint64_t end = 0;
  bool failed = false;

  bool Append(const void *data, uint64_t size) {
    static constexpr uint8_t kZeros[8] = {};
    while (end < position) {
      const uint64_t gap = std::min<uint64_t>(position - end, sizeof kZeros);
      if (!file.Write(kZeros, gap)) return false;
      end += gap;
    }
    return file.Write(data, size);
  }
};

Sink &SinkOf(thandle_t handle) { return *static_cast<Sink *>(static_cast<void *>(handle)); }

tmsize_t ReadNothing(thandle_t, void *, tmsize_t) { return 0; }

tmsize_t WriteBytes(thandle_t handle, void *data, tmsize_t size) {
  Sink &sink = SinkOf(handle);
  const uint64_t bytes = uint64_t(size);
  const bool ok = sink.position >= sink.end ? sink.Append(data, bytes)
                                            : sink.position + bytes <= sink.end &&
                                                  sink.file.WriteAt(sink.position, data, bytes);
  if (!ok) {
    sink.failed = true;
    return -1;
  }
  sink.position += bytes;
  sink.end = std::max(sink.end, sink.position);
  return size;
}

toff_t SeekTo(thandle_t handle, toff_t offset, int whence) {
  Sink &sink = SinkOf(handle);
  const uint64_t base = whence == SEEK_CUR ? sink.position : whence == SEEK_END ? sink.end : 0;
  sink.position = base + offset;
  return sink.position;
}

int CloseNothing(thandle_t) { return 0; }
toff_t SizeOf(thandle_t handle) { return SinkOf(handle).end; }
int MapNothing(thandle_t, void **, toff_t *) { return 0; }
void UnmapNothing(thandle_t, void *, toff_t) {}

// Marks the save failed and keeps the message off the standard error stream.
int NoteError(TIFF *, void *userData, const char *, const char *, va_list) {
  static_cast<Sink *>(userData)->failed = true;
  return 1;
}
int IgnoreWarning(TIFF *, void *, const char *, const char *, va_list) { return 1; }

struct OptionsDeleter {
  void operator()(TIFFOpenOptions *options) const { TIFFOpenOptionsFree(options); }
};
struct TiffDeleter {
  void operator()(TIFF *tiff) const { TIFFClose(tiff); }
};

}  // namespace

bool WriteTiff(const char *path, const StillImage &image) {
  const TiffFormat *format = nullptr;
  for (const TiffFormat &f : kTiffFormats)
    if (f.bitsPerPixel == image.bitsPerPixel) format = &f;
  if (format == nullptr) return false;
  FileHolder file;
  if (!file.OpenForWrite(path)) return false;
  Sink sink{file};
  {
    const std::unique_ptr<TIFFOpenOptions, OptionsDeleter> options(TIFFOpenOptionsAlloc());
    if (!options) return false;
    TIFFOpenOptionsSetErrorHandlerExtR(options.get(), NoteError, &sink);
    TIFFOpenOptionsSetWarningHandlerExtR(options.get(), IgnoreWarning, &sink);
    const std::unique_ptr<TIFF, TiffDeleter> tiff(
        TIFFClientOpenExt(path, "w", &sink, ReadNothing, WriteBytes, SeekTo, CloseNothing, SizeOf,
                          MapNothing, UnmapNothing, options.get()));
    if (!tiff) return false;
    TIFF *t = tiff.get();
    TIFFSetField(t, TIFFTAG_IMAGEWIDTH, uint32_t(image.width));
    TIFFSetField(t, TIFFTAG_IMAGELENGTH, uint32_t(image.height));
    TIFFSetField(t, TIFFTAG_COMPRESSION, COMPRESSION_NONE);
    TIFFSetField(t, TIFFTAG_PLANARCONFIG, PLANARCONFIG_CONTIG);
    TIFFSetField(t, TIFFTAG_BITSPERSAMPLE, format->bitsPerSample);
    TIFFSetField(t, TIFFTAG_PHOTOMETRIC, format->photometric);
    TIFFSetField(t, TIFFTAG_SAMPLESPERPIXEL, format->samplesPerPixel);
    TIFFSetField(t, TIFFTAG_ROWSPERSTRIP, uint32_t(image.height));
    // The fourth sample of 32- and 64-bit pixels is no colour.
    const uint16_t extraSamples[] = {EXTRASAMPLE_UNSPECIFIED};
    if (format->samplesPerPixel == 4)
      TIFFSetField(t, TIFFTAG_EXTRASAMPLES, uint16_t(1), extraSamples);
    // 16-bit samples are kept as delivered; the tag says how far they reach.
    if (format->bitsPerSample == 16)
      TIFFSetField(t, TIFFTAG_SMAXSAMPLEVALUE, double((1u << image.sampleBits) - 1));
    if (TIFFWriteEncodedStrip(t, 0, image.pixels.get(), tmsize_t(image.sizeBytes())) < 0)
      sink.failed = true;
  }  // TIFFClose writes the directory.
  return !sink.failed && file.Close();
}

}  // namespace velmor::files
