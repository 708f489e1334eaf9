"""Velmor S10PX camera SDK for Python: cameras, numpy frames, settings, files.

Every call goes to the shared library through ctypes; a failing call raises
:class:`VelmorError` with the library's error code and text.
"""
import ctypes
import enum
import os
import queue
import threading
from collections import namedtuple

import numpy as np

from ._native import FRAME_CALLBACK, FrameInfo, Statistics, lib, windows

__all__ = [
    "VelmorError", "ErrorCode", "FileType", "Camera", "Frame", "open", "list_cameras",
    "library_version", "emulator_set", "emulator_get",
]


class ErrorCode(enum.IntEnum):
    NONE = 0
    NO_CAMERA = 1
    NOT_PRESENT = 2
    THREAD = 3
    WINDOW = 4
    MEMORY = 5
    DEVICE = 6
    GEOMETRY = 7
    FRAME = 8
    ARGUMENT = 9
    UNUSED = 10
    NOT_SUPPORTED = 11
    CONVERSION = 12
    FRAME_WAIT = 13
    MASK_FILE = 14


class FileType(enum.IntEnum):
    BMP = 0
    RAW = 1
    JPEG_100 = 2
    JPEG_70 = 3
    JPEG_20 = 4
    PNG = 5
    TIFF = 6


def error_text(code):
    """The library's English text for an error code."""
    text = lib.Velmor_GetErrorText(int(code))
    return text.decode() if text else "unknown error"


class VelmorError(RuntimeError):
    """A library call failed; `code` is the error code the session recorded."""

    def __init__(self, code, function=""):
        self.code = int(code)
        self.text = error_text(code)
        where = f"{function}: " if function else ""
        super().__init__(f"{where}{self.text} (code {self.code})")


Frame = namedtuple("Frame", "number timestamp_ns pixels")

# Filter values the library addresses by identifier, as properties.
_FILTER_IDS = {
    "brightness": 1, "contrast": 2, "hue": 3, "saturation": 4, "sharpness": 5,
    "bayer_gain_rgb": 6, "bayer_gain_red": 7, "bayer_gain_green": 8, "bayer_gain_blue": 9,
    "bayer_gain_auto": 10, "gamma": 11, "bayer_mode": 12, "global_gain": 13,
    "color_gain_red": 14, "color_gain_green1": 15, "color_gain_green2": 16,
    "color_gain_blue": 17, "exposure_time": 18, "gray_mode": 19, "gray_gain_r": 20,
    "gray_gain_g1": 21, "gray_gain_g2": 22, "gray_gain_b": 23, "gray_offset_r": 24,
    "gray_offset_g1": 25, "gray_offset_g2": 26, "gray_offset_b": 27, "peltier": 100,
    "dot_filter": 102, "mask_filter": 103, "gain_mode": 104, "mode_switch": 105,
    "black_level": 106,
}

# Readout modes and how much they reduce the window.
_SUBSAMPLE_DIVISOR = {0: 1, 1: 2, 17: 2}


def _filter_property(identifier):
    def getter(self):
        return self.get_filter_value(identifier)

    def setter(self, value):
        self.set_filter_value(identifier, value)

    return property(getter, setter)


def _path_call(narrow, wide, handle, path, *rest):
    path = os.fspath(path)
    if windows:
        return getattr(lib, wide)(handle, str(path), *rest)
    return getattr(lib, narrow)(handle, os.fsencode(path), *rest)


def library_version():
    return lib.Velmor_GetDllVersion()


def emulator_set(camera, key, value):
    """Sets a knob of an emulated camera (see the README's emulator table)."""
    if not lib.Velmor_EmulatorSet(camera, key.encode(), int(value)):
        raise KeyError(f"emulated camera {camera} has no settable knob {key!r}")


def emulator_get(camera, key):
    value = ctypes.c_int()
    if not lib.Velmor_EmulatorGet(camera, key.encode(), ctypes.byref(value)):
        raise KeyError(f"emulated camera {camera} has no knob {key!r}")
    return value.value


