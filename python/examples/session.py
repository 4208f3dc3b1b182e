"""The session of docs/python.md: a sample, a picture of one's own, a band removed, the three
pictures side by side and the band report as a table. From the top of the repository:

    PYTHONPATH=build/python /usr/bin/python3 python/examples/session.py

It writes docs/python-session.png (it needs python3-matplotlib).
"""

import matplotlib

matplotlib.use("Agg")  # no display needed: the figure goes to a file
import matplotlib.pyplot as plt  # noqa: E402

import veld  # noqa: E402

# A sample, with band 5 (ScrollBar6, wavelengths of 16 to 27 pixels) removed.
moon = veld.sample("Moon")
without_band_5 = [100] * 12
without_band_5[5] = 0
moon_run = veld.run(moon, gains=without_band_5)

# A picture of one's own: any grey or RGB(A) array; plt.imread gives floats in 0 ... 1.
photo = plt.imread("docs/window.png")
fitted = veld.fit(photo)
photo_run = veld.run(fitted, gains=[0] * 4 + [100] * 8)  # the Low group removed

figure, rows = plt.subplots(2, 3, figsize=(9, 6.4))
for row, (name, result) in zip(rows, [("Moon, band 5 removed", moon_run),
                                      ("window.png fitted, Low removed", photo_run)]):
    pictures = [("source", result.source), ("spectrum", result.spectrum),
                ("output", result.output)]
    for axes, (title, picture) in zip(row, pictures):
        # Grey pictures are levels 0 ... 255; the spectrum is already RGB.
        axes.imshow(picture, cmap="gray", vmin=0, vmax=255, interpolation="nearest")
        axes.set_title(f"{name}: {title}" if title == "source" else title, fontsize=9)
        axes.set_axis_off()
figure.tight_layout()
figure.savefig("docs/python-session.png", dpi=100)

report = veld.report(moon, gains=without_band_5)
print(f"{'band':>4}  {'slider':11}  {'gain':>4}  {'radius (px)':>15}  {'elements':>8}  "
      f"{'before %':>10}  {'after %':>10}")
for band in report["bands"]:
    radius = f"{band['inner_radius']:.2f} - {band['outer_radius']:.2f}"
    print(f"{band['band']:4}  {band['slider']:11}  {band['gain']:4}  {radius:>15}  "
          f"{band['elements']:8}  {band['share_before']:10.4f}  {band['share_after']:10.4f}")
parseval = report["parseval"]
print(f"Parseval: relative difference {parseval['relative_difference']:.1e}, "
      f"agrees: {parseval['agrees']}")
