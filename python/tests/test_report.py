"""veld.report's numbers against the table of `veld-render --report`, printed as it prints them."""

import math
import re

import pytest

import veld
from support import run_tool, setting_arguments

CASES = [
    ("Moon", {"gains": [100] * 4 + [0] * 8}),
    ("Circles2", {"positions": [0, 37, 100, 150, 200, 5, 60, 199, 1, 100, 80, 120]}),
    ("Saturn", {}),
]


def printed_range(low, high):
    return [f"{v:.3f}" if math.isfinite(v) else "\u221e" for v in (low, high)]


@pytest.mark.parametrize("name, setting", CASES)
def test_the_report_has_veld_renders_numbers(veld_render, tmp_path, name, setting):
    done = run_tool(veld_render, "--sample", name, *setting_arguments(**setting), "--report",
                    cwd=tmp_path)
    assert done.returncode == 0, done.stderr
    lines = done.stdout.splitlines()
    ours = veld.report(veld.sample(name), **setting)

    assert lines[1].split()[1] == ",".join(map(str, ours["positions"]))
    rows = lines[4:16]
    for band, (line, row) in enumerate(zip(rows, ours["bands"])):
        words = line.split()
        assert words[:3] == [str(band), row["slider"], str(row["position"])]
        radius = printed_range(row["inner_radius"], row["outer_radius"])
        wavelength = printed_range(row["shortest_wavelength"], row["longest_wavelength"])
        assert [words[3], words[5]] == radius
        assert [words[6], words[8]] == radius
        assert [words[9], words[11]] == wavelength
        assert words[12:] == [
            str(row["elements"]),
            f"{row['share_before']:.6f}", "%",
            f"{row['share_after']:.6f}", "%",
            f"{row['factor']:.6f}",
        ]
        assert row["gain"] == 200 - row["position"]
    total = lines[16].split()
    assert total == ["total", str(ours["total"]["elements"]),
                     f"{ours['total']['share_before']:.6f}", "%",
                     f"{ours['total']['share_after']:.6f}", "%"]
    assert f"holds {ours['retained']:.6f} of its energy" in lines[19]

    parseval = ours["parseval"]
    match = re.fullmatch(
        r"Parseval: 256\^2 x sum \|X\|\^2 = (\S+), sum of squared source values = (\S+), "
        r"relative difference (\S+): (.*)",
        lines[20],
    )
    assert match, lines[20]
    assert match.groups() == (
        f"{parseval['spectrum_side']:.15e}",
        f"{parseval['source_side']:.15e}",
        f"{parseval['relative_difference']:.3e}",
        "agrees within rounding" if parseval["agrees"] else "DOES NOT AGREE",
    )
    assert parseval["agrees"]


def test_the_report_energies_are_those_of_the_runs_fields():
    setting = {"gains": [150, 0, 100, 200, 100, 100, 30, 100, 100, 0, 100, 200]}
    source = veld.sample("Jupiter")
    result = veld.run(source, **setting)
    ours = veld.report(source, **setting)
    numbers = veld.band_map()
    for row in ours["bands"]:
        inside = numbers == row["band"]
        before = (abs(result.centred_spectrum[inside]) ** 2).sum()
        after = (abs(result.filtered_spectrum[inside]) ** 2).sum()
        assert row["energy_before"] == pytest.approx(before, rel=1e-12, abs=1e-300)
        assert row["energy_after"] == pytest.approx(after, rel=1e-12, abs=1e-300)
    assert ours["parseval"]["source_side"] == (source.astype(float) ** 2).sum()


def test_a_report_of_a_failing_setting_fails_as_veld_render_does():
    with pytest.raises(veld.ZeroMaximumError):
        veld.report(veld.sample("Moon"), gains=[0] * 12)


def test_the_report_is_plain_data():
    ours = veld.report(veld.sample("Wave"))

    def plain(value):
        if isinstance(value, dict):
            return all(isinstance(k, str) and plain(v) for k, v in value.items())
        if isinstance(value, list):
            return all(plain(v) for v in value)
        return type(value) in (int, float, bool, str)

    assert plain(ours)
