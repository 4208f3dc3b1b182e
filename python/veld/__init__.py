"""VELD's engine from Python: a picture through its 2-D Fourier spectrum.

Every picture this module returns is the one the VELD window shows for the same source and
slider setting, bit for bit: the module calls the window's own filter run.

    >>> import veld
    >>> moon = veld.sample("Moon")
    >>> result = veld.run(moon, gains=[100] * 4 + [0] * 8)
    >>> result.output.shape, result.output.dtype
    ((256, 256), dtype('uint8'))

Pictures are numpy arrays indexed [row y][column x], row 0 at the top: a source or output
picture is a 256 x 256 uint8 array, the spectrum picture a 256 x 256 x 3 uint8 array of red,
green and blue.

The setting. Twelve sliders, ScrollBar1 ... ScrollBar12, set the gains of twelve concentric
bands of the centred spectrum (band 0 the zero frequency, band 11 the corners; see bands()).
A slider position runs from 0 (thumb at the top) to 200 (bottom); the gain of its band is
200 - position percent, and every spectrum element of the band is multiplied by
(gain / 100) ** 3. Functions that run the filter take either `positions` or `gains`, twelve
whole numbers from 0 to 200 each, ScrollBar1 first; the default is every slider at 100.

Index order of the complex fields. The engine's matrices are indexed [x][y]; a numpy array
here is [y][x], so element [y][x] of a field is the engine's element [x][y]. The fields are
Fortran-ordered (column x is contiguous in memory), which is the engine's own layout.

The centred transform. With Q the exchange of quadrants by N/2 on both axes
(numpy.fft.fftshift) and T(w)[k] = (1/N^2) sum_m w[m] exp(+2 pi i m.k / N) the transform with
the positive exponent, divided by N^2 (numpy.fft.ifft2), the engine's transform of a field z is
Q(T(Q(z))). In numpy's terms, to rounding:

    centred_spectrum  = fftshift(ifft2(fftshift(source)))
    filtered_spectrum = centred_spectrum * factor of each element's band (exactly)
    back_transform    = fftshift(ifft2(fftshift(filtered_spectrum)))

The zero frequency lies at [128][128] and equals the mean of the source. Two transforms in a
row mirror the field through the origin, so back_transform[y][x] is the filtered source at
((-y) mod 256, (-x) mod 256), divided by 65536.

Threads. The engine's working state is one per process (program-wide buffers), started once
when the module is imported. run() and report() release the GIL while they compute, and calls
from several threads are serialised by a lock inside the module: they are safe, and one run
proceeds at a time while other Python threads go on.

Errors. A setting that leaves the filtered picture without a positive value (every gain 0, or
a black source) raises ZeroMaximumError with the window's text "0 による浮動小数点数除算.";
every error of a run derives from MathError, itself an ArithmeticError. Bad arguments raise
ValueError (TypeError for an argument of the wrong kind) saying which value is wrong.
"""

import dataclasses
import functools
import math
import numbers
import operator

import numpy as np

try:
    from . import _engine
except ImportError as error:
    raise ImportError(
        f"veld: the engine extension is missing beside {__file__}: build it "
        f"(bash scripts/setup) and import veld from build/python"
    ) from error
from ._engine import (  # noqa: E402
    FloatOverflowError,
    InvalidOperationError,
    MathError,
    ZeroMaximumError,
)

__all__ = [
    "SAMPLES",
    "sample",
    "fit",
    "run",
    "Run",
    "bands",
    "band_map",
    "report",
    "MathError",
    "ZeroMaximumError",
    "InvalidOperationError",
    "FloatOverflowError",
]

__version__ = _engine.version

SIZE = _engine.image_size
BAND_COUNT = _engine.band_count
_GROUPS = ("Low", "Middle", "High")

SAMPLES = tuple(_engine.sample_names())

_samples_by_key = {name.casefold(): index for index, name in enumerate(SAMPLES)}


