// LmCmAnlz — the signal-analysis library: waveform and spectrum containers,
// FFT/DFT spectra, the process-wide filter coefficient table, the FIR filter
// family and FIR filtering.
//
// Conventions for every class of this library:
//  - Results are signed status codes (WA_OK = 0, negative on failure, see
//    WAStatus.h); nothing is thrown and nothing is printed.
//  - Counts and frequencies are 32-bit unsigned; samples and spectra doubles.
//  - Objects are not copyable; pass them by reference. Setters copy the data
//    handed in, getters copy into caller storage of sufficient length, except
//    the ...DataPtr / GetDataPointer getters, which lend the object's own array
//    until its next setting operation, ClearData or destruction.
//  - Not thread-safe per object; the coefficient table is a process-wide
//    singleton without locking (one thread uses filters).
#ifndef LMCMANLZ_H
#define LMCMANLZ_H

#include "WAStatus.h"
#include "WAData.h"
#include "WASpectrum.h"
#include "WAFilter.h"
#include "WAYuragiFilter.h"

#endif
