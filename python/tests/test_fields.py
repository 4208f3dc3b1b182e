"""The complex fields and the profile of a run against numpy: the transforms to rounding, the
gains exactly, the profile's bins and the index order of every array."""

import numpy as np
import pytest

import veld

fftshift = np.fft.fftshift
ifft2 = np.fft.ifft2

# The transforms' rounding on fields of magnitude up to 255 is far below this.
TOLERANCE = 1e-9


def centred_transform(field):
    return fftshift(ifft2(fftshift(field)))


def factors(gains):
    # (gain / 100) ** 3 as the engine multiplies it, left to right.
    return np.array([0.01 * g * g * 0.01 * g * 0.01 for g in gains])


def asymmetric_picture():
    """A picture that no exchange of x and y or mirror leaves unchanged."""
    y, x = np.mgrid[0:256, 0:256]
    picture = (x * 3 + (y * y) // 7) % 256
    picture[40:60, 10:200] = 255
    return picture.astype(np.uint8)


SOURCES = {
    "asymmetric": asymmetric_picture,
    "Wave": lambda: veld.sample("Wave"),
    "Saturn": lambda: veld.sample("Saturn"),
}
GAINS = {
    "all at 100": [100] * 12,
    "mixed": [150, 0, 100, 200, 100, 100, 30, 100, 100, 0, 100, 200],
}


@pytest.mark.parametrize("gains_name", GAINS)
@pytest.mark.parametrize("source_name", SOURCES)
def test_the_fields_are_numpys_centred_transforms(source_name, gains_name):
    source = SOURCES[source_name]()
    gains = GAINS[gains_name]
    result = veld.run(source, gains=gains)

    for field in (result.centred_spectrum, result.filtered_spectrum, result.back_transform):
        assert field.dtype == np.complex128 and field.shape == (256, 256)
    expected = centred_transform(source.astype(np.float64))
    assert np.abs(result.centred_spectrum - expected).max() < TOLERANCE
    assert result.centred_spectrum[128, 128] == pytest.approx(source.mean(), rel=1e-13)

    # The gains multiply each element by its band's factor, one multiplication each: exact.
    scaled = result.centred_spectrum * factors(gains)[veld.band_map()]
    assert np.array_equal(result.filtered_spectrum, scaled)

    expected_back = centred_transform(result.filtered_spectrum)
    assert np.abs(result.back_transform - expected_back).max() < TOLERANCE


def test_two_transforms_mirror_the_source_through_the_origin():
    source = asymmetric_picture()
    back = veld.run(source).back_transform
    mirrored = np.roll(source[::-1, ::-1], 1, axis=(0, 1)) / 65536.0
    assert np.abs(back - mirrored).max() < TOLERANCE / 65536


def test_the_profile_sums_the_magnitudes_by_distance_from_the_centre():
    result = veld.run(asymmetric_picture(), gains=GAINS["mixed"])
    y, x = np.mgrid[0:256, 0:256]
    distance = np.sqrt((x - 127.5) ** 2 + (y - 127.5) ** 2).astype(int)
    expected = np.bincount(
        distance.ravel(), np.abs(result.filtered_spectrum).ravel(), minlength=400
    )
    assert result.profile.dtype == np.float64 and result.profile.shape == (400,)
    assert np.allclose(result.profile, expected, rtol=1e-12, atol=1e-12)


def test_the_output_is_the_back_transform_normalised_and_turned_round():
    # The level of an element is the whole part of 255 |re / largest re|, kept to its low byte;
    # pixel (x, y) shows the element at (255 - x, 255 - y). Every step is one operation in
    # doubles, so numpy gives the same bytes.
    result = veld.run(asymmetric_picture(), gains=GAINS["mixed"])
    real = result.back_transform.real
    normalised = real * (1 / real.max())
    levels = np.trunc(np.abs(255 * normalised)).astype(np.int64) & 0xFF
    assert np.array_equal(result.output, levels[::-1, ::-1].astype(np.uint8))


def test_the_band_map_puts_each_position_between_its_bands_radii():
    numbers = veld.band_map()
    assert numbers.shape == (256, 256)
    y, x = np.mgrid[0:256, 0:256]
    r = np.sqrt((x - 128.0) ** 2 + (y - 128.0) ** 2)
    counts = np.bincount(numbers.ravel(), minlength=12)
    for band in veld.bands():
        inside = numbers == band["band"]
        assert r[inside].min() >= band["inner_radius"] - 1e-9
        if band["band"] < 11:
            assert r[inside].max() < band["outer_radius"]
        else:
            assert r[inside].max() == pytest.approx(band["outer_radius"])
        assert counts[band["band"]] == band["elements"]
    assert counts.sum() == 256 * 256
