"""The module's interface: samples, fitting, settings, and the errors of bad arguments."""

import os
import subprocess
import sys

import numpy as np
import pytest

import veld
from support import grey_of_bmp, run_tool


def test_the_samples_are_the_seven_of_the_window():
    assert veld.SAMPLES == ("Wave", "Steps", "Circles1", "Circles2", "Jupiter", "Saturn", "Moon")


@pytest.mark.parametrize("name", veld.SAMPLES)
def test_a_sample_is_the_picture_veld_render_reads(veld_render, tmp_path, name):
    done = run_tool(veld_render, "--sample", name, "--source", "s.bmp", cwd=tmp_path)
    assert done.returncode == 0, done.stderr
    picture = veld.sample(name)
    assert picture.dtype == np.uint8 and picture.shape == (256, 256)
    assert np.array_equal(picture, grey_of_bmp(tmp_path / "s.bmp"))


def test_sample_names_are_taken_in_any_case():
    assert np.array_equal(veld.sample("mOON"), veld.sample("Moon"))


def test_a_sample_is_a_copy_of_its_own():
    picture = veld.sample("Wave")
    picture[:] = 0
    assert veld.sample("Wave").any()


@pytest.mark.parametrize(
    "name, error, message",
    [
        ("Mars", ValueError, 'sample: unknown sample "Mars" (one of Wave, Steps, Circles1, '
                             "Circles2, Jupiter, Saturn, Moon)"),
        ("", ValueError, 'sample: unknown sample ""'),
        (3, TypeError, "sample: expected a sample name, not int"),
    ],
)
def test_a_bad_sample_name_is_refused(name, error, message):
    with pytest.raises(error) as raised:
        veld.sample(name)
    assert str(raised.value).startswith(message)


def colour_picture(height=90, width=130):
    rng = np.random.default_rng(16)
    return rng.integers(0, 256, (height, width, 3), dtype=np.uint8)


def test_fit_widens_every_sample_type_the_same_way():
    rgb = colour_picture()
    expected = veld.fit(rgb)
    assert expected.dtype == np.uint8 and expected.shape == (256, 256)
    assert np.array_equal(veld.fit(rgb.astype(np.uint16) * 257), expected)
    assert np.array_equal(veld.fit(rgb / 255.0), expected)
    assert np.array_equal(veld.fit((rgb / 255.0).astype(np.float32)), expected)
    alpha = np.full(rgb.shape[:2] + (1,), 7, np.uint8)
    assert np.array_equal(veld.fit(np.concatenate([rgb, alpha], axis=2)), expected)


def test_fit_takes_a_grey_picture_as_its_level():
    grey = colour_picture()[:, :, 0]
    as_colour = np.repeat(grey[:, :, np.newaxis], 3, axis=2)
    assert np.array_equal(veld.fit(grey), veld.fit(as_colour))
    assert np.array_equal(veld.fit(grey[:, :, np.newaxis]), veld.fit(grey))
    # Not contiguous: a view of every second column.
    wide = np.repeat(grey, 2, axis=1)
    assert np.array_equal(veld.fit(wide[:, ::2]), veld.fit(grey))


def test_fit_keeps_a_256_square_grey_picture():
    picture = veld.sample("Moon")
    assert np.array_equal(veld.fit(picture), picture)


def test_fit_rounds_float_samples_to_the_nearest_16_bit_level():
    # 0.5 is 32767.5 levels: rounded to 32768 they make byte 128; cut to 32767, byte 127.
    assert (veld.fit(np.array([[0.5]])) == 128).all()
    assert (veld.fit(np.array([[32767]], np.uint16)) == 127).all()


@pytest.mark.parametrize(
    "picture, message",
    [
        (np.zeros((10,), np.uint8), "fit: expected a height x width grey array"),
        (np.zeros((4, 4, 2), np.uint8), "fit: expected a height x width grey array"),
        (np.zeros((4, 4, 3, 1), np.uint8), "fit: expected a height x width grey array"),
        (np.zeros((0, 4), np.uint8), "fit: the picture is empty"),
        (np.zeros((4, 4), np.int64), "fit: samples must be uint8, uint16 or float in 0 ... 1, "
                                     "not int64"),
        (np.zeros((4, 4), bool), "fit: samples must be uint8, uint16 or float"),
        (np.full((4, 4), 1.5), "fit: float samples must lie in 0 ... 1, found 1.5 at row 0, "
                               "column 0"),
        (np.array([[0.0, 0.5], [-0.25, 1.0]]), "fit: float samples must lie in 0 ... 1, "
                                               "found -0.25 at row 1, column 0"),
        (np.array([[0.0, np.nan]]), "fit: float samples must lie in 0 ... 1, found nan"),
        (np.array([[np.inf]]), "fit: float samples must lie in 0 ... 1, found inf"),
    ],
)
def test_fit_refuses_what_is_not_a_picture(picture, message):
    with pytest.raises(ValueError) as raised:
        veld.fit(picture)
    assert str(raised.value).startswith(message)