def sample(name):
    """The built-in sample `name` as a 256 x 256 uint8 array.

    `name` is one of SAMPLES ("Wave", "Steps", "Circles1", "Circles2", "Jupiter", "Saturn",
    "Moon"), in any case. The array holds the byte the filter run reads: the blue byte of each
    pixel after the picture is converted to 24 bits, row y = scan line y from the top,
    column x. Every sample is grey, so that byte is the grey level.
    """
    if not isinstance(name, str):
        raise TypeError(f"sample: expected a sample name, not {type(name).__name__}")
    index = _samples_by_key.get(name.casefold())
    if index is None:
        raise ValueError(f'sample: unknown sample "{name}" (one of {", ".join(SAMPLES)})')
    return _engine.sample(index)


def _describe(array):
    shape = " x ".join(str(extent) for extent in array.shape) or "0-dimensional"
    return f"a {shape} {array.dtype} array"


def fit(picture):
    """The picture fitted into 256 x 256 grey levels, as `veld-render --fit` fits a file.

    `picture` is a 2-D grey array (height x width), or a 3-D array of height x width x 3
    (red, green, blue) or x 4 (red, green, blue, alpha; alpha is ignored), with samples of
    dtype uint8, uint16, or float in 0 ... 1. Samples are widened to 16 bits first: a uint8
    sample v becomes 257 v, a uint16 sample stays as it is, a float sample v becomes
    floor(v * 65535 + 0.5). The grey level of a colour is (299 R + 587 G + 114 B + 500) / 1000;
    the picture is centred in the square of its longer side (black beside it), that square is
    scaled smoothly to 256 x 256 and rounded once to 8 bits. The same picture gives the same
    pixels as veld-render's --fit and the window's drop and paste.

    Returns a 256 x 256 uint8 array, ready for run(). Raises ValueError for another shape or
    dtype, an empty picture, or float samples outside 0 ... 1 (NaN included).
    """
    array = np.asarray(picture)
    if array.ndim == 2:
        array = array[:, :, np.newaxis]
    elif not (array.ndim == 3 and array.shape[2] in (1, 3, 4)):
        raise ValueError(
            f"fit: expected a height x width grey array or a height x width x 3 (RGB) or x 4 "
            f"(RGBA) array, got {_describe(np.asarray(picture))}"
        )
    if array.shape[0] == 0 or array.shape[1] == 0:
        raise ValueError(f"fit: the picture is empty ({_describe(np.asarray(picture))})")
    if array.dtype == np.uint8:
        wide = array.astype(np.uint16) * np.uint16(257)
    elif array.dtype == np.uint16:
        wide = array
    elif array.dtype.kind == "f":
        values = array.astype(np.float64)
        # Written so that NaN fails the test as well.
        inside = (values >= 0.0) & (values <= 1.0)
        if not inside.all():
            row, column, channel = np.argwhere(~inside)[0]
            raise ValueError(
                f"fit: float samples must lie in 0 ... 1, found {values[row, column, channel]} "
                f"at row {row}, column {column}"
            )
        wide = np.floor(values * 65535.0 + 0.5).astype(np.uint16)
    else:
        raise ValueError(
            f"fit: samples must be uint8, uint16 or float in 0 ... 1, not {array.dtype}"
        )
    return _engine.fit(np.ascontiguousarray(wide, dtype=np.uint16))


def _checked_source(source):
    array = np.asarray(source)
    if array.dtype != np.uint8 or array.shape != (SIZE, SIZE):
        got = _describe(array) if isinstance(source, np.ndarray) else type(source).__name__
        raise ValueError(
            f"source: expected a {SIZE} x {SIZE} uint8 array, got {got}; "
            f"veld.fit(picture) makes one from any picture"
        )
    return np.ascontiguousarray(array)


def _whole_number(value):
    """The int that `value` stands for, or None when it is not a whole number."""
    if isinstance(value, (bool, np.bool_)):
        return None
    try:
        return operator.index(value)
    except TypeError:
        pass
    if isinstance(value, numbers.Real):
        real = float(value)
        if math.isfinite(real) and real.is_integer():
            return int(real)
    return None


