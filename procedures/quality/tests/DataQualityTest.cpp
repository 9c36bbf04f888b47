// The data-quality guard on generated recordings: each fault at known
// positions is found there and nothing else fires; clean tones are not
// flagged; the limits text is read or refused whole.
#include <gtest/gtest.h>

#include <clocale>
#include <cmath>
#include <functional>
#include <numbers>
#include <random>
#include <string>
#include <vector>

#include "DataQuality.h"
#include "LmCmAnlz.h"

namespace kr70 {
namespace {

constexpr uint32_t kRate = 48000;

// Volts as the workstation reads a 16-bit or an 8-bit WAV file of them.
double Read16(double volts) {
    const double code = std::clamp(std::round(volts * 65534.0 / 10.0), -32768.0, 32767.0);
    return code * 10.0 / 65534.0;
}
double Read8(double volts) {
    const double code = std::clamp(std::round((volts + 5.0) / 0.0390625), 0.0, 255.0);
    return code * 0.0390625 - 5.0;
}

std::vector<double> Tone(size_t count, double hz, double volts, uint32_t rate = kRate) {
    std::vector<double> samples(count);
    for (size_t i = 0; i < count; ++i) samples[i] = volts * std::sin(2.0 * std::numbers::pi * hz * i / rate);
    return samples;
}

QualityReport Check(std::vector<double> volts, double (*read)(double), const QualityLimits& limits = {},
                    const QualityChain& chain = {}, uint32_t rate = kRate) {
    for (double& v : volts) v = read(v);
    WAData data;
    EXPECT_EQ(data.SetData(volts.data(), static_cast<uint32_t>(volts.size()), rate), 0);
    return CheckQuality(data, limits, chain);
}

// The checks that fired, by name, separated by blanks.
std::string Names(const QualityReport& report) {
    std::string names;
    for (const QualityFinding& finding : report.findings) names += (names.empty() ? "" : " ") + std::string(QualityCheckName(finding.check));
    return names;
}

struct FaultCase {
    const char* name;
    QualityCheck check;
    SampleRange where;  // the first position expected
    uint32_t positions;
    SampleCoding coding;
    std::function<QualityReport()> run;
};

// A 441 Hz tone of 1 V, one second, with one fault written over it.
QualityReport ToneWith(double (*read)(double), const std::function<void(std::vector<double>&)>& fault,
                       const QualityLimits& limits = {}, const QualityChain& chain = {}) {
    std::vector<double> volts = Tone(kRate, 441.0, 1.0);
    fault(volts);
    return Check(volts, read, limits, chain);
}

void Fill(std::vector<double>& v, uint32_t first, uint32_t last, double value) {
    std::fill(v.begin() + first, v.begin() + last + 1, value);
}

TEST(DataQualityTest, EachFaultIsFoundWhereItWasWritten) {
    const FaultCase cases[] = {
        {"16-bit clip at +32767", QualityCheck::Clipping, {10000, 10099}, 1, SampleCoding::Pcm16,
         [] { return ToneWith(Read16, [](auto& v) { Fill(v, 10000, 10099, 5.0); }); }},
        // The A/D board recorder clamps to -4.5 V and truncates: code -32766.
        {"A/D board rail -32766, twice", QualityCheck::Clipping, {20000, 20049}, 2, SampleCoding::Pcm16,
         [] {
             return ToneWith(Read16, [](auto& v) {
                 Fill(v, 20000, 20049, -32766 * 10.0 / 65534.0);
                 Fill(v, 30000, 30009, -32766 * 10.0 / 65534.0);
             });
         }},
        {"8-bit clip at code 255", QualityCheck::Clipping, {5000, 5019}, 1, SampleCoding::Pcm8,
         [] { return ToneWith(Read8, [](auto& v) { Fill(v, 5000, 5019, 4.96); }); }},
        // Many short touches of full scale: no long run, but 2 % of the samples.
        {"short clips, many", QualityCheck::Clipping, {100, 101}, 479, SampleCoding::Pcm16,
         [] {
             return ToneWith(Read16, [](auto& v) {
                 for (uint32_t i = 100; i < kRate; i += 100) Fill(v, i, i + 1, 5.0);
             });
         }},
        {"dropout of zeros", QualityCheck::Dropout, {24000, 24999}, 1, SampleCoding::Pcm16,
         [] { return ToneWith(Read16, [](auto& v) { Fill(v, 24000, 24999, 0.0); }); }},
        {"held value, 8-bit", QualityCheck::Dropout, {30000, 30959}, 1, SampleCoding::Pcm8,
         [] { return ToneWith(Read8, [](auto& v) { Fill(v, 30000, 30959, 0.3); }); }},
        {"dead channel (-80 dBFS noise)", QualityCheck::DeadChannel, {0, kRate - 1}, 1, SampleCoding::Pcm16,
         [] {
             std::mt19937 random(3);
             std::vector<double> v(kRate);
             for (double& x : v) x = 5e-4 * (static_cast<double>(random() % 2001) / 1000.0 - 1.0);
             return Check(v, [](double x) { return x; });
         }},
        {"DC offset of 1 V", QualityCheck::DcOffset, {0, kRate - 1}, 1, SampleCoding::Pcm16,
         [] { return ToneWith(Read16, [](auto& v) { for (double& x : v) x += 1.0; }); }},
        {"shorter than the FFT frame", QualityCheck::TooShort, {0, 999}, 1, SampleCoding::Pcm16,
         [] { return Check(Tone(1000, 441.0, 1.0), Read16); }},
        // Pitch 4 leaves 1000 points; the filters need 2 + 1024 + 1.
        {"shorter than the filters", QualityCheck::TooShort, {0, 3999}, 1, SampleCoding::Pcm16,
         [] {
             QualityLimits limits;
             limits.minFftPoints = 256;
             return Check(Tone(4000, 441.0, 1.0), Read16, limits, {4, 2, 1024});
         }},
    };
    for (const FaultCase& c : cases) {
        SCOPED_TRACE(c.name);
        const QualityReport report = c.run();
        EXPECT_EQ(report.coding, c.coding);
        ASSERT_EQ(Names(report), QualityCheckName(c.check));
        const QualityFinding& finding = report.findings[0];
        EXPECT_EQ(finding.check, c.check);
        ASSERT_FALSE(finding.positions.empty());
        EXPECT_EQ(finding.positions[0].first, c.where.first);
        EXPECT_EQ(finding.positions[0].last, c.where.last);
        EXPECT_EQ(finding.positionCount, c.positions);
        EXPECT_DOUBLE_EQ(report.Seconds(finding.positions[0].first), c.where.first / double(kRate));
    }
}

TEST(DataQualityTest, FiguresSayHowFarALimitWasPassed) {
    const QualityReport clipped = ToneWith(Read16, [](auto& v) { Fill(v, 10000, 10099, 5.0); });
    const QualityFinding& clip = clipped.findings.at(0);
    EXPECT_EQ(clip.Figure("longest_run"), 100);
    EXPECT_EQ(clip.Figure("full_scale_samples"), 100);
    EXPECT_EQ(clip.Figure("run_limit"), 4);

    // 1 V on a 1 V tone: mean 1 V = 20·log10(1/5) dBFS.
    const QualityReport offset = ToneWith(Read16, [](auto& v) { for (double& x : v) x += 1.0; });
    EXPECT_NEAR(offset.findings.at(0).Figure("dc_volts"), 1.0, 1e-4);
    EXPECT_NEAR(offset.findings.at(0).Figure("dc_dbfs"), -13.979, 1e-3);

    // A constant signal is dead whatever its level (its RMS is -inf dBFS).
    const QualityReport constant = Check(std::vector<double>(kRate, 2.0), Read16);
    const QualityFinding* dead = constant.Find(QualityCheck::DeadChannel);
    ASSERT_NE(dead, nullptr);
    EXPECT_EQ(dead->Figure("constant"), 1.0);
    EXPECT_NE(constant.Find(QualityCheck::DcOffset), nullptr);
    EXPECT_EQ(constant.Find(QualityCheck::Dropout), nullptr);  // a run over the whole recording is not inside it
}

TEST(DataQualityTest, CleanTonesAndNoiseAreNotFlaggedAtTheDefaults) {
    struct Clean {
        double hz, volts;
        uint32_t rate;
        double (*read)(double);
    } tones[] = {{1000, 1.0, 22050, Read16}, {50, 4.5, 48000, Read16},  {20, 0.01, 8000, Read16},
                 {8000, 4.9, 44100, Read16}, {440, 2.0, 11025, Read8}, {100, 0.2, 22050, Read8}};
    for (const Clean& t : tones) {
        SCOPED_TRACE(std::to_string(t.hz) + " Hz " + std::to_string(t.volts) + " V at " + std::to_string(t.rate));
        const QualityReport report = Check(Tone(2 * t.rate, t.hz, t.volts, t.rate), t.read, {}, {1, 2, 256}, t.rate);
        EXPECT_EQ(Names(report), "");
    }
    std::mt19937 random(9);
    std::normal_distribution<double> normal(0.0, 0.5);
    std::vector<double> noise(kRate);
    for (double& x : noise) x = normal(random);
    EXPECT_EQ(Names(Check(noise, Read16)), "");
}

TEST(DataQualityTest, LimitsTextIsTakenWholeOrRefusedWithTheLine) {
    std::setlocale(LC_ALL, "de_DE.UTF-8");  // numbers stay C-locale whatever the process locale
    QualityLimits limits;
    EXPECT_EQ(ParseQualityLimits("# bench 3\n\nclip_run_samples = 8\n  dropout_ms=2.5 \r\n; end\n", limits), "");
    EXPECT_EQ(limits.clipRunSamples, 8u);
    EXPECT_EQ(limits.dropoutMs, 2.5);
    EXPECT_EQ(limits.minFftPoints, 1024u);
    for (const std::string& key : QualityLimitKeys()) {
        QualityLimits copy;
        EXPECT_EQ(SetQualityLimit(copy, key, QualityLimitText(limits, key)), "") << key;
        EXPECT_EQ(QualityLimitText(copy, key), QualityLimitText(limits, key)) << key;
    }

    const QualityLimits before = limits;
    EXPECT_EQ(ParseQualityLimits("clip_fraction = 0.5\nclip_runs = 3\n", limits), "line 2: unknown key 'clip_runs'");
    EXPECT_EQ(ParseQualityLimits("dropout_ms 3\n", limits), "line 1: expected key = value, found 'dropout_ms 3'");
    EXPECT_EQ(ParseQualityLimits("min_fft_points = 10.5\n", limits),
              "line 1: bad value '10.5' for min_fft_points: not a whole number");
    EXPECT_EQ(ParseQualityLimits("clip_fraction = 0\n", limits),
              "line 1: bad value '0' for clip_fraction: must be above 0 to 1");
    EXPECT_EQ(ParseQualityLimits("dead_rms_dbfs = -60,5\n", limits),
              "line 1: bad value '-60,5' for dead_rms_dbfs: not a number");
    EXPECT_EQ(limits.clipFraction, before.clipFraction);  // a refused text changes nothing
    EXPECT_NE(ReadQualityLimitsFile("/nonexistent/limits.txt", limits), "");
    EXPECT_NE(ReadQualityLimitsFile("/tmp", limits), "");
    std::setlocale(LC_ALL, "C");
}

}  // namespace
}  // namespace kr70
