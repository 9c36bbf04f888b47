// bench-analysis: FIR filtering and FFT spectra of LmCmAnlz, each next to the
// same work done by a plain scalar loop (filtering) or by FFTW with an
// FFTW_MEASURE plan (FFT), so every figure is also a ratio from one run.
//
//   build/bin/bench-analysis --benchmark_repetitions=5 --benchmark_report_aggregates_only=true
#include <benchmark/benchmark.h>
#include <fftw3.h>

#include <algorithm>
#include <cmath>
#include <random>
#include <vector>

#include "Fft.h"
#include "Memory.h"
#include "LmCmAnlz.h"
#include "baseline.h"

namespace {

constexpr uint32_t kSamples = 500000;

std::vector<double> Random(std::size_t n, uint32_t seed) {
    std::mt19937 generator(seed);
    std::uniform_real_distribution<double> distribution(-1.0, 1.0);
    std::vector<double> v(n);
    for (double& x : v) x = distribution(generator);
    return v;
}

struct FilterSystem {
    FilterSystem() { StartFilterSystem(); }
    ~FilterSystem() { StopFilterSystem(); }
};

// The obvious implementation of SetDataFromFiltering (keepHead 1, pitch 1):
// copy of the source, the scalar loop, the result stored in a WAData.
void BM_FilterBaseline(benchmark::State& state) {
    const uint32_t taps = static_cast<uint32_t>(state.range(0));
    const std::vector<double> x = Random(kSamples, 1), h = Random(taps, 2);
    WAData source, result;
    source.SetData(x.data(), kSamples, 48000);
    for (auto _ : state) {
        std::vector<double> copy(kSamples), y(kSamples);
        source.GetData(copy.data());
        BaselineFilter(copy.data(), kSamples, h.data(), taps, y.data());
        result.SetData(y.data(), kSamples, 48000);
        benchmark::DoNotOptimize(result.GetSize());
    }
    state.counters["MMAC/s"] = benchmark::Counter(double(kSamples) * taps * state.iterations() / 1e6,
                                                  benchmark::Counter::kIsRate);
}

void BM_SetDataFromFiltering(benchmark::State& state) {
    FilterSystem system;
    const uint32_t taps = static_cast<uint32_t>(state.range(0));
    const std::vector<double> x = Random(kSamples, 1), h = Random(taps, 2);
    WAData source, result;
    source.SetData(x.data(), kSamples, 48000);
    WADigFilter filter;
    filter.SetPat(h.data(), taps);
    for (auto _ : state) {
        result.SetDataFromFiltering(source, filter, 1);
        benchmark::DoNotOptimize(result.GetSize());
    }
    state.counters["MMAC/s"] = benchmark::Counter(double(kSamples) * taps * state.iterations() / 1e6,
                                                  benchmark::Counter::kIsRate);
    // Largest difference from the plain sequential sum: relative to each
    // output (outputs below 1e-6 of the largest left out) and to the largest.
    std::vector<double> reference(kSamples), y(kSamples);
    BaselineFilter(x.data(), kSamples, h.data(), taps, reference.data());
    result.GetData(y.data());
    double largest = 0, elementwise = 0, worst = 0;
    for (double r : reference) largest = std::max(largest, std::fabs(r));
    for (uint32_t n = 0; n < kSamples; ++n) {
        const double d = std::fabs(y[n] - reference[n]);
        worst = std::max(worst, d);
        if (std::fabs(reference[n]) >= 1e-6 * largest) elementwise = std::max(elementwise, d / std::fabs(reference[n]));
    }
    state.counters["relDiffElem"] = elementwise;
    state.counters["relDiffMax"] = worst / largest;
}

void BM_SetSpectrumFromFFT(benchmark::State& state) {
    const uint32_t n = static_cast<uint32_t>(state.range(0));
    const int mode = static_cast<int>(state.range(1));
    // Mode −1 over one and a half lengths: two transforms of n points.
    const uint32_t count = mode == -1 ? n + n / 2 : n;
    const std::vector<double> x = Random(count, 3);
    WAData data;
    data.SetData(x.data(), count, 48000);
    WAPowerSpectrum spectrum;
    for (auto _ : state) {
        spectrum.SetSpectrumFromFFT(data, 0, count, mode);
        benchmark::DoNotOptimize(spectrum.GetSize());
    }
}

// The library's radix-2 transform alone (real input, split output arrays),
// on 64-byte aligned arrays as the library allocates them (and as FFTW's
// arrays below are).
void BM_FftKernel(benchmark::State& state) {
    const uint32_t n = static_cast<uint32_t>(state.range(0));
    const std::vector<double> random = Random(n, 4);
    lmcmanlz::ScopedDoubles x(n), re(n), im(n);
    std::copy(random.begin(), random.end(), x.get());
    for (auto _ : state) {
        lmcmanlz::Fft(x.get(), nullptr, re.get(), im.get(), n, lmcmanlz::kFftForward);
        benchmark::DoNotOptimize(re.get());
    }
}

// The same on arrays only 8-byte aligned: every vector store then spans two
// cache lines.
void BM_FftKernelUnaligned(benchmark::State& state) {
    const uint32_t n = static_cast<uint32_t>(state.range(0));
    const std::vector<double> random = Random(n, 4);
    lmcmanlz::ScopedDoubles x(n + 1), re(n + 1), im(n + 1);
    std::copy(random.begin(), random.end(), x.get() + 1);
    for (auto _ : state) {
        lmcmanlz::Fft(x.get() + 1, nullptr, re.get() + 1, im.get() + 1, n, lmcmanlz::kFftForward);
        benchmark::DoNotOptimize(re.get());
    }
}

// FFTW complex transform of the same n points (imaginary part zero).
void BM_FftwComplex(benchmark::State& state) {
    const int n = static_cast<int>(state.range(0));
    fftw_complex* in = fftw_alloc_complex(n);
    fftw_complex* out = fftw_alloc_complex(n);
    fftw_plan plan = fftw_plan_dft_1d(n, in, out, FFTW_FORWARD, FFTW_MEASURE);
    const std::vector<double> x = Random(n, 4);
    for (int i = 0; i < n; ++i) {
        in[i][0] = x[i];
        in[i][1] = 0.0;
    }
    for (auto _ : state) {
        fftw_execute(plan);
        benchmark::DoNotOptimize(out);
    }
    fftw_destroy_plan(plan);
    fftw_free(in);
    fftw_free(out);
}

// FFTW real-input transform (half spectrum), for reference.
void BM_FftwReal(benchmark::State& state) {
    const int n = static_cast<int>(state.range(0));
    double* in = fftw_alloc_real(n);
    fftw_complex* out = fftw_alloc_complex(n / 2 + 1);
    fftw_plan plan = fftw_plan_dft_r2c_1d(n, in, out, FFTW_MEASURE);
    const std::vector<double> x = Random(n, 4);
    std::copy(x.begin(), x.end(), in);
    for (auto _ : state) {
        fftw_execute(plan);
        benchmark::DoNotOptimize(out);
    }
    fftw_destroy_plan(plan);
    fftw_free(in);
    fftw_free(out);
}

void BM_SetLPF(benchmark::State& state) {
    FilterSystem system;
    WAFreqFilter filter;
    for (auto _ : state) {
        filter.SetLPF(48000, static_cast<uint32_t>(state.range(0)), 4000);
        benchmark::DoNotOptimize(filter.GetID());
    }
}

BENCHMARK(BM_FilterBaseline)->Arg(2)->Arg(128)->Arg(1024)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_SetDataFromFiltering)->Arg(2)->Arg(128)->Arg(1024)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_SetSpectrumFromFFT)
    ->Args({4096, 0})->Args({65536, 0})->Args({1 << 18, 0})
    ->Args({4096, -1})->Args({65536, -1})->Args({1 << 18, -1})
    ->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_FftKernel)->Arg(4096)->Arg(65536)->Arg(1 << 18)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_FftKernelUnaligned)->Arg(4096)->Arg(65536)->Arg(1 << 18)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_FftwComplex)->Arg(4096)->Arg(65536)->Arg(1 << 18)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_FftwReal)->Arg(4096)->Arg(65536)->Arg(1 << 18)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_SetLPF)->Arg(1024)->Unit(benchmark::kMicrosecond);

}  // namespace

BENCHMARK_MAIN();
