#include "TestFiles.h"

#include <cmath>
#include <numbers>

namespace kr70::test {

std::vector<int16_t> SineSamples(uint32_t count, double frequency, uint32_t rate, double volts) {
    std::vector<int16_t> samples(count);
    for (uint32_t i = 0; i < count; ++i) {
        const double v = volts * std::sin(2.0 * std::numbers::pi * frequency * i / rate);
        samples[i] = static_cast<int16_t>(std::lround(v * 65534.0 / 10.0));
    }
    return samples;
}

}  // namespace kr70::test
