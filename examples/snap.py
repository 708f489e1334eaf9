"""Takes a 16-bit snapshot as a numpy array, then streams a few frames."""
import sys

import velmor

with velmor.open(0) as camera:
    camera.color_mode = 16
    image = camera.snap()  # uint16, the camera's 12-bit samples
    print(f"{image.shape[1]} x {image.shape[0]}, mean {image.mean():.1f}, max {image.max()}")
    camera.save_image(sys.argv[1] if len(sys.argv) > 1 else "snapshot.png", velmor.FileType.PNG)
    camera.color_mode = 8
    camera.set_window(912, 912, 1024, 1024)
    for frame in camera.frames(5):
        print(f"frame {frame.number}: mean {frame.pixels.mean():.1f}")
    print(camera.statistics())
