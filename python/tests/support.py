"""Running the built veld-render and reading and writing its BMP files, for the tests."""

import os
import pathlib
import subprocess

import numpy as np

REPOSITORY = pathlib.Path(__file__).resolve().parents[2]


def run_tool(program, *args, cwd):
    """veld-render with `args` in directory `cwd`; the completed process, output as text."""
    return subprocess.run(
        [program, *map(str, args)],
        cwd=cwd,
        capture_output=True,
        text=True,
        env={**os.environ, "QT_QPA_PLATFORM": "offscreen"},
        timeout=120,
    )


def setting_arguments(positions=None, gains=None):
    """The veld-render options of a setting given as veld.run takes it."""
    if positions is not None:
        return ["--positions", ",".join(map(str, positions))]
    if gains is not None:
        return ["--gains", ",".join(map(str, gains))]
    return []


def read_bmp(path):
    """The pixels of an uncompressed 24-bit BMP as a height x width x 3 RGB array, row 0 on top.

    veld-render's BMP files: a 54-byte header, rows bottom-up, blue, green, red, each row padded
    to a multiple of four bytes.
    """
    data = pathlib.Path(path).read_bytes()
    assert data[:2] == b"BM", f"{path} is not a BMP file"
    offset = int.from_bytes(data[10:14], "little")
    width = int.from_bytes(data[18:22], "little", signed=True)
    height = int.from_bytes(data[22:26], "little", signed=True)
    bits = int.from_bytes(data[28:30], "little")
    assert bits == 24 and height > 0, f"{path}: {bits} bits per pixel, height {height}"
    stride = (width * 3 + 3) // 4 * 4
    rows = np.frombuffer(data, np.uint8, stride * height, offset).reshape(height, stride)
    bgr = rows[::-1, : width * 3].reshape(height, width, 3)
    return bgr[:, :, ::-1].copy()


def write_bmp(path, rgb):
    """A height x width x 3 uint8 RGB array as an uncompressed 24-bit BMP file."""
    height, width, _ = rgb.shape
    stride = (width * 3 + 3) // 4 * 4
    rows = np.zeros((height, stride), np.uint8)
    rows[:, : width * 3] = rgb[::-1, :, ::-1].reshape(height, width * 3)
    pixels = rows.tobytes()
    header = b"BM" + (54 + len(pixels)).to_bytes(4, "little") + bytes(4)
    header += (54).to_bytes(4, "little")
    header += (40).to_bytes(4, "little") + width.to_bytes(4, "little")
    header += height.to_bytes(4, "little") + (1).to_bytes(2, "little")
    header += (24).to_bytes(2, "little") + bytes(4) + len(pixels).to_bytes(4, "little")
    header += bytes(16)
    pathlib.Path(path).write_bytes(header + pixels)


def grey_of_bmp(path):
    """A grey BMP's level: the blue byte, checked to equal the other two."""
    rgb = read_bmp(path)
    assert (rgb[:, :, 0] == rgb[:, :, 2]).all() and (rgb[:, :, 1] == rgb[:, :, 2]).all()
    return rgb[:, :, 2]
