#include "TestSupport.h"

#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cmath>
#include <fstream>
#include <numbers>
#include <random>
#include <string>

namespace anlztest {

std::vector<double> RandomSignal(std::size_t n, uint32_t seed, double amplitude) {
    std::mt19937 generator(seed);
    std::uniform_real_distribution<double> distribution(-amplitude, amplitude);
    std::vector<double> v(n);
    for (double& x : v) x = distribution(generator);
    return v;
}

std::vector<LongComplex> NaiveDft(const std::vector<double>& re, const std::vector<double>& im, int sign) {
    const std::size_t n = re.size();
    std::vector<LongComplex> table(n);
    const long double pi = std::numbers::pi_v<long double>;
    for (std::size_t t = 0; t < n; ++t) {
        const long double angle = sign * 2.0L * pi * static_cast<long double>(t) / static_cast<long double>(n);
        table[t] = LongComplex(std::cos(angle), std::sin(angle));
    }
    std::vector<LongComplex> out(n);
    for (std::size_t k = 0; k < n; ++k) {
        LongComplex sum = 0;
        for (std::size_t j = 0; j < n; ++j) {
            const LongComplex x(re[j], im.empty() ? 0.0L : im[j]);
            sum += x * table[(j * k) % n];
        }
        out[k] = sum;
    }
    return out;
}

void NaiveConvolution(const std::vector<double>& x, const std::vector<double>& h, std::vector<long double>& y,
                      std::vector<long double>& bound) {
    y.assign(x.size(), 0.0L);
    bound.assign(x.size(), 0.0L);
    for (std::size_t n = 0; n < x.size(); ++n) {
        for (std::size_t k = 0; k < h.size() && k <= n; ++k) {
            const long double term = static_cast<long double>(h[k]) * x[n - k];
            y[n] += term;
            bound[n] += std::fabs(term);
        }
    }
}

double ResponseMagnitude(const std::vector<double>& coefficients, double f, double fs) {
    const long double w = -2.0L * std::numbers::pi_v<long double> * f / fs;
    LongComplex sum = 0;
    for (std::size_t k = 0; k < coefficients.size(); ++k)
        sum += static_cast<long double>(coefficients[k]) * std::polar(1.0L, w * static_cast<long double>(k));
    return static_cast<double>(std::abs(sum));
}

long double MaxMagnitude(const std::vector<LongComplex>& v) {
    long double m = 0;
    for (const LongComplex& c : v) m = std::max(m, std::abs(c));
    return m;
}

namespace {

std::size_t CurrentAddressSpace() {
    std::ifstream status("/proc/self/statm");
    std::size_t pages = 0;
    status >> pages;
    return pages * static_cast<std::size_t>(sysconf(_SC_PAGESIZE));
}

}  // namespace

bool RunWithMemoryLimit(std::size_t headroomBytes, const std::function<bool()>& body) {
    const pid_t child = fork();
    if (child < 0) return false;
    if (child == 0) {
        const rlim_t limit = CurrentAddressSpace() + headroomBytes;
        const rlimit rl{limit, limit};
        if (setrlimit(RLIMIT_AS, &rl) != 0) _exit(2);
        _exit(body() ? 0 : 1);
    }
    int status = 0;
    if (waitpid(child, &status, 0) != child) return false;
    return WIFEXITED(status) && WEXITSTATUS(status) == 0;
}

}  // namespace anlztest
