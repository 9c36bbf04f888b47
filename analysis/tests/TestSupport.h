// Shared helpers of the analysis tests: seeded random data, naive long-double
// references, a fixture that starts the filter system, and a child process
// with a small address-space limit for out-of-memory paths.
#ifndef LMCMANLZ_TESTSUPPORT_H
#define LMCMANLZ_TESTSUPPORT_H

#include <gtest/gtest.h>

#include <complex>
#include <cstdint>
#include <functional>
#include <vector>

#include "LmCmAnlz.h"

namespace anlztest {

std::vector<double> RandomSignal(std::size_t n, uint32_t seed, double amplitude = 1.0);

using LongComplex = std::complex<long double>;

// X[k] = Σ x[j]·e^(sign·2πi·jk/n), in long double with exactly reduced angles.
std::vector<LongComplex> NaiveDft(const std::vector<double>& re, const std::vector<double>& im, int sign = -1);

// y[n] = Σ over k = 0 … min(T−1, n) of h[k]·x[n−k], in long double; also the
// matching bound Σ |h[k]·x[n−k]| for rounding tolerances.
void NaiveConvolution(const std::vector<double>& x, const std::vector<double>& h, std::vector<long double>& y,
                      std::vector<long double>& bound);

// Magnitude of the frequency response Σ c[k]·e^(−2πi·f·k/fs) at f Hz.
double ResponseMagnitude(const std::vector<double>& coefficients, double f, double fs);

// Largest |value| of a vector of complex numbers.
long double MaxMagnitude(const std::vector<LongComplex>& v);

// Tests that limit the address space cannot run under AddressSanitizer, whose
// shadow memory alone reserves terabytes of it (scripts/test.sh --sanitize).
#ifdef KR70_SANITIZE
#define SKIP_UNDER_ADDRESS_SANITIZER() \
    GTEST_SKIP() << "limits the address space, which AddressSanitizer's shadow memory cannot fit"
#else
#define SKIP_UNDER_ADDRESS_SANITIZER() (void)0
#endif

// Runs body in a child process whose address space is limited to what it
// uses now plus `headroomBytes`; the child exits 0 when body returns true.
// Returns whether the child succeeded.
bool RunWithMemoryLimit(std::size_t headroomBytes, const std::function<bool()>& body);

// Starts the filter system for one test and stops it afterwards.
class FilterSystemTest : public ::testing::Test {
protected:
    void SetUp() override { ASSERT_EQ(StartFilterSystem(), 0); }
    void TearDown() override { StopFilterSystem(); }
};

}  // namespace anlztest

#endif
