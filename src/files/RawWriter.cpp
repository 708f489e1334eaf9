// Raw: the image buffer's bytes exactly as held in memory, top picture row
// first, row padding included.
#include "files/FileHolder.h"
#include "files/StillImage.h"

namespace velmor::files {

bool WriteRaw(const char *path, const StillImage &image) {
  FileHolder file;
  return file.OpenForWrite(path) && file.Write(image.pixels.get(), image.sizeBytes()) &&
         file.Close();
}

}  // namespace velmor::files
