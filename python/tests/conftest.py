"""The suite runs against emulated cameras: ctest sets VELMOR_LIBRARY to the
built library and VELMOR_EMULATED_CAMERAS before Python starts, because the
library reads the emulator's variable once."""
import os

import pytest

import velmor


@pytest.fixture(autouse=True)
def own_profile(tmp_path, monkeypatch):
    """Each test starts from a fresh settings profile: the library keeps
    settings per camera between sessions."""
    monkeypatch.setenv("XDG_CONFIG_HOME", str(tmp_path / "profile"))


@pytest.fixture
def camera():
    with velmor.open(0) as opened:
        # A small window keeps every frame quick.
        opened.set_window(912, 912, 1024, 1024)
        opened.wait_time = 0
        yield opened


@pytest.fixture
def scratch(tmp_path):
    return tmp_path


def pytest_configure(config):
    assert os.environ.get("VELMOR_EMULATED_CAMERAS"), "run through ctest: no emulated camera set"
