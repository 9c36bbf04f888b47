// kr70-demo-gen: writes the demo recordings and the demo parameter file.
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <string>
#include <system_error>

#include "DemoSignals.h"
#include "LmIni.h"

namespace {

constexpr const char* kUsage =
    "Usage: kr70-demo-gen [--force] [--rate HZ] [--seconds S] [--click-volts V] DIR\n"
    "\n"
    "Writes three 16-bit mono PCM WAV recordings into DIR (created when\n"
    "missing) and the parameter file that judges them:\n"
    "  demo-tone.wav    a clean 1 kHz tone of 1 V\n"
    "  demo-clicks.wav  the same tone with 8 short impulsive clicks of 3 V\n"
    "  demo-noise.wav   Gaussian noise of 0.5 V (fixed seed)\n"
    "  demo.ini         level 0.5 and pass threshold 1.0 for the square-mean\n"
    "                   area, low-pass filter 8000 Hz with 256 taps\n"
    "Existing files are kept unless --force is given. Defaults: 22050 Hz, 2 s.\n"
    "--click-volts V sets the peak of the clicks (default 3; 0 < V <= 10), so\n"
    "that runs into several folders give parts of graded abnormal noise.\n";

bool ParseNumber(const char* text, double& out) {
    char* end = nullptr;
    out = std::strtod(text, &end);
    return end != text && *end == '\0';
}

int WriteDemoParameters(const std::string& path) {
    LmIniRecord record;
    LmIniInit(&record);
    record.lFltGO = 1;
    std::snprintf(record.cFltCase, sizeof record.cFltCase, "%s", "LPF");
    record.lFltLng = 256;
    record.lSyaDanFreq = 8000;
    record.lFltPara1 = 4;  // first difference: the measure reacts to fast changes
    record.fPSikiiMen = 0.5;
    record.fSikiiOverMen = 1.0;
    std::snprintf(record.cMemo, sizeof record.cMemo, "%s", "KR70 demo settings");
    return LmIniWrite(path.c_str(), &record);
}

// Flushes standard output; false (with a message) when anything written to it
// was lost, for example on a full disk.
bool StdoutWritten() {
    if (std::fflush(stdout) != 0 || std::ferror(stdout)) {
        std::fprintf(stderr, "kr70-demo-gen: cannot write to standard output\n");
        return false;
    }
    return true;
}

}  // namespace

int main(int argc, char** argv) {
    kr70::DemoSettings settings;
    bool force = false;
    std::string directory;
    for (int i = 1; i < argc; ++i) {
        const std::string argument = argv[i];
        double value = 0;
        if (argument == "--help") {
            std::fputs(kUsage, stdout);
            return StdoutWritten() ? 0 : 1;
        } else if (argument == "--force") {
            force = true;
        } else if ((argument == "--rate" || argument == "--seconds") && i + 1 < argc &&
                   ParseNumber(argv[i + 1], value) && value > 0 && value <= 3600 * 200000.0) {
            ++i;
            if (argument == "--rate") {
                if (value != static_cast<uint32_t>(value) || value > 1000000) {
                    std::fprintf(stderr, "kr70-demo-gen: bad rate %s\n", argv[i]);
                    return 2;
                }
                settings.samplingFrequency = static_cast<uint32_t>(value);
            } else {
                settings.seconds = value;
            }
        } else if (argument == "--click-volts" && i + 1 < argc && ParseNumber(argv[i + 1], value) && value > 0 &&
                   value <= 10) {
            settings.clickVolts = value;
            ++i;
        } else if (argument[0] != '-' && directory.empty()) {
            directory = argument;
        } else {
            std::fprintf(stderr, "kr70-demo-gen: bad argument %s\n%s", argument.c_str(), kUsage);
            return 2;
        }
    }
    if (directory.empty()) {
        std::fprintf(stderr, "kr70-demo-gen: no directory given\n%s", kUsage);
        return 2;
    }
    std::error_code error;
    std::filesystem::create_directories(directory, error);
    if (error || !std::filesystem::is_directory(directory)) {
        std::fprintf(stderr, "kr70-demo-gen: cannot create %s\n", directory.c_str());
        return 1;
    }
    struct Demo {
        const char* name;
        std::vector<double> (*make)(const kr70::DemoSettings&);
    };
    const Demo demos[] = {{"demo-tone.wav", kr70::DemoTone},
                          {"demo-clicks.wav", kr70::DemoToneWithClicks},
                          {"demo-noise.wav", kr70::DemoNoise}};
    int failures = 0;
    for (const Demo& demo : demos) {
        const std::string path = (std::filesystem::path(directory) / demo.name).string();
        if (!force && std::filesystem::exists(path)) {
            continue;
        }
        if (kr70::WriteWav16(path, demo.make(settings), settings.samplingFrequency) != 0) {
            std::fprintf(stderr, "kr70-demo-gen: cannot write %s\n", path.c_str());
            ++failures;
        } else {
            std::printf("wrote %s\n", path.c_str());
        }
    }
    const std::string parameters = (std::filesystem::path(directory) / "demo.ini").string();
    if (force || !std::filesystem::exists(parameters)) {
        const int status = WriteDemoParameters(parameters);
        if (status != LMINI_OK) {
            std::fprintf(stderr, "kr70-demo-gen: cannot write %s (LmIniWrite status %d)\n", parameters.c_str(),
                         status);
            ++failures;
        } else {
            std::printf("wrote %s\n", parameters.c_str());
        }
    }
    return failures == 0 && StdoutWritten() ? 0 : 1;
}
