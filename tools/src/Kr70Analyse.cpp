// kr70-analyse: the workstation's analysis without a window.
#include <algorithm>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <optional>
#include <set>
#include <string>
#include <system_error>
#include <vector>

#include "AnalysePlot.h"
#include "AnalyseReport.h"
#include "AnalysisState.h"
#include "ConsolePort.h"
#include "DataQuality.h"
#include "LmCmAnlz.h"
#include "LmIni.h"
#include "LmLang.h"
#include "ResultCapture.h"
#include "ResultFiles.h"
#include "ResultStore.h"

namespace {

constexpr const char* kProgram = "kr70-analyse";

constexpr const char* kUsage =
    "Usage: kr70-analyse [--params FILE.ini] [--quality FILE] [--save DIR] [--json]\n"
    "                    [--db URL|PATH] [--station NAME]\n"
    "                    [--plot DIR [--plot-format png|svg] [--plot-size WxH]] FILE...\n"
    "\n"
    "Analyses each waveform FILE (a raw-data file or a mono 8/16-bit PCM WAV\n"
    "file) as the KR70 workstation does when the file is opened: decimation by\n"
    "the sampling pitch, yuragi filter, frequency filter, the two spectra\n"
    "(always enabled here, FFT frame = the whole analysis waveform) with the\n"
    "five-peak list, the square-mean waveform, its total area and the area\n"
    "above the level, and the OK/NG judgement against the pass threshold.\n"
    "Every FILE is analysed by a state of its own, so files never influence\n"
    "each other.\n"
    "\n"
    "Settings are the parameter library's defaults (yuragi filter 4,1,1,0,\n"
    "no frequency filter, level 0.0, pass threshold 1.0) unless --params names\n"
    "a parameter file, which is then applied as the workstation's \"open\n"
    "parameter file\" command (File > Parameters > Open, 32789) applies it: every\n"
    "setting the file holds is taken, the level (fPSikiiMen) included, so the\n"
    "window gives the same verdicts after opening the same file. Naming the file\n"
    "on the KR70 command line differs: start-up then sets yuragi parameter 1\n"
    "to 4 and the level to 0.0 after reading it.\n"
    "\n"
    "Options:\n"
    "  --params FILE  apply the parameter file FILE (cFileID = LmParaFile);\n"
    "                 a file that cannot be read stops the run with exit code 2\n"
    "  --save DIR     write B.rdt B.adt B.ydt B.spd B.ysp B.sdt into DIR for\n"
    "                 each FILE with base name B (DIR is created when missing;\n"
    "                 the .rdt is not written over the analysed file itself).\n"
    "                 Each result file is written to a temporary file and\n"
    "                 renamed into place, so a failed or interrupted save\n"
    "                 leaves the older result file as it was. A FILE is not\n"
    "                 saved (error, exit code 1) when one of its result files\n"
    "                 would replace an input FILE or the parameter file, or\n"
    "                 would replace the results of an earlier FILE of the same\n"
    "                 run with the same base name\n"
    "  --json         one JSON object per FILE and line instead of the table:\n"
    "                 file, loaded, status, sampling_frequency, points, pitch,\n"
    "                 effective_sampling_frequency, analysis_points,\n"
    "                 yuragi_points, fft_start, fft_length, spectrum_size,\n"
    "                 peaks_hz (five frequencies, null for an empty slot),\n"
    "                 square_mean_points, total_area, exceeding_area,\n"
    "                 judgement (\"OK\" or \"NG\"; the three are null when the\n"
    "                 square-mean measure failed), quality (below). status is\n"
    "                 the chain's failure code, or else the measure's result\n"
    "                 (0 = fine). A file that cannot be loaded gives only file\n"
    "                 and loaded.\n"
    "  --quality FILE limits of the data-quality guard, \"key = value\" lines\n"
    "                 ('#' or ';' starts a comment line); keys not given keep\n"
    "                 their defaults: clip_run_samples = 4, clip_fraction =\n"
    "                 0.001, dead_rms_dbfs = -70, dropout_ms = 10,\n"
    "                 dc_offset_dbfs = -20, min_fft_points = 1024. An unknown\n"
    "                 key or a bad value stops the run with exit code 2\n"
    "  --db URL|PATH  store each loaded file's verdict (one row, one transaction)\n"
    "                 in a results store: an SQLite file PATH (created when\n"
    "                 missing) or a PostgreSQL server postgresql://...; rows for\n"
    "                 a server that does not answer wait in the local results\n"
    "                 file and are sent by a later run (a note on standard\n"
    "                 error). A store that cannot be opened stops the run with\n"
    "                 exit code 2; a verdict that cannot be stored is exit code 1.\n"
    "                 See kr70-results for reading the store\n"
    "  --station NAME the station stored with each verdict (default: host name)\n"
    "  --plot DIR     write pictures of the waveform, spectrum and abnormal-sound\n"
    "                 pages into DIR for each FILE with base name B:\n"
    "                 B.waveform.png (the analysis and yuragi waveforms),\n"
    "                 B.spectrum.png (both spectra, the filter's shaded band\n"
    "                 and the peak list) and B.abnormal.png (the square-mean\n"
    "                 waveform, the level line, the areas and the verdict),\n"
    "                 each under a title strip with the file name, the\n"
    "                 settings and the verdict. They are drawn as the window\n"
    "                 draws its pages at their start view (zoom 1, limits\n"
    "                 -5..5, the whole frequency range, -50 dB). DIR is created\n"
    "                 when missing; no display is needed (Qt's offscreen\n"
    "                 platform unless QT_QPA_PLATFORM names another). A picture\n"
    "                 that cannot be written, or a second FILE with the same\n"
    "                 base name, is an error (exit code 1)\n"
    "  --plot-format png|svg  the pictures' format (default png)\n"
    "  --plot-size WxH  the pictures' size in pixels (default 1000x750,\n"
    "                 each side 200 to 8000)\n"
    "  --help         show this text\n"
    "\n"
    "Every loaded FILE is checked before it is judged (the verdict itself is\n"
    "not changed): clipping (a run of more than clip_run_samples samples at\n"
    "the converter's full scale, or more than clip_fraction of all samples\n"
    "there), a dead channel (AC RMS below dead_rms_dbfs, or a constant\n"
    "signal), a dropout (one value repeated for more than dropout_ms inside\n"
    "the recording), a DC offset above dc_offset_dbfs, a recording shorter\n"
    "than min_fft_points or than the filters after decimation. A file that\n"
    "fails a check is INVALID: the table shows \"INVALID\" beside the verdict\n"
    "and the checks at the end of the row; --json gives the \"quality\" object\n"
    "{\"valid\", \"coding\", \"checks\": [{\"check\", \"positions\": [{\"first\",\n"
    "\"last\", \"start_s\", \"end_s\"}], \"position_count\", figures...}]}.\n"
    "Test the part again: the verdict of an INVALID recording means nothing.\n"
    "\n"
    "Warnings the workstation would show in a message box go to standard\n"
    "error as \"kr70-analyse: FILE: text\".\n"
    "\n"
    "Exit codes: 0 every file loaded (and saved) and valid; 1 a file could\n"
    "not be loaded or a result file or picture could not be written, or\n"
    "writing the report, this help or a warning failed (a full disk); 2 bad\n"
    "options, an unreadable parameter file or quality-limits file (nothing\n"
    "analysed); 3 every file loaded (and saved) but at least one is INVALID.\n"
    "1 and 2 take precedence over 3.\n";

constexpr int kExitInvalid = 3;

// The result names of one file, for the checks before a save.
constexpr const char* kResultExtensions[] = {".rdt", ".adt", ".ydt", ".spd", ".ysp", ".sdt"};

struct Options {
    int fileWidth = 4;
    std::string params;
    std::string qualityFile;
    kr70::QualityLimits qualityLimits;
    std::string saveDirectory;
    bool save = false;
    bool json = false;
    bool plot = false;
    kr70::PlotOptions plotOptions;
    std::vector<std::string> files;
    std::string db;
    bool store = false;
    std::string station;
};

// What one run has saved so far: the result stems in use and by which file.
struct SaveLedger {
    std::vector<std::pair<std::string, std::string>> stems;  // normalised stem, file
};

bool SameExistingFile(const std::string& a, const std::string& b) {
    std::error_code error;
    return std::filesystem::equivalent(a, b, error) && !error;
}

std::string NormalStem(const std::string& directory, const std::string& base) {
    std::error_code error;
    std::filesystem::path stem = std::filesystem::weakly_canonical(std::filesystem::path(directory) / base, error);
    return error ? (std::filesystem::path(directory) / base).lexically_normal().string() : stem.string();
}

int UsageError(const std::string& text) {
    std::fprintf(stderr, "%s: %s\nTry 'kr70-analyse --help'.\n", kProgram, text.c_str());
    return 2;
}

// 0 parsed, 1 help shown, 2 error reported, 3 the help could not be written.
int ParseOptions(int argc, char** argv, Options& options) {
    bool onlyFiles = false;
    for (int i = 1; i < argc; ++i) {
        const std::string argument = argv[i];
        if (onlyFiles || argument.empty() || argument[0] != '-' || argument == "-") {
            options.files.push_back(argument);
            continue;
        }
        if (argument == "--") {
            onlyFiles = true;
        } else if (argument == "--help" || argument == "-h") {
            // The help text is the whole output: a failed write is an error.
            if (std::fputs(kUsage, stdout) == EOF || std::fflush(stdout) != 0 || std::ferror(stdout)) {
                std::fprintf(stderr, "%s: cannot write the help text\n", kProgram);
                return 3;
            }
            return 1;
        } else if (argument == "--json") {
            options.json = true;
        } else if (argument == "--params" || argument == "--save") {
            if (i + 1 >= argc || argv[i + 1][0] == '\0') {
                return UsageError("option " + argument + " needs a value");
            }
            (argument == "--params" ? options.params : options.saveDirectory) = argv[++i];
            options.save = options.save || argument == "--save";
        } else if (argument == "--quality") {
            if (i + 1 >= argc || argv[i + 1][0] == '\0') {
                return UsageError("option --quality needs a value");
            }
            options.qualityFile = argv[++i];
        } else if (argument.rfind("--quality=", 0) == 0) {
            options.qualityFile = argument.substr(10);
        } else if (argument == "--db" || argument == "--station") {
            if (i + 1 >= argc || argv[i + 1][0] == '\0') {
                return UsageError("option " + argument + " needs a value");
            }
            (argument == "--db" ? options.db : options.station) = argv[++i];
            options.store = options.store || argument == "--db";
        } else if (argument.rfind("--db=", 0) == 0 || argument.rfind("--station=", 0) == 0) {
            const bool db = argument[2] == 'd';
            (db ? options.db : options.station) = argument.substr(db ? 5 : 10);
            options.store = options.store || db;
        } else if (argument == "--plot" || argument == "--plot-format" || argument == "--plot-size") {
            if (i + 1 >= argc || argv[i + 1][0] == '\0') {
                return UsageError("option " + argument + " needs a value");
            }
            const std::string value = argv[++i];
            if (argument == "--plot") {
                options.plot = true;
                options.plotOptions.directory = value;
            } else if (argument == "--plot-format") {
                if (value != "png" && value != "svg") {
                    return UsageError("--plot-format takes png or svg, not " + value);
                }
                options.plotOptions.svg = value == "svg";
            } else if (!kr70::ParsePlotSize(value, options.plotOptions.width, options.plotOptions.height)) {
                return UsageError("--plot-size takes WIDTHxHEIGHT (200 to 8000 each), not " + value);
            }
        } else if (argument.rfind("--params=", 0) == 0) {
            options.params = argument.substr(9);
        } else if (argument.rfind("--save=", 0) == 0) {
            options.saveDirectory = argument.substr(7);
            options.save = true;
        } else {
            return UsageError("unknown option " + argument);
        }
    }
    if (options.save && options.saveDirectory.empty()) {
        return UsageError("--save needs a directory");
    }
    if (options.files.empty()) {
        return UsageError("no waveform file given");
    }
    return 0;
}

std::string BaseName(const std::string& path) {
    return std::filesystem::path(path).stem().string();
}

// Analyses one file with a state of its own; returns false when it could not
// be loaded or saved.
// Refuses (with a message) to save file's results when they would replace an
// input of the run or the results of an earlier file; else records its stem.
bool MaySave(const std::string& file, const Options& options, SaveLedger& ledger) {
    const std::string base = BaseName(file);
    const std::string stem = NormalStem(options.saveDirectory, base);
    for (const auto& [usedStem, earlier] : ledger.stems) {
        if (usedStem == stem) {
            std::fprintf(stderr, "%s: %s: results not saved: they would replace those of %s (same name %s.*)\n",
                         kProgram, file.c_str(), earlier.c_str(), base.c_str());
            return false;
        }
    }
    std::vector<std::string> inputs = options.files;
    if (!options.params.empty()) {
        inputs.push_back(options.params);
    }
    for (const char* extension : kResultExtensions) {
        const std::string target = (std::filesystem::path(options.saveDirectory) / (base + extension)).string();
        // The raw-data file onto the analysed file itself is skipped, not written.
        if (std::string(extension) == ".rdt" && SameExistingFile(target, file)) {
            continue;
        }
        for (const std::string& input : inputs) {
            if (SameExistingFile(target, input)) {
                std::fprintf(stderr, "%s: %s: results not saved: %s would replace the input %s\n", kProgram,
                             file.c_str(), target.c_str(), input.c_str());
                return false;
            }
        }
    }
    ledger.stems.emplace_back(stem, file);
    return true;
}

// Stores the verdict of state for file; false when it could not be stored.
bool StoreVerdict(const std::string& file, const kr70::AnalysisState& state, const Options& options,
                  kr70::ResultStore& store) {
    kr70::ResultRecord record = kr70::CaptureResult(state, file, options.station);
    kr70::FillDigests(record);
    const int32_t status = store.Insert(record);
    if (status == kr70::kStoreQueued) {
        std::fprintf(stderr, "%s: %s: %s does not answer; the result waits in the local queue (%lld waiting): %s\n",
                     kProgram, file.c_str(), store.Describe().c_str(), static_cast<long long>(store.PendingCount()),
                     store.LastError().c_str());
    } else if (status != kr70::kStoreOk) {
        std::fprintf(stderr, "%s: %s: result not stored in %s: %s\n", kProgram, file.c_str(),
                     store.Describe().c_str(), store.LastError().c_str());
        return false;
    }
    return true;
}

bool AnalyseFile(const std::string& file, const Options& options, kr70::PicturePort& port,
                 SaveLedger& ledger, bool& invalid, kr70::ResultStore* store,
                 std::set<std::string>& pictureNames) {
    port.SetContext(file);
    kr70::AnalysisState state(port);
    state.SetQualityLimits(options.qualityLimits);
    // The picture pages take the state's page notifications from the start.
    kr70::picture::PicturePages pages(port);
    struct Detach {
        kr70::PicturePort& port;
        ~Detach() { port.Attach(nullptr, nullptr); }
    } detach{port};
    if (options.plot) {
        port.Attach(&pages, &state);
    }
    if (!kr70::PrepareHeadlessState(state, options.params)) {
        return false;
    }

    kr70::FileReport report;
    report.file = file;
    const bool loaded = state.LoadWaveform(file) == 1;
    if (loaded) {
        report = kr70::MakeReport(file, state);
        invalid = invalid || !report.quality.Valid();
    }
    const std::string line =
        options.json ? kr70::ReportJson(report) : kr70::ReportTableRow(report, options.fileWidth);
    std::fputs((line + "\n").c_str(), stdout);
    std::fflush(stdout);
    if (!loaded) {
        return false;
    }
    bool saved = store == nullptr || StoreVerdict(file, state, options, *store);
    if (options.plot) {
        saved = kr70::WritePagePictures(state, pages, file, options.plotOptions, pictureNames, stderr) && saved;
    }
    if (options.save && !MaySave(file, options, ledger)) {
        return false;
    }
    if (options.save) {
        for (const kr70::SavedFile& result :
             kr70::SaveResultFiles(state, options.saveDirectory, BaseName(file), file, port)) {
            saved = saved && result.status == 0;
        }
    }
    return saved;
}

}  // namespace