def _twelve(argument, values):
    """Twelve whole numbers from 0 to 200; errors name `argument` and the value's place."""
    if isinstance(values, (str, bytes)) or not hasattr(values, "__iter__"):
        raise TypeError(
            f"{argument}: expected {BAND_COUNT} whole numbers, not {type(values).__name__}"
        )
    items = list(values)
    if len(items) != BAND_COUNT:
        raise ValueError(f"{argument}: expected {BAND_COUNT} values, got {len(items)}")
    result = []
    low, high = _engine.slider_min, _engine.slider_max
    for place, item in enumerate(items, start=1):
        which = f'{argument}: value {place} "{item}"'
        number = _whole_number(item)
        if number is None:
            raise ValueError(f"{which} is not a whole number")
        if not low <= number <= high:
            raise ValueError(f"{which} is out of range {low} to {high}")
        result.append(number)
    return result


def _positions(positions, gains):
    """The twelve slider positions of a setting given by positions or by gains."""
    if positions is not None and gains is not None:
        raise ValueError("positions and gains: give only one of them")
    if gains is not None:
        return tuple(_engine.slider_max - gain for gain in _twelve("gains", gains))
    if positions is None:
        return (_engine.slider_start,) * BAND_COUNT
    return tuple(_twelve("positions", positions))


def _gains_of(positions):
    return tuple(_engine.slider_max - position for position in positions)


@dataclasses.dataclass(frozen=True, repr=False, eq=False)
class Run:
    """The result of one filter run (see run()).

    Pictures, indexed [row y][column x]:
      source    256 x 256 uint8: the blue bytes the run read (the source picture).
      spectrum  256 x 256 x 3 uint8, red, green, blue: the spectrum picture after the gains
                with its red radial curve, what the window's middle image shows.
      output    256 x 256 uint8: the band-filtered picture, what the right image shows.
    The curve:
      profile   400 float64: the summed magnitude of the filtered spectrum at each whole
                distance from (127.5, 127.5), bin k drawn at x = 2 k.
    The complex fields, 256 x 256 complex128, element [y][x] = the engine's [x][y]:
      centred_spectrum   the centred spectrum of the source, before the gains.
      filtered_spectrum  the same after the gains (what the spectrum picture shows).
      back_transform     the filtered spectrum transformed again, before it is normalised.
    The setting:
      positions, gains   twelve ints each, ScrollBar1 first; gain = 200 - position.
    """

    positions: tuple
    gains: tuple
    source: np.ndarray
    spectrum: np.ndarray
    output: np.ndarray
    profile: np.ndarray
    centred_spectrum: np.ndarray
    back_transform: np.ndarray

    @functools.cached_property
    def filtered_spectrum(self):
        # Made when first asked for, from the centred spectrum and the band factors: the run's
        # own products, so the same bits, without copying a third field out of every run.
        return _engine.filtered_field(self.centred_spectrum, list(self.positions))

    def __repr__(self):
        return f"veld.Run(gains={list(self.gains)})"


def run(source, positions=None, *, gains=None):
    """One filter run of `source` with the sliders at `positions` (or the bands at `gains`).

    The run is the one the VELD window makes when it starts with this source and these
    slider positions, and the one veld-render makes: its pictures are theirs, bit for bit.

    source     a 256 x 256 uint8 array, [row y][column x] (sample() or fit() make one; any
               other array raises ValueError).
    positions  twelve whole numbers 0 ... 200, ScrollBar1 first (default: all 100), or
    gains      twelve gains in percent, 0 ... 200 (gain = 200 - position); not both.

    Returns a Run with the source, spectrum and output pictures, the radial profile and the
    three complex fields (see Run and help(veld) for their index order and their relation to
    numpy.fft).

    Raises ZeroMaximumError (a MathError, an ArithmeticError) when the filtered picture has no
    positive value to normalise by, ValueError for a bad source or setting. The GIL is released
    while the run computes; runs from several threads take turns on the one engine.
    """
    array = _checked_source(source)
    setting = _positions(positions, gains)
    fields = _engine.run(array, list(setting))
    return Run(setting, _gains_of(setting), *fields)


def _slider_name(band):
    return f"ScrollBar{band + 1}"


