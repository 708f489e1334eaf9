"""Loading the shared library and declaring the C functions the package calls."""
import ctypes
import ctypes.util
import os
import sys

_WINDOWS = sys.platform == "win32"
_NAMES = ["VelmorSdk_S10PX.dll"] if _WINDOWS else ["libVelmorSdk_S10PX.so.1", "libVelmorSdk_S10PX.so"]

i32 = ctypes.c_int32
p_i32 = ctypes.POINTER(ctypes.c_int32)


class FrameInfo(ctypes.Structure):
    """VELMOR_FRAME_INFO: one processed frame, valid during the callback only."""
    _fields_ = [
        ("size", ctypes.c_uint32),
        ("width", ctypes.c_int32),
        ("height", ctypes.c_int32),
        ("stride", ctypes.c_int32),
        ("bitsPerPixel", ctypes.c_int32),
        ("reserved", ctypes.c_int32),
        ("frameNumber", ctypes.c_uint64),
        ("timestampNs", ctypes.c_uint64),
        ("pixels", ctypes.c_void_p),
    ]


class Statistics(ctypes.Structure):
    """VELMOR_STATISTICS."""
    _fields_ = [
        ("size", ctypes.c_uint32),
        ("reserved", ctypes.c_uint32),
        ("framesDelivered", ctypes.c_uint64),
        ("framesFailed", ctypes.c_uint64),
        ("headerFailures", ctypes.c_uint64),
        ("payloadFailures", ctypes.c_uint64),
        ("timeouts", ctypes.c_uint64),
        ("framesBehind", ctypes.c_uint64),
        ("fps", ctypes.c_double),
    ]


FRAME_CALLBACK = ctypes.CFUNCTYPE(None, ctypes.c_int32, ctypes.POINTER(FrameInfo), ctypes.c_void_p)

