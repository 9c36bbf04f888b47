#!/usr/bin/python3
"""Times numpy's savetxt(fmt='%.10f') and loadtxt on the raw-data file that
bench-procedures writes and reads (the same 1,000,000-sample waveform and
header), and prints the median of several runs of each.

Runs under Debian's python3 (python3-numpy). Usage: numpy_rawdata.py [--repetitions N] [--samples N]
"""
import argparse
import os
import statistics
import tempfile
import time

import numpy as np


def waveform(samples):
    i = np.arange(samples, dtype=np.float64)
    return 2.5 * np.sin(i * 0.01) + 0.5 * np.sin(i * 0.37 + 1.0)


def main():
    parser = argparse.ArgumentParser(description=__doc__.splitlines()[0])
    parser.add_argument("--repetitions", type=int, default=5)
    parser.add_argument("--samples", type=int, default=1000000)
    args = parser.parse_args()

    data = waveform(args.samples)
    header = "SampFreq=50000\nSize=%d" % args.samples
    handle, path = tempfile.mkstemp(suffix=".rdt")
    os.close(handle)
    try:
        writes, reads = [], []
        for _ in range(args.repetitions):
            start = time.perf_counter()
            np.savetxt(path, data, fmt="%.10f", header=header, comments="")
            writes.append(time.perf_counter() - start)

            start = time.perf_counter()
            back = np.loadtxt(path, skiprows=2)
            reads.append(time.perf_counter() - start)
            if back.shape != (args.samples,):
                raise SystemExit("loadtxt read %s values" % (back.shape,))
    finally:
        os.remove(path)

    print("numpy %s, %d samples, %d repetitions" % (np.__version__, args.samples, args.repetitions))
    print("savetxt median %.1f ms" % (statistics.median(writes) * 1000))
    print("loadtxt median %.1f ms" % (statistics.median(reads) * 1000))


if __name__ == "__main__":
    main()
