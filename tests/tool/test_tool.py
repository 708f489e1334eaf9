"""The velmor command-line tool against an emulated camera: outputs, files
and exit codes (0 done, 1 failed, 2 wrong argument, 3 no camera)."""
import os
import shlex
import subprocess

import pytest

# The tool, after the program that runs it where there is one (Wine).
TOOL = [*shlex.split(os.environ.get("VELMOR_TOOL_LAUNCHER", "")), os.environ["VELMOR_TOOL"]]


def run(*args, camera=True):
    env = dict(os.environ)
    if not camera:
        env["VELMOR_EMULATED_CAMERAS"] = "0"
    return subprocess.run([*TOOL, *args], capture_output=True, text=True, timeout=120, env=env)


def test_version_and_help():
    assert run("--version").stdout.startswith("VelmorSdk_S10PX version 0x021E.0x0521")
    top = run("--help")
    assert top.returncode == 0
    for command in ("list", "info", "snap", "record", "get", "set", "reg", "mask", "stats", "bench"):
        assert f"  {command} " in top.stdout
        assert run(command, "--help").stdout.startswith(f"usage: velmor {command}")


@pytest.mark.parametrize("args, named", [
    (["frobnicate"], "frobnicate"),
    (["--depth", "12", "list"], "--depth"),
    (["snap", "-o", "x.png", "--bogus"], "--bogus"),
    (["snap", "-o", "picture.gif"], "picture.gif"),
    (["record", "-t", "zero", "-o", "x.avi"], "-t"),
    (["get", "loudness"], "loudness"),
    (["reg", "gpu", "0"], "gpu"),
    (["mask", "flat"], "flat"),
    (["info", "one"], "one"),
])
def test_a_wrong_argument_is_named_and_exits_2(args, named):
    result = run(*args)
    assert result.returncode == 2
    assert named in result.stderr


def test_list_and_info_name_the_chosen_camera():
    listed = run("list").stdout.splitlines()
    assert len(listed) == int(os.environ["VELMOR_EMULATED_CAMERAS"]) >= 2
    info = run("info", "1")
    assert info.returncode == 0
    assert info.stdout.splitlines()[0] == "camera 1: " + listed[1].split("  ", 1)[1]
    assert "serial number" in info.stdout
    assert run("--camera", "1", "info").stdout == info.stdout
    assert run("info", "7").returncode == 3


def test_no_camera_exits_3():
    assert run("list", camera=False).returncode == 3


@pytest.mark.parametrize("fmt, magic", [("png", b"\x89PNG"), ("bmp", b"BM"), ("tiff", b"II*\0"),
                                        ("jpeg", b"\xff\xd8")])
def test_snap_writes_the_file_format_asked_for(tmp_path, fmt, magic):
    out = tmp_path / "shot.img"
    result = run("--depth", "16", "snap", "-f", fmt, "-o", str(out))
    assert result.returncode == 0, result.stderr
    assert out.read_bytes()[:len(magic)] == magic
    # Not a terminal: no progress lines.
    assert "\r" not in result.stdout


def test_snap_numbers_several_files_by_extension(tmp_path):
    result = run("snap", "-n", "2", "-o", str(tmp_path / "s.png"))
    assert result.returncode == 0, result.stderr
    assert sorted(p.name for p in tmp_path.iterdir()) == ["s-001.png", "s-002.png"]


def test_settings_and_registers_round_trip():
    assert run("set", "gamma", "150").returncode == 0
    assert run("set", "brightness", "999").returncode == 1
    # Each run is a new process with a new emulated camera: the write and
    # the read are checked on their own.
    assert run("reg", "fpga", "0x07", "0x33").returncode == 0
    read = run("reg", "sensor", "0x3000")
    assert read.returncode == 0 and read.stdout.startswith("0x")


def test_mask_steps_and_stats(tmp_path):
    mask = tmp_path / "camera.msk"
    result = run("mask", "dark", "bright", "save", str(mask))
    assert result.returncode == 0, result.stderr
    assert mask.stat().st_size == 48666664
    assert run("mask", "load", str(mask)).returncode == 0
    stats = run("stats", "-n", "5")
    assert stats.returncode == 0, stats.stderr
    assert "frames delivered" in stats.stdout


def test_record_writes_an_avi(tmp_path):
    out = tmp_path / "clip.avi"
    result = run("--window", "912,912,1024,1024", "record", "-t", "1", "-o", str(out))
    assert result.returncode == 0, result.stderr
    assert out.read_bytes()[:4] == b"RIFF"