# name: (result type, argument types). Functions are bound on first use, so a
# library without one of them fails only where it is needed.
_PROTOTYPES = {
    "Velmor_Initialize": (i32, [ctypes.c_void_p]),
    "Velmor_Release": (i32, [i32]),
    "Velmor_GetDllVersion": (i32, []),
    "Velmor_GetLastError": (i32, [i32]),
    "Velmor_GetErrorText": (ctypes.c_char_p, [i32]),
    "Velmor_SetDeviceNumber": (i32, [i32, i32]),
    "Velmor_EnumDevice": (i32, [i32, ctypes.c_void_p]),
    "Velmor_GetDeviceName": (i32, [i32, i32, ctypes.c_char_p, i32]),
    "Velmor_ReadSerialNumberA": (i32, [i32, ctypes.c_char_p, i32]),
    "Velmor_Width": (i32, [i32]),
    "Velmor_Height": (i32, [i32]),
    "Velmor_SetColorMode": (i32, [i32, i32]),
    "Velmor_GetColorMode": (i32, [i32]),
    "Velmor_SetSubSample": (i32, [i32, i32]),
    "Velmor_GetSubSample": (i32, [i32]),
    "Velmor_SetWaitTime": (i32, [i32, i32]),
    "Velmor_GetWaitTime": (i32, [i32]),
    "Velmor_SetMirrorH": (i32, [i32, i32]),
    "Velmor_SetMirrorV": (i32, [i32, i32]),
    "Velmor_GetMirrorH": (i32, [i32]),
    "Velmor_GetMirrorV": (i32, [i32]),
    "Velmor_SetAutoIris": (i32, [i32, i32]),
    "Velmor_GetAutoIris": (i32, [i32, p_i32]),
    "Velmor_SetCaptureWindowEx": (i32, [i32, i32, i32, i32, i32, i32, i32]),
    "Velmor_SetFilterValue": (i32, [i32, i32, i32]),
    "Velmor_GetFilterValue": (i32, [i32, i32, p_i32]),
    "Velmor_SetExposureTimeEx": (i32, [i32, ctypes.c_double]),
    "Velmor_GetExposureTimeEx": (ctypes.c_double, [i32, p_i32]),
    "Velmor_SetRealExposureTime": (i32, [i32, i32]),
    "Velmor_GetRealExposureTime": (i32, [i32, p_i32]),
    "Velmor_Capture": (i32, [i32]),
    "Velmor_SnapShot": (i32, [i32, ctypes.c_void_p, i32, i32]),
    "Velmor_GetImage": (i32, [i32, ctypes.c_void_p, i32, i32]),
    "Velmor_CallBackPreview": (i32, [i32, ctypes.c_void_p, ctypes.c_void_p, i32, i32]),
    "Velmor_StopPreview": (i32, [i32]),
    "Velmor_SetPreviewWindow": (i32, [i32, ctypes.c_void_p, i32, i32, i32, i32]),
    "Velmor_SetFrameCallback": (i32, [i32, FRAME_CALLBACK, ctypes.c_void_p]),
    "Velmor_GetStatistics": (i32, [i32, ctypes.POINTER(Statistics)]),
    "Velmor_SaveImage": (i32, [i32, ctypes.c_char_p, i32]),
    "Velmor_SaveImageW": (i32, [i32, ctypes.c_wchar_p, i32]),
    "Velmor_Record": (i32, [i32, ctypes.c_char_p, i32, i32]),
    "Velmor_RecordW": (i32, [i32, ctypes.c_wchar_p, i32, i32]),
    "Velmor_UpdateMaskData": (i32, [i32, i32]),
    "Velmor_SaveMaskFile": (i32, [i32, ctypes.c_char_p]),
    "Velmor_SaveMaskFileW": (i32, [i32, ctypes.c_wchar_p]),
    "Velmor_LoadMaskFile": (i32, [i32, ctypes.c_char_p]),
    "Velmor_LoadMaskFileW": (i32, [i32, ctypes.c_wchar_p]),
    "Velmor_LoadConfigFileA": (i32, [i32, ctypes.c_char_p]),
    "Velmor_LoadConfigFileW": (i32, [i32, ctypes.c_wchar_p]),
    "Velmor_Fpga_ReadRegister": (i32, [i32, i32, p_i32]),
    "Velmor_Fpga_WriteRegister": (i32, [i32, i32, i32]),
    "Velmor_ReadRegisterEx": (i32, [i32, i32, p_i32]),
    "Velmor_WriteRegisterEx": (i32, [i32, i32, i32]),
    "Velmor_ReadSromID": (i32, [i32, i32, p_i32]),
    "Velmor_WriteSromID": (i32, [i32, i32, i32]),
    "Velmor_EmulatorSet": (ctypes.c_int, [ctypes.c_int, ctypes.c_char_p, ctypes.c_int]),
    "Velmor_EmulatorGet": (ctypes.c_int, [ctypes.c_int, ctypes.c_char_p, ctypes.POINTER(ctypes.c_int)]),
}


def _load():
    explicit = os.environ.get("VELMOR_LIBRARY")
    candidates = [explicit] if explicit else _NAMES + [ctypes.util.find_library("VelmorSdk_S10PX")]
    errors = []
    for name in candidates:
        if not name:
            continue
        try:
            # A plain CDLL: ctypes releases the GIL for the length of every call.
            return ctypes.CDLL(name)
        except OSError as error:
            errors.append(f"{name}: {error}")
    raise OSError("the Velmor library could not be loaded (set VELMOR_LIBRARY): " + "; ".join(errors))


class _Library:
    def __init__(self):
        self._dll = None

    def __getattr__(self, name):
        if self._dll is None:
            self._dll = _load()
        function = getattr(self._dll, name)
        restype, argtypes = _PROTOTYPES[name]
        function.restype = restype
        function.argtypes = argtypes
        setattr(self, name, function)
        return function


lib = _Library()
windows = _WINDOWS
