// DataQuality — the data-quality guard: checks a recording before it is
// judged, so that a clipped input, a broken microphone cable or a recording
// too short for the chain gives "test again" instead of a verdict that is
// wrong either way. It changes nothing in the analysis or the judgement; it
// only reports what it found.
//
// Checks (limits in QualityLimits, defaults below):
// - clipping: a run of more than clipRunSamples samples at the converter's
//   full scale, or more than clipFraction of all samples at full scale;
// - dead channel: an AC RMS (the mean removed) below deadRmsDbfs, or a
//   constant signal;
// - dropout: a run of one repeated value (exact zeros included) longer than
//   dropoutMs inside the recording — touching neither its first nor its last
//   sample, where recorders may pad — and not at full scale (that is clipping);
// - DC offset: the mean's magnitude above dcOffsetDbfs;
// - too short: fewer points after decimation than the FFT frame
//   (minFftPoints) or than the two filters need to settle (yuragi taps +
//   frequency-filter taps + 1; fewer and the yuragi waveform is only its
//   blanked head, which judges every part OK).
//
// What the recording held: the samples are volts as the workstation reads
// them (16-bit code s → s × 10 / 65534 V; 8-bit code s → s × 0.0390625 − 5 V;
// raw-data files hold the same volts to ten decimals), so the codes are
// recovered from the volts. A recording whose every sample lies on the 8-bit
// grid (and not only on the two values both grids share, 0 V and −5 V) was
// 8-bit; any other is taken on the 16-bit scale. Full scale is 8-bit code 0 or
// 255, and 16-bit code ≥ 32766 or ≤ −32766: a sound card rails at 32767 and
// −32768, the A/D board recorder clamps to ±4.5 V and truncates to ±32766.
// Levels are in dB relative to full scale: 0 dBFS is 5 V for both codings.
//
// CheckQuality is a pure function of its arguments, linear in the number of
// samples (one pass over them, a second only for recordings on the 8-bit
// grid), and keeps no state. Standard library only.
#ifndef KR70_PROCEDURES_QUALITY_DATAQUALITY_H
#define KR70_PROCEDURES_QUALITY_DATAQUALITY_H

#include <cstdint>
#include <string>
#include <vector>

class WAData;

namespace kr70 {

struct QualityLimits {
    uint32_t clipRunSamples = 4;   // clipping: a full-scale run longer than this
    double clipFraction = 0.001;   // ... or more than this fraction at full scale
    double deadRmsDbfs = -70.0;    // dead channel: AC RMS below this
    double dropoutMs = 10.0;       // dropout: a run of one value longer than this
    double dcOffsetDbfs = -20.0;   // DC offset: |mean| above this (−20 dBFS = 0.5 V)
    uint32_t minFftPoints = 1024;  // too short: fewer decimated points than this
};

// What the chain will do with the recording (from the analysis settings, not
// from the limits): decimation and the taps of the two filters (0 for a
// frequency filter of type none).
struct QualityChain {
    uint32_t samplingPitch = 1;
    uint32_t yuragiTaps = 0;
    uint32_t freqTaps = 0;
};

enum class QualityCheck { Clipping, DeadChannel, Dropout, DcOffset, TooShort };

// "clipping", "dead_channel", "dropout", "dc_offset", "too_short".
const char* QualityCheckName(QualityCheck check);

enum class SampleCoding { Pcm16, Pcm8 };

// "16-bit" or "8-bit".
const char* SampleCodingName(SampleCoding coding);

// Samples first … last of the recording (inclusive, 0-based).
struct SampleRange {
    uint32_t first = 0;
    uint32_t last = 0;
};

// One measured value or limit of a finding; name is a static string.
struct QualityFigure {
    const char* name;
    double value;
};

struct QualityFinding {
    QualityCheck check = QualityCheck::Clipping;
    // Where: the runs found, earliest first, at most kMaxPositions of them;
    // the whole recording for the dead-channel, DC and length checks.
    std::vector<SampleRange> positions;
    uint32_t positionCount = 0;  // every run found (positions holds the first)
    std::vector<QualityFigure> figures;
    static constexpr uint32_t kMaxPositions = 16;

    // The figure of that name; 0 when there is none.
    double Figure(const char* name) const;
};

struct QualityReport {
    uint32_t points = 0;  // samples checked
    uint32_t samplingFrequency = 0;
    SampleCoding coding = SampleCoding::Pcm16;
    std::vector<QualityFinding> findings;  // the checks that fired, in QualityCheck order

    bool Valid() const { return findings.empty(); }
    // Time of a sample from the start of the recording, in seconds.
    double Seconds(uint32_t sample) const;
    // The finding of that check, or null when it did not fire.
    const QualityFinding* Find(QualityCheck check) const;
};

// Checks the recording. An empty waveform gives a report without findings.
QualityReport CheckQuality(const WAData& recording, const QualityLimits& limits,
                           const QualityChain& chain = {});

// ---- the limits as "key = value" text ------------------------------------
//
// Keys: clip_run_samples (integer ≥ 1), clip_fraction (0 < f ≤ 1),
// dead_rms_dbfs (−200 … 0), dropout_ms (> 0, ≤ 3600000), dc_offset_dbfs
// (−200 … 0), min_fft_points (integer ≥ 1). Numbers are read in the C locale.

// The keys, in the order above.
const std::vector<std::string>& QualityLimitKeys();

// Sets one limit from its text (blanks around it ignored). An empty string
// when it was taken, else why it was refused (limits then unchanged).
std::string SetQualityLimit(QualityLimits& limits, const std::string& key, const std::string& value);

// The limit's value as text that SetQualityLimit reads back; empty for an
// unknown key.
std::string QualityLimitText(const QualityLimits& limits, const std::string& key);

// Reads "key = value" lines; blank lines and lines whose first non-blank
// character is '#' or ';' are skipped. Keys not named in the text keep their
// value. An empty string when every line was taken, else a message naming the
// first refused line (the limits are then unchanged).
std::string ParseQualityLimits(const std::string& text, QualityLimits& limits);

// ParseQualityLimits on a file's contents; a file that cannot be read is
// refused with a message, too.
std::string ReadQualityLimitsFile(const std::string& path, QualityLimits& limits);

}  // namespace kr70

#endif
