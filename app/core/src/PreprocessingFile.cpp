#include "PreprocessingFile.h"

#include <cstdio>
#include <memory>
#include <new>

#include "FilterDesign.h"
#include "LmCmAnlz.h"
#include "NumberText.h"

namespace kr70 {
namespace {

constexpr int32_t kOpenFailed = -300;
constexpr int32_t kWriteFailed = -301;

// Writes lines to a new text file; the first failure closes it and is final.
class LineFile {
public:
    explicit LineFile(const std::string& path) : file_(std::fopen(path.c_str(), "w")) {}
    ~LineFile() {
        if (file_) {
            std::fclose(file_);
        }
    }
    LineFile(const LineFile&) = delete;
    LineFile& operator=(const LineFile&) = delete;

    bool Opened() const { return file_ != nullptr; }

    bool Write(const std::string& line) {
        if (!file_) {
            return false;
        }
        if (std::fwrite(line.data(), 1, line.size(), file_) != line.size()) {
            std::fclose(file_);
            file_ = nullptr;
            return false;
        }
        return true;
    }

    // Closes the file; false when the close reports an error.
    bool Close() {
        std::FILE* file = file_;
        file_ = nullptr;
        return file != nullptr && std::fclose(file) == 0;
    }

private:
    std::FILE* file_;
};

bool IsPowerOfTwo(uint32_t value) { return value != 0 && (value & (value - 1)) == 0; }

// The yuragi part: n coefficients of SetParamEx (type, B, C, V), n ≤ 1024.
std::unique_ptr<double[]> YuragiPart(const PreprocessingRecord& record, uint32_t& n) {
    const int64_t type = record.yuragiType;
    const int64_t b = record.halfLength;
    const int64_t c = record.smoothing;
    const int64_t v = record.overlap;
    if (type < 1 || type > 5 || b <= 0 || c <= 0 || v < 0 || v >= b) {
        return nullptr;
    }
    const int64_t count = 2 * b - v + c - 1;
    if (count > static_cast<int64_t>(kPatternLimit)) {
        return nullptr;
    }
    WAYuragiFilter filter;
    if (filter.SetParamEx(static_cast<int>(type), static_cast<uint32_t>(b), static_cast<uint32_t>(c),
                          static_cast<uint32_t>(v)) != WA_OK) {
        return nullptr;
    }
    n = static_cast<uint32_t>(count);
    std::unique_ptr<double[]> part(new (std::nothrow) double[n]);
    if (!part || FilterCoefficients(filter, n, part.get()) != WA_OK) {
        return nullptr;
    }
    return part;
}

std::unique_ptr<double[]> FreqPart(const PreprocessingRecord& record) {
    const uint32_t taps = static_cast<uint32_t>(record.taps);
    if (record.taps <= 0 || !IsPowerOfTwo(taps) || taps > kPatternLimit || record.filterType < 1 ||
        record.filterType > 4 || record.samplingFrequency <= 0 || record.lowerFrequency < 0 ||
        record.upperFrequency < 0) {
        return nullptr;
    }
    WAFreqFilter filter;
    if (DesignFreqFilter(filter, record.filterType, static_cast<uint32_t>(record.samplingFrequency),
                         taps, static_cast<uint32_t>(record.lowerFrequency),
                         static_cast<uint32_t>(record.upperFrequency)) != WA_OK) {
        return nullptr;
    }
    std::unique_ptr<double[]> part(new (std::nothrow) double[taps]);
    if (!part || FilterCoefficients(filter, taps, part.get()) != WA_OK) {
        return nullptr;
    }
    return part;
}

}  // namespace

int32_t WritePreprocessingFile(const std::string& path, const PreprocessingRecord& record) {
    LineFile file(path);
    if (!file.Opened()) {
        return kOpenFailed;
    }
    const std::string yuragi = FormatC("Yuragi=%d,%d,%d,%d,%d\n", record.yuragiUse, record.yuragiType,
                                       record.halfLength, record.smoothing, record.overlap);
    const std::string freq = FormatC("Freq=%d,%d,%d,%d,%d\n", record.freqUse, record.filterType,
                                     record.taps, record.lowerFrequency, record.upperFrequency);
    if (!file.Write(yuragi) || !file.Write(freq) || !file.Close()) {
        return kWriteFailed;
    }
    return 0;
}

int32_t BuildCoefficientPattern(const PreprocessingRecord* record, uint32_t capacity,
                                double* output, uint32_t* outputCount) {
    if (record == nullptr || output == nullptr || outputCount == nullptr) {
        return -1;
    }
    uint32_t n = 1;
    std::unique_ptr<double[]> yuragi;
    if (record->yuragiUse != 0) {
        yuragi = YuragiPart(*record, n);
        if (!yuragi) {
            return -1;
        }
    } else {
        yuragi.reset(new (std::nothrow) double[1]);
        if (!yuragi) {
            return -1;
        }
        yuragi[0] = 1.0;
    }
    if (record->freqUse == 0) {
        if (n > capacity) {
            return -1;
        }
        for (uint32_t i = 0; i < n; ++i) {
            output[i] = yuragi[i];
        }
        *outputCount = n;
        return 0;
    }
    if (record->taps <= 0) {
        return -1;
    }
    const uint64_t total = static_cast<uint64_t>(n) + static_cast<uint32_t>(record->taps) - 1;
    if (total > capacity) {
        return -1;
    }
    std::unique_ptr<double[]> freq = FreqPart(*record);
    if (!freq) {
        return -1;
    }
    const uint32_t taps = static_cast<uint32_t>(record->taps);
    for (uint32_t i = 0; i < total; ++i) {
        // result[i] = Σ yuragi[j] · freq[i − j] over 0 ≤ i − j < taps, j < n.
        const uint32_t first = i >= taps ? i - taps + 1 : 0;
        const uint32_t last = i < n - 1 ? i : n - 1;
        double sum = 0.0;
        for (uint32_t j = first; j <= last; ++j) {
            sum += yuragi[j] * freq[i - j];
        }
        output[i] = sum;
    }
    *outputCount = static_cast<uint32_t>(total);
    return 0;
}

int32_t WriteCoefficientPatternFile(const std::string& path, const double* values, uint32_t count) {
    if (values == nullptr) {
        return -1;
    }
    LineFile file(path);
    if (!file.Opened()) {
        return kOpenFailed;
    }
    for (uint32_t i = 0; i < count; ++i) {
        if (!file.Write(FormatC("%.10f\n", values[i]))) {
            return kWriteFailed;
        }
    }
    return file.Close() ? 0 : kWriteFailed;
}

}  // namespace kr70