int main(int argc, char** argv) {
    Options options;
    const int parsed = ParseOptions(argc, argv, options);
    if (parsed != 0) {
        return parsed == 1 ? 0 : parsed == 3 ? 1 : 2;
    }
    if (!options.params.empty()) {
        LmIniRecord record;
        const int status = LmIniRead(options.params.c_str(), &record);
        if (status != LMINI_OK) {
            std::fprintf(stderr, "%s: cannot read parameter file '%s' (LmIniRead status %d)\n", kProgram,
                         options.params.c_str(), status);
            return 2;
        }
    }
    if (!options.qualityFile.empty()) {
        const std::string refused = kr70::ReadQualityLimitsFile(options.qualityFile, options.qualityLimits);
        if (!refused.empty()) {
            std::fprintf(stderr, "%s: quality limits '%s' refused: %s\n", kProgram, options.qualityFile.c_str(),
                         refused.c_str());
            return 2;
        }
    }
    if (options.save) {
        std::error_code error;
        std::filesystem::create_directories(options.saveDirectory, error);
        if (error || !std::filesystem::is_directory(options.saveDirectory)) {
            std::fprintf(stderr, "%s: cannot use '%s' as the save directory\n", kProgram,
                         options.saveDirectory.c_str());
            return 2;
        }
    }
    std::unique_ptr<kr70::ResultStore> store;
    if (options.store) {
        int32_t status = kr70::kStoreOk;
        std::string error;
        store = kr70::OpenResultStore(options.db, &status, &error);
        if (!store) {
            std::fprintf(stderr, "%s: cannot open the results store '%s': %s\n", kProgram, options.db.c_str(),
                         error.c_str());
            return 2;
        }
        if (options.station.empty()) {
            options.station = kr70::DefaultStationName();
        }
    }
    std::optional<kr70::PictureApplication> pictureApplication;
    if (options.plot) {
        std::error_code error;
        std::filesystem::create_directories(options.plotOptions.directory, error);
        if (error || !std::filesystem::is_directory(options.plotOptions.directory)) {
            std::fprintf(stderr, "%s: cannot use '%s' as the picture directory\n", kProgram,
                         options.plotOptions.directory.c_str());
            return 2;
        }
        pictureApplication.emplace();
    }
    kr70::LoadEnglishLanguageTable();  // without the language files the messages carry their numbers
    StartFilterSystem();
    kr70::PicturePort port(kProgram, stderr);
    if (!options.json) {
        for (const std::string& file : options.files) {
            options.fileWidth = std::max(options.fileWidth, static_cast<int>(file.size()));
        }
        std::puts(kr70::ReportTableHeading(options.fileWidth).c_str());
    }
    bool allFine = true;
    bool invalid = false;
    SaveLedger ledger;
    std::set<std::string> pictureNames;
    for (const std::string& file : options.files) {
        allFine = AnalyseFile(file, options, port, ledger, invalid, store.get(), pictureNames) && allFine;
    }
    StopFilterSystem();
    LmLangClose();
    if (std::fflush(stdout) != 0 || std::ferror(stdout)) {
        std::fprintf(stderr, "%s: cannot write the report\n", kProgram);
        return 1;
    }
    // A warning that could not be written is a lost message, too.
    if (std::fflush(stderr) != 0 || std::ferror(stderr)) {
        return 1;
    }
    return !allFine ? 1 : invalid ? kExitInvalid : 0;
}
