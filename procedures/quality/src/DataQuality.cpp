#include "DataQuality.h"

#include <algorithm>
#include <cmath>
#include <cstring>

#include "WAData.h"

namespace kr70 {
namespace {

constexpr double kFullScaleVolts = 5.0;  // 0 dBFS for both codings
constexpr double kVoltsPer16BitCode = 10.0 / 65534.0;
constexpr double kVoltsPer8BitCode = 0.0390625;

// Full scale in volts: a sample at or beyond either bound is at full scale.
struct FullScale {
    double low;
    double high;
};

FullScale FullScaleOf(SampleCoding coding) {
    if (coding == SampleCoding::Pcm8) {
        // Codes 0 and 255, bounded half a code inwards.
        return {-5.0 + 0.5 * kVoltsPer8BitCode, 255 * kVoltsPer8BitCode - 5.0 - 0.5 * kVoltsPer8BitCode};
    }
    // Codes ≥ 32766 and ≤ −32766, bounded half a code inwards.
    return {-32765.5 * kVoltsPer16BitCode, 32765.5 * kVoltsPer16BitCode};
}

// True when every sample is an 8-bit code's volts (to well within the ten
// decimals of a raw-data file) and some sample is neither 0 V nor −5 V, the
// only values a 16-bit recording shares with that grid. A 16-bit recording
// leaves the grid within its first few samples.
bool HeldEightBitCodes(const double* samples, uint32_t count) {
    bool distinctive = false;
    for (uint32_t i = 0; i < count; ++i) {
        const double code = (samples[i] + 5.0) * (1.0 / kVoltsPer8BitCode);
        if (!(code > -0.5 && code < 255.5)) {
            return false;
        }
        const auto nearest = static_cast<int32_t>(code + 0.5);  // code ≥ −0.5: truncation rounds
        if (std::fabs(code - nearest) > 1e-6) {
            return false;
        }
        distinctive = distinctive || (nearest != 0 && nearest != 128);
    }
    return distinctive;
}

double Dbfs(double volts) { return 20.0 * std::log10(volts / kFullScaleVolts); }

// Runs of a property: how many, the longest, and the positions of the first
// ones longer than a limit (and of the first ones of any length).
struct RunList {
    uint64_t limit = 0;  // a run counts as long when longer than this
    std::vector<SampleRange> longRuns;
    std::vector<SampleRange> anyRuns;
    uint32_t count = 0;
    uint32_t longCount = 0;
    uint32_t longest = 0;

