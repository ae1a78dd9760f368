#!/usr/bin/python3
"""Draws the manual's pictures of what the plug-in does, from measurements made through the
plug-in itself with `ruckhost curve` and `ruckhost spectrum` (CSV), so they follow the
plug-in's own arithmetic and never a second model of it.

usage: pictures.py RUCKHOST PLUGIN OUTDIR
Writes curves-algorithms.png, curves-foldback.png and spectra.png into OUTDIR.
"""
import csv
import os
import subprocess
import sys
import tempfile

import matplotlib

matplotlib.use("Agg")
import matplotlib.pyplot as plt  # noqa: E402

# Every stage not under study is neutral.
NEUTRAL = ["Foldback=Off", "Round=0", "Antialias=Off", "Pan=0", "Mix=100"]
ALGORITHMS = ["Overdrive Fat", "Overdrive Weak", "Decimator"]
AMOUNTS = [10, 30, 50, 70, 90]
FOLDBACK = [  # (label, settings) with the curve off, folding before it
    ("Multiply +50: compress", ["Multiply=50"]),
    ("Multiply 0: clip", ["Multiply=0"]),
    ("Multiply -50: fold", ["Multiply=-50"]),
    ("Multiply -100: fold past", ["Multiply=-100"]),
]
FOLD_BASE = ["Algorithm=Off", "Foldback=Before", "Gain=0", "Threshold=-6", "Flip Thresh=-6",
             "Round=0", "Antialias=Off", "Pan=0", "Mix=100"]
SPECTRUM_PROGRAMS = ["Nice guitar", "Simple drive", "Hard guitar", "Decimator"]
DPI = 100


def measure(ruckhost, plugin, command, settings, extra, folder):
    out = os.path.join(folder, "measure.csv")
    args = [ruckhost, command, plugin, out] + extra
    for setting in settings:
        args += ["--set", setting]
    subprocess.run(args, check=True, stdout=subprocess.DEVNULL)
    with open(out, newline="") as f:
        rows = list(csv.reader(f))[1:]
    return [[float(v) for v in row] for row in rows]


def curve(ruckhost, plugin, settings, folder):
    rows = measure(ruckhost, plugin, "curve", settings, ["--points", "801"], folder)
    return [r[0] for r in rows], [r[1] for r in rows]


def style(axis, title):
    axis.set_title(title, fontsize=10)
    axis.set_xlabel("input")
    axis.set_ylabel("output")
    axis.set_xlim(-2, 2)
    axis.grid(True, color="#dddddd", linewidth=0.6)
    axis.axhline(0, color="#999999", linewidth=0.6)
    axis.axvline(0, color="#999999", linewidth=0.6)


def draw_algorithms(ruckhost, plugin, folder, path):
    figure, axes = plt.subplots(1, 3, figsize=(11, 3.6), dpi=DPI)
    for axis, algorithm in zip(axes, ALGORITHMS):
        for amount in AMOUNTS:
            x, y = curve(ruckhost, plugin, [f"Algorithm={algorithm}", f"Amount={amount}"] + NEUTRAL, folder)
            axis.plot(x, y, linewidth=1.2, label=f"Amount {amount} %")
        style(axis, algorithm)
    axes[0].legend(fontsize=8, loc="upper left")
    save(figure, path)


def draw_foldback(ruckhost, plugin, folder, path):
    figure, axis = plt.subplots(figsize=(6, 4), dpi=DPI)
    for label, settings in FOLDBACK:
        x, y = curve(ruckhost, plugin, FOLD_BASE + settings, folder)
        axis.plot(x, y, linewidth=1.2, label=label)
    style(axis, "Foldback before, Threshold and Flip Thresh -6 dB, Algorithm Off")
    axis.legend(fontsize=8, loc="upper left")
    save(figure, path)


def draw_spectra(ruckhost, plugin, folder, path):
    figure, axes = plt.subplots(2, 2, figsize=(10, 6), dpi=DPI, sharex=True, sharey=True)
    for axis, program in zip(axes.flat, SPECTRUM_PROGRAMS):
        rows = measure(ruckhost, plugin, "spectrum", [], ["--program", program], folder)
        harmonics = [r[0] for r in rows]
        levels = [max(r[2], -120.0) for r in rows]
        axis.bar(harmonics, [level + 120.0 for level in levels], bottom=-120.0, width=0.6, color="#b5462f")
        axis.set_title(f'"{program}": 1 kHz sine at -6 dBFS', fontsize=10)
        axis.set_ylim(-120, 10)
        axis.grid(True, axis="y", color="#dddddd", linewidth=0.6)
    for axis in axes[1]:
        axis.set_xlabel("harmonic (n x 1 kHz)")
    for axis in axes[:, 0]:
        axis.set_ylabel("level (dBFS)")
    save(figure, path)


def save(figure, path):
    figure.tight_layout()
    figure.savefig(path, metadata={"Software": None})
    plt.close(figure)


def main():
    if len(sys.argv) != 4:
        sys.exit(__doc__)
    ruckhost, plugin, outdir = sys.argv[1:]
    os.makedirs(outdir, exist_ok=True)
    with tempfile.TemporaryDirectory() as folder:
        draw_algorithms(ruckhost, plugin, folder, os.path.join(outdir, "curves-algorithms.png"))
        draw_foldback(ruckhost, plugin, folder, os.path.join(outdir, "curves-foldback.png"))
        draw_spectra(ruckhost, plugin, folder, os.path.join(outdir, "spectra.png"))


if __name__ == "__main__":
    main()
