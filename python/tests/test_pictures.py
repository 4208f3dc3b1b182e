"""veld.run's pictures against veld-render's files for the same source and setting, bit for bit.

veld-render starts the engine afresh for its one run; the module starts it once and clears the
carried imaginary field before each run. The runs below follow one another in one process, so
every comparison also holds that clearing to a fresh start.
"""

import numpy as np
import pytest

import veld
from support import grey_of_bmp, read_bmp, run_tool, setting_arguments, write_bmp

SETTINGS = {
    "all at 100": {},
    "band 5 removed": {"gains": [100] * 5 + [0] + [100] * 6},
    "Low group only": {"gains": [100] * 4 + [0] * 8},
    "every gain 200": {"gains": [200] * 12},
    "mixed positions": {"positions": [0, 37, 100, 150, 200, 5, 60, 199, 1, 100, 80, 120]},
}

ZERO_MAXIMUM_TEXT = "0 による浮動小数点数除算."


def rendered(veld_render, tmp_path, source_arguments, setting):
    """veld-render's source, spectrum and output for one run, as arrays."""
    names = {"source": "source.bmp", "spectrum": "spectrum.bmp", "output": "output.bmp"}
    outputs = [argument for kind, name in names.items() for argument in (f"--{kind}", name)]
    done = run_tool(
        veld_render, *source_arguments, *setting_arguments(**setting), *outputs, cwd=tmp_path
    )
    assert done.returncode == 0, done.stderr
    return (
        grey_of_bmp(tmp_path / names["source"]),
        read_bmp(tmp_path / names["spectrum"]),
        grey_of_bmp(tmp_path / names["output"]),
    )


def assert_same_pictures(result, expected):
    source, spectrum, output = expected
    for name, ours, theirs in [
        ("source", result.source, source),
        ("spectrum", result.spectrum, spectrum),
        ("output", result.output, output),
    ]:
        assert ours.dtype == np.uint8 and ours.shape == theirs.shape, name
        differing = np.argwhere(ours != theirs)
        assert differing.size == 0, (
            f"{name}: {len(differing)} bytes differ, the first at {differing[0]}"
        )


@pytest.mark.parametrize("setting_name", SETTINGS)
@pytest.mark.parametrize("name", veld.SAMPLES)
def test_a_sample_gives_veld_renders_pictures(veld_render, tmp_path, name, setting_name):
    setting = SETTINGS[setting_name]
    expected = rendered(veld_render, tmp_path, ["--sample", name], setting)
    assert_same_pictures(veld.run(veld.sample(name), **setting), expected)


def own_picture():
    """A colour picture wider than high, with detail at every scale, as a photograph has."""
    y, x = np.mgrid[0:171, 0:300]
    red = 127.5 + 127.5 * np.sin(x * y / 900.0)
    green = 255.0 * ((x // 17 + y // 11) % 2)
    blue = 255.0 * np.exp(-((x - 210.0) ** 2 + (y - 60.0) ** 2) / 800.0)
    return np.stack([red, green, blue], axis=2).astype(np.uint8)


@pytest.mark.parametrize("setting_name", ["all at 100", "Low group only"])
def test_a_fitted_picture_gives_veld_renders_pictures(veld_render, tmp_path, setting_name):
    setting = SETTINGS[setting_name]
    picture = own_picture()
    write_bmp(tmp_path / "picture.bmp", picture)
    expected = rendered(veld_render, tmp_path, ["--input", "picture.bmp", "--fit"], setting)
    assert_same_pictures(veld.run(veld.fit(picture), **setting), expected)


@pytest.mark.parametrize("name", veld.SAMPLES)
def test_every_slider_at_the_bottom_fails_as_veld_render_does(veld_render, tmp_path, name):
    done = run_tool(
        veld_render, "--sample", name, "--positions", ",".join(["200"] * 12),
        "--output", "x.bmp", cwd=tmp_path,
    )
    assert (done.returncode, done.stderr) == (3, ZERO_MAXIMUM_TEXT + "\n")
    with pytest.raises(veld.ZeroMaximumError) as raised:
        veld.run(veld.sample(name), positions=[200] * 12)
    assert str(raised.value) == ZERO_MAXIMUM_TEXT
    assert isinstance(raised.value, ArithmeticError)
    assert isinstance(raised.value, veld.MathError)


def test_a_black_picture_has_nothing_to_normalise(veld_render, tmp_path):
    write_bmp(tmp_path / "black.bmp", np.zeros((256, 256, 3), np.uint8))
    done = run_tool(veld_render, "--input", "black.bmp", "--output", "x.bmp", cwd=tmp_path)
    assert (done.returncode, done.stderr) == (3, ZERO_MAXIMUM_TEXT + "\n")
    with pytest.raises(veld.ZeroMaximumError, match=ZERO_MAXIMUM_TEXT):
        veld.run(np.zeros((256, 256), np.uint8))


def test_a_run_after_a_failed_run_is_a_fresh_start(veld_render, tmp_path):
    # The failed run stops after the second transform, leaving the imaginary field as that
    # transform made it; the next run must not see it, nor any other trace of the failure.
    setting = SETTINGS["band 5 removed"]
    expected = rendered(veld_render, tmp_path, ["--sample", "Moon"], setting)
    before = veld.run(veld.sample("Moon"), **setting)
    with pytest.raises(veld.ZeroMaximumError):
        veld.run(veld.sample("Jupiter"), gains=[0] * 12)
    after = veld.run(veld.sample("Moon"), **setting)
    assert_same_pictures(after, expected)
    for name in ("profile", "centred_spectrum", "filtered_spectrum", "back_transform"):
        assert np.array_equal(getattr(after, name), getattr(before, name)), name