def list_cameras():
    """Names of the connected cameras, in device-number order."""
    handle = lib.Velmor_Initialize(None)
    if handle == 0:
        raise VelmorError(ErrorCode.MEMORY, "Velmor_Initialize")
    try:
        table = (ctypes.c_char * (10 * 256))()
        count = lib.Velmor_EnumDevice(handle, table)
        return [table[i * 256:(i + 1) * 256].split(b"\0", 1)[0].decode(errors="replace")
                for i in range(count)]
    finally:
        lib.Velmor_Release(handle)


def open(number=None, serial=None):  # noqa: A001 - the package's entry point
    """Opens camera `number` (default 0), or the camera with serial `serial`."""
    return Camera(number=number, serial=serial)


class Camera:
    """One session of the library with its camera open; a context manager."""

    def __init__(self, number=None, serial=None):
        self._callback = None
        self._handle = lib.Velmor_Initialize(None)
        if self._handle == 0:
            raise VelmorError(ErrorCode.MEMORY, "Velmor_Initialize")
        try:
            if serial is not None:
                number = self._number_of_serial(serial)
            self.select(0 if number is None else number)
        except BaseException:
            self.close()
            raise

    # -- lifetime -----------------------------------------------------------
    def close(self):
        if self._handle:
            self.stop()
            lib.Velmor_Release(self._handle)
            self._handle = 0

    def __enter__(self):
        return self

    def __exit__(self, *exc):
        self.close()

    def __del__(self):
        try:
            self.close()
        except Exception:  # interpreter shutdown: the library may be gone
            pass

    @property
    def handle(self):
        return self._handle

    def _check(self, result, function):
        if not result:
            raise VelmorError(lib.Velmor_GetLastError(self._handle), function)
        return result

    def _call_ok(self, function, *args):
        """Calls a getter of the (handle, ..., int* ok) form."""
        ok = ctypes.c_int32(0)
        value = getattr(lib, function)(self._handle, *args, ctypes.byref(ok))
        self._check(ok.value, function)
        return value

    def select(self, number):
        self._check(lib.Velmor_SetDeviceNumber(self._handle, int(number)), "Velmor_SetDeviceNumber")

    def _number_of_serial(self, serial):
        names = list_cameras()
        for number in range(len(names)):
            self.select(number)
            if self.serial_number == serial:
                return number
        raise VelmorError(ErrorCode.NOT_PRESENT, f"no camera with serial {serial!r}")

    # -- identity -----------------------------------------------------------
    @property
    def serial_number(self):
        buffer = ctypes.create_string_buffer(64)
        self._check(lib.Velmor_ReadSerialNumberA(self._handle, buffer, 64), "Velmor_ReadSerialNumberA")
        return buffer.value.decode(errors="replace")

    # -- format -------------------------------------------------------------
    @property
    def color_mode(self):
        return lib.Velmor_GetColorMode(self._handle)

    @color_mode.setter
    def color_mode(self, bits):
        self._check(lib.Velmor_SetColorMode(self._handle, int(bits)), "Velmor_SetColorMode")

    @property
    def subsample(self):
        return lib.Velmor_GetSubSample(self._handle)

    @subsample.setter
    def subsample(self, mode):
        if not lib.Velmor_SetSubSample(self._handle, int(mode)):
            raise VelmorError(ErrorCode.ARGUMENT, "Velmor_SetSubSample")

    @property
    def wait_time(self):
        return lib.Velmor_GetWaitTime(self._handle)

    @wait_time.setter
    def wait_time(self, milliseconds):
        if not lib.Velmor_SetWaitTime(self._handle, int(milliseconds)):
            raise VelmorError(ErrorCode.ARGUMENT, "Velmor_SetWaitTime")

    @property
    def mirror_h(self):
        return lib.Velmor_GetMirrorH(self._handle)

    @mirror_h.setter
    def mirror_h(self, flag):
        self._check(lib.Velmor_SetMirrorH(self._handle, int(bool(flag))), "Velmor_SetMirrorH")

    @property
    def mirror_v(self):
        return lib.Velmor_GetMirrorV(self._handle)

    @mirror_v.setter
    def mirror_v(self, flag):
        self._check(lib.Velmor_SetMirrorV(self._handle, int(bool(flag))), "Velmor_SetMirrorV")

    @property
    def auto_iris(self):
        return self._call_ok("Velmor_GetAutoIris")

    @auto_iris.setter
    def auto_iris(self, mode):
        self._check(lib.Velmor_SetAutoIris(self._handle, int(mode)), "Velmor_SetAutoIris")

    def set_window(self, x, y, width, height):
        """Sets the readout window: start column and row, width and height."""
        self._check(lib.Velmor_SetCaptureWindowEx(self._handle, 2848, x, width, 2848, y, height),
                    "Velmor_SetCaptureWindowEx")

    @property
    def image_shape(self):
        """(height, width) of the images the current settings deliver."""
        divisor = _SUBSAMPLE_DIVISOR.get(self.subsample, 1)
        return (lib.Velmor_Height(self._handle) // divisor, lib.Velmor_Width(self._handle) // divisor)

    # -- filter values and exposure -----------------------------------------
    def get_filter_value(self, identifier):
        return self._call_ok("Velmor_GetFilterValue", int(identifier))

    def set_filter_value(self, identifier, value):
        self._check(lib.Velmor_SetFilterValue(self._handle, int(identifier), int(value)),
                    "Velmor_SetFilterValue")

    for _name, _identifier in _FILTER_IDS.items():
        locals()[_name] = _filter_property(_identifier)
    del _name, _identifier

    @property
    def exposure_seconds(self):
        return self._call_ok("Velmor_GetExposureTimeEx")

    @exposure_seconds.setter
    def exposure_seconds(self, seconds):
        self._check(lib.Velmor_SetExposureTimeEx(self._handle, float(seconds)), "Velmor_SetExposureTimeEx")

    @property
    def exposure_us(self):
        return self._call_ok("Velmor_GetRealExposureTime")

    @exposure_us.setter
    def exposure_us(self, microseconds):
        self._check(lib.Velmor_SetRealExposureTime(self._handle, int(microseconds)),
                    "Velmor_SetRealExposureTime")

    # -- frames -------------------------------------------------------------
    def _new_image(self):
        bits = self.color_mode
        if bits not in (8, 16):
            raise VelmorError(ErrorCode.ARGUMENT, f"colour mode {bits} has no numpy form here")
        height, width = self.image_shape
        dtype = np.uint8 if bits == 8 else np.uint16
        stride = (width * (bits // 8) + 3) & ~3
        rows = np.empty((height, stride // np.dtype(dtype).itemsize), dtype=dtype)
        return rows, rows[:, :width]

    def snap(self):
        """One frame as a numpy array (height x width), top row first."""
        rows, image = self._new_image()
        self._check(lib.Velmor_SnapShot(self._handle, rows.ctypes.data, rows.nbytes, 1), "Velmor_SnapShot")
        return image

    def last_image(self):
        """The last processed image again."""
        rows, image = self._new_image()
        self._check(lib.Velmor_GetImage(self._handle, rows.ctypes.data, rows.nbytes, 1), "Velmor_GetImage")
        return image

    def stream(self, callback):
        """Starts live frames: `callback(Frame)` runs on the library's thread
        with a copy of each processed frame, until stop()."""
        def on_frame(_handle, info, _user):
            frame = info.contents
            dtype = np.uint16 if frame.bitsPerPixel == 16 else np.uint8
            itemsize = np.dtype(dtype).itemsize
            rows = np.ctypeslib.as_array(ctypes.cast(frame.pixels, ctypes.POINTER(
                ctypes.c_uint16 if itemsize == 2 else ctypes.c_uint8)),
                shape=(frame.height, frame.stride // itemsize))
            pixels = rows[:, :frame.width * frame.bitsPerPixel // (8 * itemsize)].copy()
            callback(Frame(frame.frameNumber, frame.timestampNs, pixels))

        # Frames go to the callback only, with no preview window.
        lib.Velmor_SetPreviewWindow(self._handle, None, 0, 0, 0, 0)
        self._callback = FRAME_CALLBACK(on_frame)
        self._check(lib.Velmor_SetFrameCallback(self._handle, self._callback, None),
                    "Velmor_SetFrameCallback")
        if not lib.Velmor_CallBackPreview(self._handle, None, None, 0, 1):
            code = lib.Velmor_GetLastError(self._handle)
            lib.Velmor_SetFrameCallback(self._handle, FRAME_CALLBACK(), None)
            self._callback = None
            raise VelmorError(code, "Velmor_CallBackPreview")

    def frames(self, count=None, timeout=10.0):
        """Yields `count` frames (endless when None) as :class:`Frame` copies."""
        pending = queue.Queue(maxsize=8)
        done = threading.Event()

        def keep(frame):
            if not done.is_set():
                try:
                    pending.put_nowait(frame)
                except queue.Full:
                    pass  # the consumer fell behind; the library counts it

        self.stream(keep)
        try:
            delivered = 0
            while count is None or delivered < count:
                try:
                    frame = pending.get(timeout=timeout)
                except queue.Empty:
                    raise VelmorError(ErrorCode.FRAME, f"no frame within {timeout} s") from None
                delivered += 1
                yield frame
        finally:
            done.set()
            self.stop()

    def stop(self):
        """Stops live frames; returns once the frame callback has finished."""
        if self._handle:
            lib.Velmor_StopPreview(self._handle)
            if self._callback is not None:
                lib.Velmor_SetFrameCallback(self._handle, FRAME_CALLBACK(), None)
                self._callback = None

    def statistics(self):
        record = Statistics()
        record.size = ctypes.sizeof(Statistics)
        self._check(lib.Velmor_GetStatistics(self._handle, ctypes.byref(record)), "Velmor_GetStatistics")
        return {name: getattr(record, name) for name, _ in Statistics._fields_ if name not in ("size", "reserved")}

    # -- files --------------------------------------------------------------
    def save_image(self, path, file_type=FileType.PNG):
        self._check(_path_call("Velmor_SaveImage", "Velmor_SaveImageW", self._handle, path, int(file_type)),
                    "Velmor_SaveImage")

    def record(self, path, milliseconds, show=False):
        self._check(_path_call("Velmor_Record", "Velmor_RecordW", self._handle, path, int(milliseconds),
                               int(bool(show))), "Velmor_Record")

    # -- masks and configuration --------------------------------------------
    def update_mask(self, bright):
        """Takes the dark (False) or bright (True) reference from the next frame."""
        self._check(lib.Velmor_UpdateMaskData(self._handle, int(bool(bright))), "Velmor_UpdateMaskData")

    def save_mask(self, path):
        self._check(_path_call("Velmor_SaveMaskFile", "Velmor_SaveMaskFileW", self._handle, path),
                    "Velmor_SaveMaskFile")

    def load_mask(self, path):
        self._check(_path_call("Velmor_LoadMaskFile", "Velmor_LoadMaskFileW", self._handle, path),
                    "Velmor_LoadMaskFile")

    def load_config(self, path):
        self._check(_path_call("Velmor_LoadConfigFileA", "Velmor_LoadConfigFileW", self._handle, path),
                    "Velmor_LoadConfigFile")

    # -- registers ----------------------------------------------------------
    def fpga_read(self, address):
        return self._call_ok("Velmor_Fpga_ReadRegister", int(address))

    def fpga_write(self, address, value):
        self._check(lib.Velmor_Fpga_WriteRegister(self._handle, int(address), int(value)),
                    "Velmor_Fpga_WriteRegister")

    def sensor_read(self, address):
        return self._call_ok("Velmor_ReadRegisterEx", int(address))

    def sensor_write(self, address, value):
        self._check(lib.Velmor_WriteRegisterEx(self._handle, int(address), int(value)), "Velmor_WriteRegisterEx")

    def eeprom_read(self, address):
        return self._call_ok("Velmor_ReadSromID", int(address))

    def eeprom_write(self, address, value):
        self._check(lib.Velmor_WriteSromID(self._handle, int(address), int(value)), "Velmor_WriteSromID")
