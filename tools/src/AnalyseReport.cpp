#include "AnalyseReport.h"

#include "AnalysisState.h"
#include "NumberText.h"

namespace kr70 {

bool PrepareHeadlessState(AnalysisState& state, const std::string& parameterFile) {
    state.InitializeParameters("");
    state.SetDifferenceDataEnabled(false);  // no page shows them, and no result file holds them
    if (!parameterFile.empty() && state.OpenParameterFile(parameterFile) == 0) {
        return false;
    }
    state.Settings().spectraEnabled = 1;
    return true;
}

FileReport MakeReport(const std::string& file, const AnalysisState& state) {
    const AnalysisSettings& s = state.Settings();
    FileReport report;
    report.file = file;
    report.loaded = true;
    report.status = state.LastChainStatus() != 0 ? state.LastChainStatus() : state.Measure().status;
    report.samplingFrequency = state.RawWaveform().GetSampFreq();
    report.points = state.RawWaveform().GetSize();
    report.pitch = s.samplingPitch;
    report.effectiveSamplingFrequency = s.effectiveSamplingFrequency;
    report.analysisPoints = state.AnalysisWaveform().GetSize();
    report.yuragiPoints = state.YuragiWaveform().GetSize();
    report.fftStart = s.fftStart;
    report.fftLength = s.fftLength;
    report.spectrumSize = state.YuragiSpectrum().GetSize();
    const SpectrumPeakList& peaks = state.Peaks();
    for (int32_t i = 0; i < SpectrumPeakList::kLines; ++i) {
        if (peaks.Filled(i)) {
            report.peaksHz[i] = peaks.FrequencyHz(i);
        }
    }
    report.squareMeanPoints = state.SquareMeanWaveform().GetSize();
    const MeasureResult& measure = state.Measure();
    if (measure.valid) {
        report.totalArea = measure.totalArea;
        report.exceedingArea = measure.exceedingArea;
        report.judgement = measure.judgement;
        report.totalAreaText = measure.totalAreaText;
        report.exceedingAreaText = measure.exceedingAreaText;
    }
    report.quality = state.Quality();
    return report;
}

std::string JsonString(const std::string& text) {
    std::string out = "\"";
    for (const char c : text) {
        const auto byte = static_cast<unsigned char>(c);
        switch (c) {
            case '"':
                out += "\\\"";
                break;
            case '\\':
                out += "\\\\";
                break;
            case '\n':
                out += "\\n";
                break;
            case '\r':
                out += "\\r";
                break;
            case '\t':
                out += "\\t";
                break;
            default:
                if (byte < 0x20) {
                    out += FormatC("\\u%04x", byte);
                } else {
                    out += c;
                }
        }
    }
    out += '"';
    return out;
}

namespace {

std::string Number(const std::optional<double>& value) {
    return value ? RoundTripText(*value) : "null";
}

std::string Field(const char* key, const std::string& value) {
    return std::string(", \"") + key + "\": " + value;
}

std::string Field(const char* key, uint32_t value) { return Field(key, std::to_string(value)); }

}  // namespace

std::string ReportJson(const FileReport& r) {
    std::string json = "{\"file\": " + JsonString(r.file);
    json += Field("loaded", r.loaded ? "true" : "false");
    if (!r.loaded) {
        return json + "}";
    }
    json += Field("status", std::to_string(r.status));
    json += Field("sampling_frequency", r.samplingFrequency);
    json += Field("points", r.points);
    json += Field("pitch", r.pitch);
    json += Field("effective_sampling_frequency", r.effectiveSamplingFrequency);
    json += Field("analysis_points", r.analysisPoints);
    json += Field("yuragi_points", r.yuragiPoints);
    json += Field("fft_start", r.fftStart);
    json += Field("fft_length", r.fftLength);
    json += Field("spectrum_size", r.spectrumSize);
    std::string peaks = "[";
    for (int i = 0; i < 5; ++i) {
        peaks += (i ? ", " : "") + Number(r.peaksHz[i]);
    }
    json += Field("peaks_hz", peaks + "]");
    json += Field("square_mean_points", r.squareMeanPoints);
    json += Field("total_area", Number(r.totalArea));
    json += Field("exceeding_area", Number(r.exceedingArea));
    std::string verdict = "null";
    if (r.judgement) {
        verdict = *r.judgement == 1 ? "\"OK\"" : "\"NG\"";
    }
    json += Field("judgement", verdict);
    json += Field("quality", QualityJson(r.quality));
    return json + "}";
}

std::string QualityJson(const QualityReport& quality) {
    std::string json = std::string("{\"valid\": ") + (quality.Valid() ? "true" : "false");
    json += Field("coding", JsonString(SampleCodingName(quality.coding)));
    std::string checks;
    for (const QualityFinding& finding : quality.findings) {
        std::string check = "{\"check\": " + JsonString(QualityCheckName(finding.check));
        std::string positions;
        for (const SampleRange& range : finding.positions) {
            positions += std::string(positions.empty() ? "" : ", ") + "{\"first\": " + std::to_string(range.first) +
                         Field("last", range.last) + Field("start_s", Number(quality.Seconds(range.first))) +
                         Field("end_s", Number(quality.Seconds(range.last + 1))) + "}";
        }
        check += Field("positions", "[" + positions + "]");
        check += Field("position_count", finding.positionCount);
        for (const QualityFigure& figure : finding.figures) {
            check += Field(figure.name, Number(figure.value));
        }
        checks += (checks.empty() ? "" : ", ") + check + "}";
    }
    return json + Field("checks", "[" + checks + "]") + "}";
}

std::string QualitySummary(const QualityReport& quality) {
    std::string summary;
    for (const QualityFinding& finding : quality.findings) {
        summary += (summary.empty() ? "" : ", ") + std::string(QualityCheckName(finding.check));
        if (finding.check == QualityCheck::Clipping || finding.check == QualityCheck::Dropout) {
            summary += FormatC(" at %.3f s", quality.Seconds(finding.positions.at(0).first));
        }
    }
    return summary;
}

std::string ReportTableHeading(int fileWidth) {
    return FormatC("%-*s %-10s %16s %16s  %s", fileWidth, "FILE", "VERDICT", "TOTAL AREA", "EXCEEDING AREA",
                   "SPECTRUM PEAKS (Hz)");
}

std::string ReportTableRow(const FileReport& r, int fileWidth) {
    std::string verdict = "not loaded";
    if (r.loaded) {
        verdict = r.judgement ? (*r.judgement == 1 ? "OK" : "NG") : FormatC("failed %d", r.status);
        if (!r.quality.Valid()) {
            verdict += " INVALID";
        }
    }
    std::string peaks;
    for (int i = 0; i < 5 && r.loaded; ++i) {
        peaks += (i ? " " : "") + (r.peaksHz[i] ? FormatC("%.1f", *r.peaksHz[i]) : std::string("-"));
    }
    std::string row = FormatC("%-*s %-10s %16s %16s  %s", fileWidth, r.file.c_str(), verdict.c_str(),
                              r.totalArea ? r.totalAreaText.c_str() : "-",
                              r.exceedingArea ? r.exceedingAreaText.c_str() : "-", peaks.c_str());
    if (r.loaded && !r.quality.Valid()) {
        row += "  (" + QualitySummary(r.quality) + ")";
    }
    return row;
}

}  // namespace kr70
