#!/usr/bin/env python3
"""What kr70-analyse --plot adds per file on 10 s recordings at 50 kHz.

Writes FILES recordings (16-bit mono, a 1 kHz tone with noise), then runs
kr70-analyse ROUNDS times on all of them and on the first alone, each without
and with --plot, alternating, and prints the medians of the wall-clock times.
The per-file cost of --plot is what the FILES - 1 further files add with it
beyond what they add without it; the one-time start of Qt's offscreen
platform is shown apart.

usage: plot_speed.py build/bin/kr70-analyse [FILES=5] [ROUNDS=5]
"""
import math
import random
import resource
import statistics
import struct
import subprocess
import sys
import tempfile
import time
import wave
from pathlib import Path


def write_recording(path, seed):
    rng = random.Random(seed)
    fs, n = 50000, 500000
    frames = bytearray()
    for i in range(n):
        value = int(8000 * math.sin(2 * math.pi * 1000 * i / fs)) + rng.randint(-1500, 1500)
        frames += struct.pack('<h', value)
    with wave.open(str(path), 'wb') as out:
        out.setnchannels(1)
        out.setsampwidth(2)
        out.setframerate(fs)
        out.writeframes(bytes(frames))


def timed(command):
    """Wall-clock and CPU (user + system) seconds of one run."""
    before = resource.getrusage(resource.RUSAGE_CHILDREN)
    start = time.perf_counter()
    subprocess.run(command, check=True, stdout=subprocess.DEVNULL)
    wall = time.perf_counter() - start
    after = resource.getrusage(resource.RUSAGE_CHILDREN)
    return wall, (after.ru_utime - before.ru_utime) + (after.ru_stime - before.ru_stime)


def main():
    program = sys.argv[1]
    files = int(sys.argv[2]) if len(sys.argv) > 2 else 5
    rounds = int(sys.argv[3]) if len(sys.argv) > 3 else 5
    with tempfile.TemporaryDirectory() as scratch:
        scratch = Path(scratch)
        paths = [scratch / f'rec{i}.wav' for i in range(files)]
        for i, path in enumerate(paths):
            write_recording(path, i)
        names = [str(p) for p in paths]
        plain, plotted, one_plain, one_plotted = [], [], [], []
        for _ in range(rounds):
            plain.append(timed([program] + names))
            plotted.append(timed([program, '--plot', str(scratch / 'pictures')] + names))
            one_plain.append(timed([program, names[0]]))
            one_plotted.append(timed([program, '--plot', str(scratch / 'pictures')] + names[:1]))
        for index, clock in ((0, 'wall-clock'), (1, 'CPU')):
            m = {k: statistics.median(run[index] for run in v) * 1000 for k, v in
                 (('plain', plain), ('plotted', plotted), ('one_plain', one_plain), ('one_plotted', one_plotted))}
            per_file = (m['plotted'] - m['one_plotted'] - (m['plain'] - m['one_plain'])) / max(files - 1, 1)
            print(f"{clock}, medians of {rounds}: {files} files {m['plain']:.1f} ms without --plot, "
                  f"{m['plotted']:.1f} ms with; 1 file {m['one_plain']:.1f} ms without, {m['one_plotted']:.1f} ms with")
            print(f"  --plot per file (start-up excluded): {per_file:.1f} ms; once per run "
                  f"(Qt start-up and the first file): {m['one_plotted'] - m['one_plain']:.1f} ms")


if __name__ == '__main__':
    main()
