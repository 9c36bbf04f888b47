#include "DemoSignals.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <numbers>
#include <random>

namespace kr70 {
namespace {

size_t SampleCount(const DemoSettings& s) {
    const double count = std::floor(s.seconds * s.samplingFrequency);
    return count > 0 ? static_cast<size_t>(count) : 0;
}

void PutLe16(unsigned char* p, uint16_t v) {
    p[0] = static_cast<unsigned char>(v & 0xff);
    p[1] = static_cast<unsigned char>(v >> 8);
}

void PutLe32(unsigned char* p, uint32_t v) {
    for (int i = 0; i < 4; ++i) {
        p[i] = static_cast<unsigned char>((v >> (8 * i)) & 0xff);
    }
}

}  // namespace

std::vector<double> DemoTone(const DemoSettings& s) {
    std::vector<double> volts(SampleCount(s));
    const double step = 2.0 * std::numbers::pi * s.toneHz / s.samplingFrequency;
    for (size_t i = 0; i < volts.size(); ++i) {
        volts[i] = s.toneVolts * std::sin(step * static_cast<double>(i));
    }
    return volts;
}

std::vector<double> DemoToneWithClicks(const DemoSettings& s) {
    std::vector<double> volts = DemoTone(s);
    if (s.clicks <= 0 || volts.empty()) {
        return volts;
    }
    const double decay = s.clickMs / 1000.0 * s.samplingFrequency;  // samples
    const size_t length = static_cast<size_t>(std::ceil(decay * 6.0)) + 1;
    const size_t spacing = volts.size() / static_cast<size_t>(s.clicks);
    for (int32_t c = 0; c < s.clicks; ++c) {
        // Clicks sit in the middle of their stretch, alternating in sign.
        const size_t start = spacing * static_cast<size_t>(c) + spacing / 2;
        const double sign = (c % 2 == 0) ? 1.0 : -1.0;
        for (size_t k = 0; k < length && start + k < volts.size(); ++k) {
            volts[start + k] += sign * s.clickVolts * std::exp(-static_cast<double>(k) / decay);
        }
    }
    return volts;
}

std::vector<double> DemoNoise(const DemoSettings& s) {
    std::vector<double> volts(SampleCount(s));
    std::mt19937 generator(s.seed);
    // Box-Muller on the generator's raw output keeps the file identical across
    // standard libraries (std::normal_distribution is not specified exactly).
    const double scale = 1.0 / 4294967296.0;
    for (size_t i = 0; i < volts.size(); ++i) {
        const double u1 = (static_cast<double>(generator()) + 1.0) * scale;
        const double u2 = static_cast<double>(generator()) * scale;
        volts[i] = s.noiseVolts * std::sqrt(-2.0 * std::log(u1)) * std::cos(2.0 * std::numbers::pi * u2);
    }
    return volts;
}

int32_t WriteWav16(const std::string& path, const std::vector<double>& volts, uint32_t samplingFrequency) {
    const uint64_t dataBytes = static_cast<uint64_t>(volts.size()) * 2;
    if (dataBytes > 0xFFFFFFFFull - 36) {
        return -301;
    }
    std::vector<unsigned char> bytes(44 + dataBytes);
    unsigned char* h = bytes.data();
    std::copy_n("RIFF", 4, h);
    PutLe32(h + 4, static_cast<uint32_t>(36 + dataBytes));
    std::copy_n("WAVEfmt ", 8, h + 8);
    PutLe32(h + 16, 16);
    PutLe16(h + 20, 1);  // PCM
    PutLe16(h + 22, 1);  // mono
    PutLe32(h + 24, samplingFrequency);
    PutLe32(h + 28, samplingFrequency * 2);
    PutLe16(h + 32, 2);
    PutLe16(h + 34, 16);
    std::copy_n("data", 4, h + 36);
    PutLe32(h + 40, static_cast<uint32_t>(dataBytes));
    for (size_t i = 0; i < volts.size(); ++i) {
        double sample = std::round(volts[i] * 65534.0 / 10.0);
        sample = sample > 32767.0 ? 32767.0 : (sample < -32768.0 ? -32768.0 : sample);
        PutLe16(h + 44 + 2 * i, static_cast<uint16_t>(static_cast<int16_t>(sample)));
    }
    std::FILE* file = std::fopen(path.c_str(), "wb");
    if (file == nullptr) {
        return -300;
    }
    const bool written = std::fwrite(bytes.data(), 1, bytes.size(), file) == bytes.size();
    const bool closed = std::fclose(file) == 0;
    if (!written || !closed) {
        std::remove(path.c_str());
        return -301;
    }
    return 0;
}

}  // namespace kr70