    void Add(uint32_t first, uint32_t last) {
        const uint32_t length = last - first + 1;
        ++count;
        longest = std::max(longest, length);
        if (anyRuns.size() < QualityFinding::kMaxPositions) {
            anyRuns.push_back({first, last});
        }
        if (length > limit) {
            ++longCount;
            if (longRuns.size() < QualityFinding::kMaxPositions) {
                longRuns.push_back({first, last});
            }
        }
    }
};

QualityFinding WholeRecording(QualityCheck check, uint32_t points) {
    QualityFinding finding;
    finding.check = check;
    finding.positions.push_back({0, points - 1});
    finding.positionCount = 1;
    return finding;
}

}  // namespace

const char* QualityCheckName(QualityCheck check) {
    switch (check) {
        case QualityCheck::Clipping:
            return "clipping";
        case QualityCheck::DeadChannel:
            return "dead_channel";
        case QualityCheck::Dropout:
            return "dropout";
        case QualityCheck::DcOffset:
            return "dc_offset";
        case QualityCheck::TooShort:
            return "too_short";
    }
    return "";
}

const char* SampleCodingName(SampleCoding coding) { return coding == SampleCoding::Pcm8 ? "8-bit" : "16-bit"; }

double QualityFinding::Figure(const char* name) const {
    for (const QualityFigure& figure : figures) {
        if (std::strcmp(figure.name, name) == 0) {
            return figure.value;
        }
    }
    return 0.0;
}

double QualityReport::Seconds(uint32_t sample) const {
    return samplingFrequency == 0 ? 0.0 : static_cast<double>(sample) / samplingFrequency;
}

const QualityFinding* QualityReport::Find(QualityCheck check) const {
    for (const QualityFinding& finding : findings) {
        if (finding.check == check) {
            return &finding;
        }
    }
    return nullptr;
}

QualityReport CheckQuality(const WAData& recording, const QualityLimits& limits, const QualityChain& chain) {
    QualityReport report;
    double* samples = nullptr;
    const uint32_t n = recording.GetSize();
    if (n == 0 || recording.GetDataPointer(&samples) != 0 || samples == nullptr) {
        return report;
    }
    report.points = n;
    report.samplingFrequency = recording.GetSampFreq();
    report.coding = HeldEightBitCodes(samples, n) ? SampleCoding::Pcm8 : SampleCoding::Pcm16;
    const FullScale fullScale = FullScaleOf(report.coding);

    // Sums about the first sample (so that a large DC part does not swamp
    // the AC part), full-scale runs and runs of one value, block by block:
    // the sums in four lanes whose additions run side by side, then the runs
    // over the same samples while they are still in the cache.
    RunList clipRuns;
    clipRuns.limit = limits.clipRunSamples;
    RunList dropoutRuns;
    dropoutRuns.limit = static_cast<uint64_t>(std::floor(limits.dropoutMs * report.samplingFrequency / 1000.0));
    const double origin = samples[0];
    double sum0 = 0.0, sum1 = 0.0, sum2 = 0.0, sum3 = 0.0;
    double square0 = 0.0, square1 = 0.0, square2 = 0.0, square3 = 0.0;
    uint64_t fullScaleCount = 0;
    bool clipping = false;
    uint32_t clipStart = 0;
    uint32_t runStart = 0;
    // A run of one value ends at end; it is a dropout when it is long, lies
    // inside the recording and is not at full scale.
    const auto closeRun = [&](uint32_t end) {
        const double value = samples[runStart];
        if (end - runStart + 1 > dropoutRuns.limit && runStart > 0 && end < n - 1 && value > fullScale.low &&
            value < fullScale.high) {
            dropoutRuns.Add(runStart, end);
        }
    };
    constexpr uint32_t kBlock = 4096;
    for (uint32_t block = 0; block < n; block += std::min(kBlock, n - block)) {
        const uint32_t end = block + std::min(kBlock, n - block);
        uint32_t i = block;
        for (; i + 4 <= end; i += 4) {
            const double offset0 = samples[i] - origin, offset1 = samples[i + 1] - origin;
            const double offset2 = samples[i + 2] - origin, offset3 = samples[i + 3] - origin;
            sum0 += offset0, sum1 += offset1, sum2 += offset2, sum3 += offset3;
            square0 += offset0 * offset0, square1 += offset1 * offset1;
            square2 += offset2 * offset2, square3 += offset3 * offset3;
        }
        for (; i < end; ++i) {
            const double offset = samples[i] - origin;
            sum0 += offset;
            square0 += offset * offset;
        }
        for (i = block; i < end; ++i) {
            const double value = samples[i];
            const bool atFullScale = value <= fullScale.low || value >= fullScale.high;
            fullScaleCount += atFullScale ? 1 : 0;
            if (atFullScale != clipping) {
                if (atFullScale) {
                    clipStart = i;
                } else {
                    clipRuns.Add(clipStart, i - 1);
                }
                clipping = atFullScale;
            }
            // Without a branch on the change itself: in a quiet or 8-bit
            // recording neighbours are equal at random, which no branch
            // predictor follows; long runs are rare, and so is their branch.
            const bool changed = i > 0 && value != samples[i - 1];
            if (changed & (i - runStart > dropoutRuns.limit)) {
                closeRun(i - 1);
            }
            runStart += (i - runStart) * static_cast<uint32_t>(changed);
        }
    }
    if (clipping) {
        clipRuns.Add(clipStart, n - 1);
    }
    closeRun(n - 1);
    const double sum = (sum0 + sum1) + (sum2 + sum3);
    const double sumOfSquares = (square0 + square1) + (square2 + square3);

    const double mean = sum / n;
    const double acRms = std::sqrt(std::max(0.0, sumOfSquares / n - mean * mean));
    const double dc = origin + mean;
    const bool constant = runStart == 0;

    const double fullScaleFraction = static_cast<double>(fullScaleCount) / n;
    if (clipRuns.longCount > 0 || fullScaleFraction > limits.clipFraction) {
        QualityFinding finding;
        finding.check = QualityCheck::Clipping;
        // The long runs; when only the share of full-scale samples fired,
        // the first runs of any length.
        const bool longOnes = clipRuns.longCount > 0;
        finding.positions = longOnes ? clipRuns.longRuns : clipRuns.anyRuns;
        finding.positionCount = longOnes ? clipRuns.longCount : clipRuns.count;
        finding.figures = {{"longest_run", static_cast<double>(clipRuns.longest)},
                           {"full_scale_samples", static_cast<double>(fullScaleCount)},
                           {"full_scale_fraction", fullScaleFraction},
                           {"run_limit", static_cast<double>(limits.clipRunSamples)},
                           {"fraction_limit", limits.clipFraction}};
        report.findings.push_back(std::move(finding));
    }
    const double rmsDbfs = Dbfs(acRms);
    if (constant || rmsDbfs < limits.deadRmsDbfs) {
        QualityFinding finding = WholeRecording(QualityCheck::DeadChannel, n);
        finding.figures = {{"rms_dbfs", rmsDbfs}, {"floor_dbfs", limits.deadRmsDbfs}, {"constant", constant ? 1.0 : 0.0}};
        report.findings.push_back(std::move(finding));
    }
    if (dropoutRuns.longCount > 0) {
        QualityFinding finding;
        finding.check = QualityCheck::Dropout;
        finding.positions = dropoutRuns.longRuns;
        finding.positionCount = dropoutRuns.longCount;
        finding.figures = {{"longest_run", static_cast<double>(dropoutRuns.longest)},
                           {"longest_run_s", report.Seconds(dropoutRuns.longest)},
                           {"limit_ms", limits.dropoutMs}};
        report.findings.push_back(std::move(finding));
    }
    const double dcDbfs = Dbfs(std::fabs(dc));
    if (dcDbfs > limits.dcOffsetDbfs) {
        QualityFinding finding = WholeRecording(QualityCheck::DcOffset, n);
        finding.figures = {{"dc_volts", dc}, {"dc_dbfs", dcDbfs}, {"limit_dbfs", limits.dcOffsetDbfs}};
        report.findings.push_back(std::move(finding));
    }
    const uint32_t pitch = std::max<uint32_t>(chain.samplingPitch, 1);
    const uint64_t decimated = (static_cast<uint64_t>(n) + pitch - 1) / pitch;
    const uint64_t filterNeeded = static_cast<uint64_t>(chain.yuragiTaps) + chain.freqTaps + 1;
    if (decimated < limits.minFftPoints || decimated < filterNeeded) {
        QualityFinding finding = WholeRecording(QualityCheck::TooShort, n);
        finding.figures = {{"points", static_cast<double>(decimated)},
                           {"fft_points_needed", static_cast<double>(limits.minFftPoints)},
                           {"filter_points_needed", static_cast<double>(filterNeeded)}};
        report.findings.push_back(std::move(finding));
    }
    return report;
}

}  // namespace kr70