@pytest.mark.parametrize(
    "source, got",
    [
        (np.zeros((256, 256, 3), np.uint8), "a 256 x 256 x 3 uint8 array"),
        (np.zeros((255, 256), np.uint8), "a 255 x 256 uint8 array"),
        (np.zeros((256, 256), np.float64), "a 256 x 256 float64 array"),
        (np.zeros((256, 256), np.uint16), "a 256 x 256 uint16 array"),
        ([[0] * 256] * 256, "list"),
        (None, "NoneType"),
    ],
)
def test_run_refuses_a_source_that_is_not_256_square_bytes(source, got):
    expected = (f"source: expected a 256 x 256 uint8 array, got {got}; "
                "veld.fit(picture) makes one from any picture")
    for call in (veld.run, veld.report):
        with pytest.raises(ValueError) as raised:
            call(source)
        assert str(raised.value) == expected


def test_run_reads_a_source_view_as_its_values():
    moon = veld.sample("Moon")
    bigger = np.zeros((512, 512), np.uint8)
    bigger[::2, ::2] = moon
    assert np.array_equal(veld.run(bigger[::2, ::2]).output, veld.run(moon).output)


TWELVE = [100] * 12


def with_value(place, value):
    values = list(TWELVE)
    values[place - 1] = value
    return values


@pytest.mark.parametrize(
    "arguments, message",
    [
        ({"positions": with_value(3, 250)}, 'positions: value 3 "250" is out of range 0 to 200'),
        ({"gains": with_value(12, -1)}, 'gains: value 12 "-1" is out of range 0 to 200'),
        ({"positions": with_value(1, 100.5)}, 'positions: value 1 "100.5" is not a whole number'),
        ({"gains": with_value(5, "100")}, 'gains: value 5 "100" is not a whole number'),
        ({"gains": with_value(2, None)}, 'gains: value 2 "None" is not a whole number'),
        ({"gains": with_value(7, True)}, 'gains: value 7 "True" is not a whole number'),
        ({"positions": with_value(4, float("nan"))}, 'positions: value 4 "nan" is not a whole '
                                                     "number"),
        ({"positions": [100] * 3}, "positions: expected 12 values, got 3"),
        ({"gains": [100] * 13}, "gains: expected 12 values, got 13"),
        ({"positions": TWELVE, "gains": TWELVE}, "positions and gains: give only one of them"),
    ],
)
def test_a_bad_setting_is_refused_naming_the_value_and_its_place(arguments, message):
    for call in (veld.run, veld.report):
        with pytest.raises(ValueError) as raised:
            call(veld.sample("Wave"), **arguments)
        assert str(raised.value) == message


@pytest.mark.parametrize(
    "arguments, message",
    [
        ({"positions": 100}, "positions: expected 12 whole numbers, not int"),
        ({"gains": ",".join(["100"] * 12)}, "gains: expected 12 whole numbers, not str"),
    ],
)
def test_a_setting_that_is_not_a_list_of_numbers_is_refused(arguments, message):
    with pytest.raises(TypeError) as raised:
        veld.run(veld.sample("Wave"), **arguments)
    assert str(raised.value) == message


def test_gains_and_positions_name_the_same_setting():
    gains = [0, 5, 100, 200, 150, 100, 30, 100, 199, 0, 100, 200]
    by_gains = veld.run(veld.sample("Circles1"), gains=gains)
    by_positions = veld.run(veld.sample("Circles1"), [200 - g for g in gains])
    # Whole numbers of any kind: numpy integers, floats without a fraction.
    by_numpy = veld.run(veld.sample("Circles1"), gains=np.array(gains, np.int16))
    by_floats = veld.run(veld.sample("Circles1"), gains=[float(g) for g in gains])
    for result in (by_gains, by_positions, by_numpy, by_floats):
        assert result.gains == tuple(gains)
        assert result.positions == tuple(200 - g for g in gains)
        assert np.array_equal(result.spectrum, by_gains.spectrum)
        assert np.array_equal(result.output, by_gains.output)
    assert np.array_equal(veld.run(veld.sample("Wave")).output,
                          veld.run(veld.sample("Wave"), TWELVE).output)


def test_bands_describe_the_twelve_sliders():
    bands = veld.bands()
    assert [b["slider"] for b in bands] == [f"ScrollBar{k}" for k in range(1, 13)]
    assert [b["group"] for b in bands] == ["Low"] * 4 + ["Middle"] * 4 + ["High"] * 4
    for inner, outer in zip(bands, bands[1:]):
        assert inner["outer_radius"] == outer["inner_radius"]
    assert bands[0]["inner_radius"] == 0
    assert bands[11]["outer_radius"] == pytest.approx(128 * 2 ** 0.5)
    assert sum(b["elements"] for b in bands) == 65536


def test_importing_and_running_print_nothing_on_standard_output():
    # The engine writes trace lines on standard output when it starts; the module keeps them
    # from the user's output, and leaves that output working.
    code = ("import veld; print('before', flush=True); veld.run(veld.sample('Moon')); "
            "print('after')")
    done = subprocess.run([sys.executable, "-c", code], capture_output=True, text=True,
                          env=os.environ, timeout=120)
    assert done.returncode == 0, done.stderr
    assert done.stdout == "before\nafter\n"


def test_every_public_name_is_documented():
    import pydoc

    text = pydoc.render_doc(veld, renderer=pydoc.plaintext)
    for name in veld.__all__:
        assert getattr(veld, name).__doc__, name
        assert name in text
