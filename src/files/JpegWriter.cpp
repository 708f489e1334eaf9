// JPEG: a progressive file from libjpeg at the given quality, grey for 8-bit
// copies and colour for 24-bit ones, which libjpeg-turbo reads in the
// bitmap's B, G, R order. libjpeg ends the process on a fatal error unless
// its error manager returns control: this one jumps back to the encoder,
// which then gives up, and a destination that cannot write everything is
// such an error.
#include <csetjmp>
#include <cstdio>
#include <memory>

// jpeglib.h needs size_t and FILE declared before it.
#include <jerror.h>
#include <jpeglib.h>

#include "files/FileHolder.h"
#include "files/StillImage.h"

namespace velmor::files {
namespace {

constexpr std::size_t kOutputChunk = 1 << 16;

struct ErrorManager {
  jpeg_error_mgr base;
  std::jmp_buf unwind;
};

[[noreturn]] void JumpBack(j_common_ptr info) {
  std::longjmp(reinterpret_cast<ErrorManager *>(info->err)->unwind, 1);
}

void IgnoreMessage(j_common_ptr, int) {}

// Compressed bytes gather in a buffer that goes to the file whenever it
// fills and at the end.
struct Destination {
  jpeg_destination_mgr base;
  FileHolder *file;
  JOCTET buffer[kOutputChunk];
};

void StartOutput(j_compress_ptr info) {
  auto *d = reinterpret_cast<Destination *>(info->dest);
  d->base.next_output_byte = d->buffer;
  d->base.free_in_buffer = kOutputChunk;
}

boolean FlushFullBuffer(j_compress_ptr info) {
  auto *d = reinterpret_cast<Destination *>(info->dest);
  if (!d->file->Write(d->buffer, kOutputChunk)) ERREXIT(info, JERR_FILE_WRITE);
  StartOutput(info);
  return TRUE;
}

void FlushRest(j_compress_ptr info) {
  auto *d = reinterpret_cast<Destination *>(info->dest);
  const std::size_t used = kOutputChunk - d->base.free_in_buffer;
  if (used != 0 && !d->file->Write(d->buffer, used)) ERREXIT(info, JERR_FILE_WRITE);
}

// Holds only plain data between setjmp and any longjmp back to it, so the
// jump skips no destructor; the caller owns the file and the destination.
bool Encode(jpeg_compress_struct &info, ErrorManager &errors, Destination &destination,
            const StillImage &image, int32_t quality) {
  info.err = jpeg_std_error(&errors.base);
  errors.base.error_exit = JumpBack;
  errors.base.emit_message = IgnoreMessage;
  if (setjmp(errors.unwind) != 0) {
    jpeg_destroy_compress(&info);
    return false;
  }
  jpeg_create_compress(&info);
  destination.base.init_destination = StartOutput;
  destination.base.empty_output_buffer = FlushFullBuffer;
  destination.base.term_destination = FlushRest;
  info.dest = &destination.base;

  const bool grey = image.bitsPerPixel == 8;
  info.image_width = JDIMENSION(image.width);
  info.image_height = JDIMENSION(image.height);
  info.input_components = grey ? 1 : 3;
  info.in_color_space = grey ? JCS_GRAYSCALE : JCS_EXT_BGR;
  jpeg_set_defaults(&info);
  jpeg_set_quality(&info, quality, TRUE);
  jpeg_simple_progression(&info);
  jpeg_start_compress(&info, TRUE);
  while (info.next_scanline < info.image_height) {
    JSAMPROW row = image.pixels.get() + std::size_t(info.next_scanline) * image.stride;
    jpeg_write_scanlines(&info, &row, 1);
  }
  jpeg_finish_compress(&info);
  jpeg_destroy_compress(&info);
  return true;
}

}  // namespace

bool WriteJpeg(const char *path, const StillImage &image, int32_t quality) {
  if (image.bitsPerPixel != 8 && image.bitsPerPixel != 24) return false;
  FileHolder file;
  if (!file.OpenForWrite(path)) return false;
  jpeg_compress_struct info{};
  ErrorManager errors{};
  auto destination = std::make_unique<Destination>();
  destination->file = &file;
  return Encode(info, errors, *destination, image, quality) && file.Close();
}

}  // namespace velmor::files
