// LmWaIon — abnormal-sound measures.
//
// Each operation reads one waveform and writes its result into another, distinct
// waveform; nothing keeps state. Status codes are the analysis library's
// (0 success, -1 invalid argument, -2 out of memory, -200 input without data,
// -201 filter system not started, ...). The output is changed only by its final
// store; when that store fails for lack of memory the output is left empty.
#ifndef LMWAION_H
#define LMWAION_H

#include <cstdint>

#include "LmCmAnlz.h"

#define LMWAION_API __attribute__((visibility("default")))

// Square-mean waveform: y[c] = x[c·pitch]² for c·pitch < S, then a trailing
// moving average of smooth values (z[i] = mean of y[i−smooth+1 … i]; the first
// smooth−1 values are 0). Output rate = input rate / pitch (integer division).
// O(S) whatever smooth is. -1 when pitch or smooth is 0.
LMWAION_API int DoSquare(const WAData& input, uint32_t pitch, uint32_t smooth, WAData& output);

// Peak accumulation: a staircase that rises by the peak value of every region
// of samples ≥ threshold at that peak's index, decimated by pitch, then the
// recent rise over the last width points (fluctuation filter type 3, half
// length width/2, smoothing 1, keepHead 0). Needs the filter system started.
// -1 when threshold ≤ 0, pitch 0 or width < 2.
LMWAION_API int DoPeakAccumulate(const WAData& input, double threshold, uint32_t pitch,
                     uint32_t width, WAData& output);

// Judgement: result[i] = 1.0 when x[i] + … + x[i−width+1] ≥ threshold, 0.0 when
// not, −1.0 for i < width−1. Same size and rate as the input. O(S·width).
// -1 when width is 0 or threshold ≤ 0.
LMWAION_API int DoDiagPeak(const WAData& input, uint32_t width, double threshold, WAData& output);

// Judgement with a transform of the older window values: the sum is
// x[i] + f(x[i−1]) + … + f(x[i−width+1]) with f(v) = v² (mode 0), v (mode 1),
// √v for v > 0 and 0 otherwise (mode 2). -1 for another mode, width 0 or
// threshold ≤ 0 (checked before the input).
LMWAION_API int DoDiagPeakEx(const WAData& input, uint32_t width, double threshold, int mode,
                 WAData& output);

#endif
