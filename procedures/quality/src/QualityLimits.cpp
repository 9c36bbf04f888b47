// The quality limits as "key = value" text: parsing, checking, writing.
#include <charconv>
#include <cmath>
#include <filesystem>
#include <fstream>
#include <sstream>

#include "DataQuality.h"

namespace kr70 {
namespace {

std::string Trimmed(const std::string& text) {
    const char* blanks = " \t\r\n";
    const size_t first = text.find_first_not_of(blanks);
    if (first == std::string::npos) {
        return {};
    }
    return text.substr(first, text.find_last_not_of(blanks) - first + 1);
}

// The whole text as a number in the C locale, whatever the process locale.
bool ParseNumber(const std::string& text, double& out) {
    const char* begin = text.data();
    const char* end = begin + text.size();
    if (begin != end && *begin == '+') {
        ++begin;
    }
    const auto result = std::from_chars(begin, end, out);
    return result.ec == std::errc() && result.ptr == end && begin != end && std::isfinite(out);
}

struct Range {
    double low;
    double high;
    bool lowIncluded;
    bool integer;
};

std::string Refusal(const std::string& key, const std::string& value, const char* what) {
    return "bad value '" + value + "' for " + key + ": " + what;
}

std::string Checked(const std::string& key, const std::string& value, const Range& range, double& out) {
    double number = 0.0;
    if (!ParseNumber(value, number)) {
        return Refusal(key, value, range.integer ? "not a whole number" : "not a number");
    }
    if (range.integer && number != std::floor(number)) {
        return Refusal(key, value, "not a whole number");
    }
    const bool aboveLow = range.lowIncluded ? number >= range.low : number > range.low;
    if (!aboveLow || number > range.high) {
        std::ostringstream limits;
        limits.imbue(std::locale::classic());
        limits << (range.lowIncluded ? "from " : "above ") << range.low << " to " << range.high;
        return Refusal(key, value, ("must be " + limits.str()).c_str());
    }
    out = number;
    return {};
}

std::string NumberText(double value) {
    char buffer[64];
    const auto result = std::to_chars(buffer, buffer + sizeof buffer, value);
    return std::string(buffer, result.ptr);
}

}  // namespace

const std::vector<std::string>& QualityLimitKeys() {
    static const std::vector<std::string> keys = {"clip_run_samples", "clip_fraction", "dead_rms_dbfs",
                                                  "dropout_ms",       "dc_offset_dbfs", "min_fft_points"};
    return keys;
}

std::string SetQualityLimit(QualityLimits& limits, const std::string& key, const std::string& valueText) {
    const std::string value = Trimmed(valueText);
    double number = 0.0;
    std::string refused;
    if (key == "clip_run_samples" || key == "min_fft_points") {
        refused = Checked(key, value, {1.0, 2147483647.0, true, true}, number);
        if (refused.empty()) {
            (key == "clip_run_samples" ? limits.clipRunSamples : limits.minFftPoints) = static_cast<uint32_t>(number);
        }
    } else if (key == "clip_fraction") {
        refused = Checked(key, value, {0.0, 1.0, false, false}, number);
        if (refused.empty()) limits.clipFraction = number;
    } else if (key == "dead_rms_dbfs" || key == "dc_offset_dbfs") {
        refused = Checked(key, value, {-200.0, 0.0, true, false}, number);
        if (refused.empty()) (key == "dead_rms_dbfs" ? limits.deadRmsDbfs : limits.dcOffsetDbfs) = number;
    } else if (key == "dropout_ms") {
        refused = Checked(key, value, {0.0, 3600000.0, false, false}, number);
        if (refused.empty()) limits.dropoutMs = number;
    } else {
        refused = "unknown key '" + key + "'";
    }
    return refused;
}

std::string QualityLimitText(const QualityLimits& limits, const std::string& key) {
    if (key == "clip_run_samples") return std::to_string(limits.clipRunSamples);
    if (key == "min_fft_points") return std::to_string(limits.minFftPoints);
    if (key == "clip_fraction") return NumberText(limits.clipFraction);
    if (key == "dead_rms_dbfs") return NumberText(limits.deadRmsDbfs);
    if (key == "dc_offset_dbfs") return NumberText(limits.dcOffsetDbfs);
    if (key == "dropout_ms") return NumberText(limits.dropoutMs);
    return {};
}

std::string ParseQualityLimits(const std::string& text, QualityLimits& limits) {
    QualityLimits parsed = limits;
    std::istringstream lines(text);
    std::string line;
    for (int number = 1; std::getline(lines, line); ++number) {
        const std::string content = Trimmed(line);
        if (content.empty() || content[0] == '#' || content[0] == ';') {
            continue;
        }
        const size_t equals = content.find('=');
        const std::string where = "line " + std::to_string(number) + ": ";
        if (equals == std::string::npos) {
            return where + "expected key = value, found '" + content + "'";
        }
        const std::string refused =
            SetQualityLimit(parsed, Trimmed(content.substr(0, equals)), content.substr(equals + 1));
        if (!refused.empty()) {
            return where + refused;
        }
    }
    limits = parsed;
    return {};
}

std::string ReadQualityLimitsFile(const std::string& path, QualityLimits& limits) {
    // Only a regular file: a directory reads as empty, a FIFO would block.
    std::error_code error;
    if (!std::filesystem::is_regular_file(path, error)) {
        return "cannot read '" + path + "': not a regular file";
    }
    std::ifstream file(path, std::ios::binary);
    std::string text;
    char buffer[4096];
    while (file.read(buffer, sizeof buffer) || file.gcount() > 0) {
        text.append(buffer, static_cast<size_t>(file.gcount()));
    }
    if (!file.eof()) {
        return "cannot read '" + path + "'";
    }
    return ParseQualityLimits(text, limits);
}

}  // namespace kr70
