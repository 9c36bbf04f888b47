#include "CutOutWave.h"

#include <fcntl.h>
#include <unistd.h>

#include <cerrno>
#include <cmath>
#include <cstdio>
#include <filesystem>
#include <new>
#include <random>
#include <vector>

namespace kr70 {
namespace {

constexpr double kFullScaleVolts = 5.0;

double Clamped(double volts) {
    if (volts > kFullScaleVolts) return kFullScaleVolts;
    if (volts < -kFullScaleVolts) return -kFullScaleVolts;
    return volts;
}

void PutLe16(unsigned char* p, uint32_t value) {
    p[0] = static_cast<unsigned char>(value & 0xFF);
    p[1] = static_cast<unsigned char>((value >> 8) & 0xFF);
}

void PutLe32(unsigned char* p, uint32_t value) {
    PutLe16(p, value & 0xFFFF);
    PutLe16(p + 2, value >> 16);
}

bool WriteAll(int fd, const unsigned char* data, size_t size) {
    while (size > 0) {
        const ssize_t written = ::write(fd, data, size);
        if (written < 0 && errno == EINTR) continue;
        if (written <= 0) return false;
        data += written;
        size -= static_cast<size_t>(written);
    }
    return true;
}

// Creates a new file beside path with a name of its own; -1 when none can be
// made. The mode is the ordinary one, narrowed by the umask.
int CreateTemporaryBeside(const std::string& path, std::string& temporary) {
    const std::filesystem::path target(path);
    std::random_device seed;
    std::mt19937 random(seed());
    for (int attempt = 0; attempt < 16; ++attempt) {
        char suffix[32];
        std::snprintf(suffix, sizeof suffix, ".%d.%08x.tmp", static_cast<int>(::getpid()),
                      static_cast<unsigned>(random()));
        temporary = (target.parent_path() / ("." + target.filename().string() + suffix)).string();
        const int fd = ::open(temporary.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
        if (fd >= 0 || errno != EEXIST) return fd;
    }
    return -1;
}

}  // namespace

uint8_t EncodeSample8(double volts) {
    if (std::isnan(volts)) volts = 0.0;
    return static_cast<uint8_t>(128 + static_cast<int>(std::trunc(Clamped(volts) * 25.5)));
}

int16_t EncodeSample16(double volts) {
    if (std::isnan(volts)) volts = 0.0;
    return static_cast<int16_t>(std::trunc(Clamped(volts) * 65534.0 / 10.0));
}

int32_t WriteCutOutWave(const std::string& path, double* samples, uint32_t count, uint32_t samplingFrequency,
                        int32_t bits) {
    if (bits != 8) bits = 16;
    const uint32_t bytesPerSample = static_cast<uint32_t>(bits) / 8;
    const uint64_t dataLength = static_cast<uint64_t>(count) * bytesPerSample;
    if (dataLength + 36 > UINT32_MAX) return kCutOutNoMemory;

    unsigned char header[44] = {'R', 'I', 'F', 'F', 0, 0, 0, 0, 'W', 'A', 'V', 'E', 'f', 'm', 't', ' '};
    PutLe32(header + 4, static_cast<uint32_t>(dataLength + 36));
    PutLe32(header + 16, 16);
    PutLe16(header + 20, 1);
    PutLe16(header + 22, 1);
    PutLe32(header + 24, samplingFrequency);
    PutLe32(header + 28, static_cast<uint32_t>(static_cast<uint64_t>(samplingFrequency) * bytesPerSample));
    PutLe16(header + 32, bytesPerSample);
    PutLe16(header + 34, static_cast<uint32_t>(bits));
    header[36] = 'd';
    header[37] = 'a';
    header[38] = 't';
    header[39] = 'a';
    PutLe32(header + 40, static_cast<uint32_t>(dataLength));

    std::string temporary;
    const int fd = CreateTemporaryBeside(path, temporary);
    if (fd < 0) return kCutOutNotCreated;
    auto fail = [&](int32_t status) {
        ::close(fd);
        ::unlink(temporary.c_str());
        return status;
    };
    if (!WriteAll(fd, header, sizeof header)) return fail(kCutOutIncomplete);

    std::vector<unsigned char> data;
    try {
        data.resize(static_cast<size_t>(dataLength));
    } catch (const std::bad_alloc&) {
        return fail(kCutOutNoMemory);
    }
    for (uint32_t i = 0; i < count; ++i) {
        if (!std::isnan(samples[i])) samples[i] = Clamped(samples[i]);
        if (bits == 8) {
            data[i] = EncodeSample8(samples[i]);
        } else {
            const auto value = static_cast<uint16_t>(EncodeSample16(samples[i]));
            PutLe16(&data[2 * static_cast<size_t>(i)], value);
        }
    }
    if (!WriteAll(fd, data.data(), data.size()) || ::fsync(fd) != 0) return fail(kCutOutIncomplete);
    if (::close(fd) != 0) {
        ::unlink(temporary.c_str());
        return kCutOutIncomplete;
    }
    if (std::rename(temporary.c_str(), path.c_str()) != 0) {
        ::unlink(temporary.c_str());
        return kCutOutNotCreated;
    }
    return kCutOutWritten;
}

}  // namespace kr70
