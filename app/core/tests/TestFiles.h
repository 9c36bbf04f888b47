// Files for the tests: a scratch directory per test and WAV files built byte
// by byte, so that malformed headers can be written too.
#ifndef KR70_APP_CORE_TESTS_TESTFILES_H
#define KR70_APP_CORE_TESTS_TESTFILES_H

#include <unistd.h>

#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include <gtest/gtest.h>

namespace kr70::test {

// A fresh directory under the test's working directory, removed afterwards.
class ScratchDirectory {
public:
    ScratchDirectory() {
        const ::testing::TestInfo* info = ::testing::UnitTest::GetInstance()->current_test_info();
        path_ = std::filesystem::absolute(std::string("scratch-") + info->test_suite_name() + "-" + info->name() +
                                          "-" + std::to_string(getpid()));
        std::filesystem::remove_all(path_);
        std::filesystem::create_directories(path_);
    }
    ~ScratchDirectory() {
        std::error_code error;
        std::filesystem::remove_all(path_, error);
    }
    std::string File(const std::string& name) const { return (path_ / name).string(); }
    const std::filesystem::path& Path() const { return path_; }

private:
    std::filesystem::path path_;
};

inline void WriteBytes(const std::string& path, const std::vector<uint8_t>& bytes) {
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out.write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
    ASSERT_TRUE(out.good()) << path;
}

inline void WriteText(const std::string& path, const std::string& text) {
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out << text;
    ASSERT_TRUE(out.good()) << path;
}

inline std::string ReadText(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

// Builds a RIFF/WAVE file: header fields can be set to anything.
struct WavBuilder {
    uint16_t formatTag = 1;
    uint16_t channels = 1;
    uint32_t sampleRate = 22050;
    uint16_t blockAlign = 2;
    uint16_t bitsPerSample = 16;
    uint32_t formatSize = 16;  // size written for the format chunk
    std::vector<std::vector<uint8_t>> chunksBeforeData;  // complete chunks (id, size, body, pad)
    std::vector<uint8_t> data;                          // sample bytes
    int64_t dataSizeOverride = -1;                      // size written for "data"

    static void Put16(std::vector<uint8_t>& out, uint16_t v) {
        out.push_back(static_cast<uint8_t>(v));
        out.push_back(static_cast<uint8_t>(v >> 8));
    }
    static void Put32(std::vector<uint8_t>& out, uint32_t v) {
        for (int i = 0; i < 4; ++i) out.push_back(static_cast<uint8_t>(v >> (8 * i)));
    }
    static void PutId(std::vector<uint8_t>& out, const char* id) {
        for (int i = 0; i < 4; ++i) out.push_back(static_cast<uint8_t>(id[i]));
    }

    // A chunk with its pad byte when the body size is odd.
    static std::vector<uint8_t> Chunk(const char* id, const std::vector<uint8_t>& body) {
        std::vector<uint8_t> chunk;
        PutId(chunk, id);
        Put32(chunk, static_cast<uint32_t>(body.size()));
        chunk.insert(chunk.end(), body.begin(), body.end());
        if (body.size() % 2 == 1) chunk.push_back(0);
        return chunk;
    }

    void Samples16(const std::vector<int16_t>& samples) {
        data.clear();
        for (int16_t s : samples) Put16(data, static_cast<uint16_t>(s));
        bitsPerSample = 16;
        blockAlign = 2;
    }
    void Samples8(const std::vector<uint8_t>& samples) {
        data = samples;
        bitsPerSample = 8;
        blockAlign = 1;
    }

    std::vector<uint8_t> Bytes() const {
        std::vector<uint8_t> body;
        PutId(body, "WAVE");
        PutId(body, "fmt ");
        Put32(body, formatSize);
        std::vector<uint8_t> format;
        Put16(format, formatTag);
        Put16(format, channels);
        Put32(format, sampleRate);
        Put32(format, sampleRate * blockAlign);
        Put16(format, blockAlign);
        Put16(format, bitsPerSample);
        format.resize(formatSize, 0);
        body.insert(body.end(), format.begin(), format.end());
        if (formatSize % 2 == 1) body.push_back(0);
        for (const auto& chunk : chunksBeforeData) body.insert(body.end(), chunk.begin(), chunk.end());
        PutId(body, "data");
        Put32(body, dataSizeOverride >= 0 ? static_cast<uint32_t>(dataSizeOverride)
                                          : static_cast<uint32_t>(data.size()));
        body.insert(body.end(), data.begin(), data.end());
        std::vector<uint8_t> file;
        PutId(file, "RIFF");
        Put32(file, static_cast<uint32_t>(body.size()));
        file.insert(file.end(), body.begin(), body.end());
        return file;
    }

    void Write(const std::string& path) const { WriteBytes(path, Bytes()); }
};

// A 16-bit WAV of a sine (amplitude in volts) at frequency Hz.
std::vector<int16_t> SineSamples(uint32_t count, double frequency, uint32_t rate, double volts);

}  // namespace kr70::test

#endif
