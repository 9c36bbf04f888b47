// Building blocks of the abnormal-sound measures, reachable by the tests.
#ifndef LMWAION_MEASURES_H
#define LMWAION_MEASURES_H

#include <cstddef>
#include <cstdint>

namespace lmwaion {

// Squares x[0], x[pitch], … into y (⌈count/pitch⌉ values) and replaces them
// by the trailing mean of smooth values, the first smooth−1 values 0. Returns
// the number of values written.
std::size_t SquareMean(const double* x, std::size_t count, uint32_t pitch, uint32_t smooth,
                       double* y);

// The peak staircase: rises by each region's peak value (a region is a run of
// samples ≥ threshold) at that peak's index and holds in between.
void PeakStaircase(const double* x, std::size_t count, double threshold, double* accumulated);

// Judgement values: 1.0 / 0.0 for window sums ≥ / < threshold, −1.0 while the
// window of width is not full. mode: 0 squares, 1 plain, 2 square roots of the
// older window values (the newest value always enters unchanged).
void Judge(const double* x, std::size_t count, uint32_t width, double threshold, int mode,
           double* result);

}  // namespace lmwaion

#endif