def bands():
    """The twelve bands: a list of dicts, band 0 first.

    Each dict holds "band" (0 ... 11), "slider" ("ScrollBar1" ... "ScrollBar12"), "group"
    ("Low", "Middle" or "High", the slider's group in the window), "inner_radius" and
    "outer_radius" (in pixels from the zero frequency, which is also cycles per picture:
    inner <= r < outer; band 11 ends at the corners, r <= outer) and "elements" (the number of
    spectrum positions in the band).
    """
    return [
        {
            "band": band,
            "slider": _slider_name(band),
            "group": _GROUPS[band // 4],
            "inner_radius": inner,
            "outer_radius": outer,
            "elements": elements,
        }
        for band, (inner, outer, elements) in enumerate(_engine.bands())
    ]


def band_map():
    """The band number (0 ... 11) of every position of the centred spectrum.

    A 256 x 256 int32 array [y][x] (the engine's band_map[x][y]); the zero frequency is at
    [128][128]. filtered_spectrum equals centred_spectrum times the factor of the band each
    element lies in.
    """
    return _engine.band_map()


def _share(part, whole):
    return 100 * part / whole if whole > 0 else 0.0


def _wavelength(radius):
    return math.inf if radius == 0 else SIZE / radius


def report(source, positions=None, *, gains=None):
    """The numbers of `veld-render --report` for this source and setting, as plain data.

    Arguments as for run(). Returns a dict:
      "positions", "gains"   the setting, twelve ints each.
      "bands"     one dict per band: "band", "slider", "position", "gain", "factor"
                  ((gain / 100) ** 3 as the engine multiplies it), "inner_radius",
                  "outer_radius" (pixels = cycles per picture), "longest_wavelength",
                  "shortest_wavelength" (pixels, 256 / r), "elements", "energy_before",
                  "energy_after" (sum of re^2 + im^2 over the band of the centred spectrum,
                  before and after the gains) and "share_before", "share_after" (the same in
                  percent of the whole spectrum's energy, as the report prints them).
      "total"     "elements", "energy_before", "energy_after", "share_before", "share_after".
      "retained"  the energy after the gains as a fraction of the energy before.
      "parseval"  "spectrum_side" (256^2 x the energy before), "source_side" (the sum of the
                  squared source values), "relative_difference" and "agrees" (within the
                  transforms' rounding).
    Like veld-render, it raises ZeroMaximumError when the run fails.
    """
    array = _checked_source(source)
    setting = _positions(positions, gains)
    measured = _engine.report(array, list(setting))
    before, after = measured["before"], measured["after"]
    before_total = 0.0
    after_total = 0.0
    for band in range(BAND_COUNT):
        before_total += before[band]
        after_total += after[band]
    setting_gains = _gains_of(setting)
    rows = []
    for row in bands():
        band = row["band"]
        rows.append(
            {
                "band": band,
                "slider": row["slider"],
                "position": setting[band],
                "gain": setting_gains[band],
                "factor": _engine.band_factor(setting_gains[band]),
                "inner_radius": row["inner_radius"],
                "outer_radius": row["outer_radius"],
                "longest_wavelength": _wavelength(row["inner_radius"]),
                "shortest_wavelength": _wavelength(row["outer_radius"]),
                "elements": measured["elements"][band],
                "energy_before": before[band],
                "energy_after": after[band],
                "share_before": _share(before[band], before_total),
                "share_after": _share(after[band], after_total),
            }
        )
    return {
        "positions": list(setting),
        "gains": list(setting_gains),
        "bands": rows,
        "total": {
            "elements": sum(measured["elements"]),
            "energy_before": before_total,
            "energy_after": after_total,
            "share_before": _share(before_total, before_total),
            "share_after": _share(after_total, after_total),
        },
        "retained": after_total / before_total if before_total > 0 else 0.0,
        "parseval": {
            "spectrum_side": measured["spectrum_side"],
            "source_side": measured["source_side"],
            "relative_difference": measured["relative_difference"],
            "agrees": measured["agrees"],
        },
    }
