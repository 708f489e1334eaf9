import os
import shutil
import subprocess
import sys

import numpy as np
import pytest

import velmor


def test_lists_the_emulated_cameras():
    names = velmor.list_cameras()
    assert len(names) == int(os.environ["VELMOR_EMULATED_CAMERAS"])
    assert all(names)


def test_opens_by_serial_number_and_refuses_an_unknown_one():
    with velmor.open(0) as first:
        serial = first.serial_number
    with velmor.open(serial=serial) as again:
        assert again.serial_number == serial
    with pytest.raises(velmor.VelmorError) as raised:
        velmor.open(serial="no such serial")
    assert raised.value.code == velmor.ErrorCode.NOT_PRESENT


@pytest.mark.parametrize("bits, dtype, top", [(8, np.uint8, 255), (16, np.uint16, 4095)])
def test_snap_gives_a_numpy_image_of_the_window(camera, bits, dtype, top):
    camera.color_mode = bits
    image = camera.snap()
    assert image.dtype == dtype
    assert image.shape == (1024, 1024)
    assert image.max() <= top
    assert image.max() > 0
    # No copy beyond the buffer the library wrote into.
    assert image.base is not None and image.base.ctypes.data == image.ctypes.data


def test_filter_values_are_properties(camera):
    camera.gamma = 150
    camera.brightness = -255
    assert (camera.gamma, camera.brightness) == (150, -255)
    camera.bayer_gain_rgb = 0x030201
    assert (camera.bayer_gain_red, camera.bayer_gain_green, camera.bayer_gain_blue) == (1, 2, 3)


def test_errors_carry_the_code_and_its_text(camera):
    with pytest.raises(velmor.VelmorError) as raised:
        camera.brightness = 256
    assert raised.value.code == velmor.ErrorCode.ARGUMENT
    assert raised.value.text == velmor.error_text(9) == "invalid argument"
    assert "code 9" in str(raised.value)


def test_exposure_in_seconds_and_microseconds(camera):
    camera.exposure_seconds = 0.01
    assert camera.exposure_time == 100
    assert camera.exposure_us == 10000


def test_frames_arrive_in_order_as_copies(camera):
    frames = list(camera.frames(5))
    numbers = [frame.number for frame in frames]
    assert numbers == sorted(numbers) and len(set(numbers)) == 5
    assert all(frame.pixels.shape == (1024, 1024) for frame in frames)
    assert frames[0].pixels.ctypes.data != frames[1].pixels.ctypes.data
    stats = camera.statistics()
    assert stats["framesDelivered"] >= 5


def test_registers_reach_the_camera(camera):
    camera.fpga_write(0x07, 0x5A)
    assert camera.fpga_read(0x07) == 0x5A
    assert velmor.emulator_get(0, "fpga:07") == 0x5A


def test_image_and_recording_files(camera, scratch):
    camera.snap()
    png = scratch / "image.png"
    camera.save_image(png, velmor.FileType.PNG)
    assert png.read_bytes()[:8] == b"\x89PNG\r\n\x1a\n"
    avi = scratch / "clip.avi"
    camera.record(avi, 300)
    camera.stop()
    header = avi.read_bytes()[:12]
    assert header[:4] == b"RIFF" and header[8:12] == b"AVI "


def test_mask_files_round_trip(scratch):
    with velmor.open(0) as camera:
        camera.snap()
        camera.update_mask(False)
        camera.update_mask(True)
        mask = scratch / "camera.msk"
        camera.save_mask(mask)
        camera.load_mask(mask)
        with pytest.raises(velmor.VelmorError) as raised:
            camera.load_mask(scratch / "missing.msk")
        assert raised.value.code == velmor.ErrorCode.MASK_FILE


def test_pip_installs_the_package_from_the_source_tree(tmp_path):
    # A copy, so that the build leaves nothing in the source tree.
    source = tmp_path / "source"
    shutil.copytree(os.path.dirname(os.path.dirname(os.path.abspath(__file__))), source,
                    ignore=shutil.ignore_patterns("tests", "__pycache__"))
    target = tmp_path / "site"
    subprocess.run([sys.executable, "-m", "pip", "install", "--quiet", "--no-build-isolation",
                    "--no-deps", "--no-index", "--target", str(target), str(source)],
                   check=True, capture_output=True)
    out = subprocess.run([sys.executable, "-c", "import velmor; print(velmor.__file__)"],
                         check=True, capture_output=True, text=True, cwd=tmp_path,
                         env={**os.environ, "PYTHONPATH": str(target)})
    assert out.stdout.startswith(str(target))
