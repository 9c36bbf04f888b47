#!/usr/bin/python3
"""The workstation's chain in scipy/numpy, timed against kr70-analyse.

Chain (as kr70-analyse runs it with the parameter file written here): read a
16-bit mono WAV as volts (s * 10 / 65534), pitch 1, yuragi filter 4,1,1,0 (a
first difference, first two points blanked), a 1024-tap low-pass at 5000 Hz
(ideal response per bin, inverse FFT, half-period rotation, Blackman window)
applied to both waveforms with scipy.signal.lfilter, the two-window averaged
normalised spectra of 2^18 points with numpy.fft, the five-peak list, the
square-mean waveform (squares), the total and exceeding areas.

    /usr/bin/python3 bench/app/scipy_chain.py --analyse build/bin/kr70-analyse [--seconds 10]

prints the median times of both (each run five times) and their ratio.
"""
import argparse
import os
import statistics
import subprocess
import sys
import tempfile
import time

import numpy as np
from scipy.signal import lfilter

RATE = 50000
TAPS = 1024
CUTOFF = 5000


def write_wav(path, seconds):
    n = int(seconds * RATE)
    rng = np.random.default_rng(1)
    t = np.arange(n)
    volts = np.sin(2 * np.pi * 1000.0 * t / RATE) + rng.normal(0.0, 0.05, n)
    samples = np.clip(np.round(volts * 65534.0 / 10.0), -32768, 32767).astype("<i2")
    data = samples.tobytes()
    header = b"RIFF" + (36 + len(data)).to_bytes(4, "little") + b"WAVEfmt " + (16).to_bytes(4, "little")
    header += (1).to_bytes(2, "little") + (1).to_bytes(2, "little") + RATE.to_bytes(4, "little")
    header += (RATE * 2).to_bytes(4, "little") + (2).to_bytes(2, "little") + (16).to_bytes(2, "little")
    header += b"data" + len(data).to_bytes(4, "little")
    with open(path, "wb") as f:
        f.write(header + data)


def write_params(path):
    # A parameter file as the parameter library reads it ("key = value").
    lines = ["cFileID = LmParaFile", "lFltPara1 = 4", "lFltPara2 = 1", "lFltPara3 = 1",
             "lFltPara4 = 0", "lFltGO = 1", "cFltCase = LPF", f"lFltLng = {TAPS}",
             f"lSyaDanFreq = {CUTOFF}", "fPSikiiMen = 0.0", "fSikiiOverMen = 1.0"]
    with open(path, "w") as f:
        f.write("\n".join(lines) + "\n")


def read_wav(path):
    with open(path, "rb") as f:
        raw = f.read()
    data = np.frombuffer(raw, dtype="<i2", offset=44)
    return data.astype(np.float64) * 10.0 / 65534.0


def lowpass(fs, n, cutoff):
    df = fs / n
    h = np.zeros(n)
    i = np.arange(n // 2)
    h[: n // 2] = (i * df <= cutoff).astype(float)
    h[n // 2 + 1:] = h[1: n // 2][::-1]
    h[n // 2] = 0.0
    impulse = np.real(np.fft.ifft(h))
    coefficients = np.roll(impulse, n // 2)
    x = 2 * np.pi * np.arange(n) / (n - 1)
    return coefficients * (0.42 - 0.5 * np.cos(x) + 0.08 * np.cos(2 * x))


def averaged_spectrum(x):
    n = 1 << int(np.floor(np.log2(len(x))))
    result = []
    for part in (x[:n], x[len(x) - n:]):
        spectrum = np.fft.fft(part)
        power = spectrum.real ** 2 + spectrum.imag ** 2
        amplitude = np.sqrt(power)
        for a in (power, amplitude):
            s = a[1: n // 2 - 1].sum()
            if s >= 1e-6:
                a /= s
        result.append((power, amplitude))
    return (result[0][0] + result[1][0]) / 2, (result[0][1] + result[1][1]) / 2


def five_peaks(amplitude, fs):
    n = len(amplitude)
    v = amplitude[1: n // 2]
    m = len(v)
    top = []
    k = 1
    while k < m - 1:
        left, right = max(0, k - 16), min(m - 1, k + 15)
        window = v[left: right + 1].copy()
        window[k - left] = -np.inf
        above = np.nonzero(window > v[k])[0]
        if len(above) == 0:
            top.append((v[k], k))
            k = right + 1
        else:
            j = above[0] + left
            k = j if j > k else k + 1
    top.sort(key=lambda p: -p[0])
    return [(k + 1) * fs / n for _, k in top[:5]]


def chain(path):
    x = read_wav(path)
    y = lfilter([1.0, -1.0], [1.0], x)
    y[:2] = 0.0
    h = lowpass(RATE, TAPS, CUTOFF)
    analysis = lfilter(h, [1.0], x)
    yuragi = lfilter(h, [1.0], y)
    averaged_spectrum(analysis)
    _, amplitude = averaged_spectrum(yuragi)
    peaks = five_peaks(amplitude, RATE)
    square = yuragi ** 2
    total = square.sum()
    exceeding = square[square >= 0.0].sum()
    return peaks, total, exceeding


def median_time(function, runs):
    times = []
    for _ in range(runs):
        start = time.perf_counter()
        function()
        times.append(time.perf_counter() - start)
    return statistics.median(times)


def main():
    parser = argparse.ArgumentParser(description=__doc__.split("\n")[0])
    parser.add_argument("--analyse", required=True, help="path of kr70-analyse")
    parser.add_argument("--seconds", type=float, default=10.0)
    parser.add_argument("--runs", type=int, default=5)
    args = parser.parse_args()
    with tempfile.TemporaryDirectory() as work:
        wav = os.path.join(work, "bench.wav")
        params = os.path.join(work, "bench.ini")
        write_wav(wav, args.seconds)
        write_params(params)
        peaks, total, exceeding = chain(wav)
        command = [args.analyse, "--json", "--params", params, wav]
        check = subprocess.run(command, capture_output=True, text=True)
        if check.returncode != 0:
            sys.exit(f"kr70-analyse failed: {check.stderr}")
        scipy_time = median_time(lambda: chain(wav), args.runs)
        kr70_time = median_time(lambda: subprocess.run(command, capture_output=True, check=True), args.runs)
    print(f"recording        {args.seconds:g} s at {RATE} Hz, LPF {TAPS} taps, spectra of 2^18 points")
    print(f"scipy peaks (Hz) {', '.join(f'{p:.1f}' for p in peaks)}; total area {total:.6f}")
    print(f"kr70-analyse     {check.stdout.strip()}")
    print(f"scipy chain      {scipy_time * 1000:8.1f} ms (median of {args.runs}, in-process)")
    print(f"kr70-analyse     {kr70_time * 1000:8.1f} ms (median of {args.runs}, whole program run)")
    print(f"ratio            {kr70_time / scipy_time:8.3f} (target <= 0.15)")


if __name__ == "__main__":
    main()
