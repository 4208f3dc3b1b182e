"""The fixture every comparison with veld-render takes.

ctest sets VELD_RENDER to the built program and PYTHONPATH to build/python; run by hand from
the top of the repository, the tests find build/bin/veld-render themselves.
"""

import os

import pytest

from support import REPOSITORY


@pytest.fixture(scope="session")
def veld_render():
    program = os.environ.get("VELD_RENDER", str(REPOSITORY / "build" / "bin" / "veld-render"))
    if not os.access(program, os.X_OK):
        pytest.fail(f"veld-render not found at {program} (build it, or set VELD_RENDER)")
    return program
