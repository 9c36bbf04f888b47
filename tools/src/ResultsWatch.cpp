// kr70-results watch: analyses every recording that lands in a folder.
#include <algorithm>
#include <chrono>
#include <climits>
#include <cmath>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <utility>

#include "AnalyseReport.h"
#include "AnalysisState.h"
#include "ConsolePort.h"
#include "LmCmAnlz.h"
#include "LmIni.h"
#include "LmLang.h"
#include "NumberText.h"
#include "ResultCapture.h"
#include "ResultsCommand.h"
#include "ResultsOptions.h"
#include "WatchFolder.h"

namespace kr70 {
namespace {

constexpr const char* kWatchUsage =
    "Usage: kr70-results [--db URL|PATH] watch [--params FILE] [--station NAME]\n"
    "                    [--existing] [--no-store] [--max-files N] [--timeout S] DIR\n"
    "\n"
    "Waits for recordings in the folder DIR and analyses each one once it is\n"
    "complete, as kr70-analyse does: a file counts when its writer closes it\n"
    "after writing, or when it is renamed or moved into DIR. Only names ending\n"
    "in .wav or .rdt (any case) that do not start with \".\" count, so a writer\n"
    "that closes a file before it is whole should write it under another name\n"
    "(for example NAME.wav.part) and rename it when done. A file is analysed\n"
    "again only when it has changed (a new inode, size or time).\n"
    "\n"
    "Every verdict is stored in the results store (--db), and one JSON object per\n"
    "file and line goes to standard output: the fields of kr70-analyse --json,\n"
    "then \"serial\" (the stored row, null when not stored or queued for an\n"
    "unreachable server; queued verdicts are offered to it again with the\n"
    "next file and every 10 seconds). A file that cannot be analysed gives\n"
    "{\"file\": ..., \"loaded\": false, \"error\": \"why\"} and the watch goes on.\n"
    "\"file\" is the path DIR/NAME. Once the watch is in place, \"kr70-results\n"
    "watch: watching DIR\" goes to standard error.\n"
    "\n"
    "  --params FILE   analyse with this parameter file (as kr70-analyse --params)\n"
    "  --station NAME  station stored with each verdict (default: the host name)\n"
    "  --existing      also analyse the files already in DIR at start (in name\n"
    "                  order, first); by default they are left alone, so a\n"
    "                  restarted watch does not store them a second time\n"
    "  --no-store      print the verdicts only\n"
    "  --max-files N   stop after N files (results and errors)\n"
    "  --timeout S     stop after S seconds\n"
    "\n"
    "SIGINT (Ctrl+C) and SIGTERM stop the watch after the file in hand; the\n"
    "exit code is then 0. Exit code 1 when DIR disappears, the store cannot be\n"
    "opened or the output cannot be written; 2 for bad arguments.\n";

// How often verdicts queued for an unreachable server are offered again.
constexpr long long kResendMs = 10000;

// Messages the analysis would show, collected for the file's error line.
class CollectingPort : public NullUiPort {
public:
    void ShowMessage(const Message& message) override {
        text_ += (text_.empty() ? "" : "; ") + MessageText(message);
    }
    std::string Take() { return std::exchange(text_, ""); }

private:
    std::string text_;
};

struct WatchOptions {
    std::string directory;
    std::string parameterFile;
    std::string station;
    bool existing = false;
    bool store = true;
    long long maxFiles = 0;  // 0: no limit
    double timeoutSeconds = 0.0;  // 0: no limit
};

int ParseWatchOptions(const ResultsContext& context, WatchOptions& options) {
    for (size_t i = 0; i < context.args.size(); ++i) {
        const std::string& argument = context.args[i];
        const std::string name = argument.substr(0, argument.find('='));
        std::string value;
        if (argument == "--existing") {
            options.existing = true;
        } else if (argument == "--no-store") {
            options.store = false;
        } else if (name == "--params" || name == "--station" || name == "--max-files" || name == "--timeout") {
            if (!TakeOptionValue(context, i, name, value)) return kResultsExitUsage;
            char* end = nullptr;
            if (name == "--params") {
                options.parameterFile = value;
            } else if (name == "--station") {
                options.station = value;
            } else if (name == "--max-files") {
                options.maxFiles = std::strtoll(value.c_str(), &end, 10);
                if (value.empty() || *end != '\0' || options.maxFiles <= 0) {
                    return context.Fail(kResultsExitUsage, "--max-files needs a positive whole number");
                }
            } else {
                if (!ParseNumberText(value, options.timeoutSeconds) || options.timeoutSeconds <= 0.0 ||
                    options.timeoutSeconds >= 1e9) {
                    return context.Fail(kResultsExitUsage, "--timeout needs a positive number of seconds");
                }
            }
        } else if (!argument.empty() && argument[0] != '-' && options.directory.empty()) {
            options.directory = argument;
        } else {
            return context.Fail(kResultsExitUsage, "unknown argument " + argument);
        }
    }
    if (options.directory.empty()) {
        return context.Fail(kResultsExitUsage, "no folder given");
    }
    return kResultsExitOk;
}

// Analyses one file, stores its verdict and gives its JSON line.
std::string WatchOneFile(const std::string& path, const WatchOptions& options, ResultStore* store,
                         CollectingPort& port, std::FILE* err) {
    AnalysisState state(port);
    if (!PrepareHeadlessState(state, options.parameterFile) || state.LoadWaveform(path) != 1) {
        std::string why = port.Take();
        return "{\"file\": " + JsonString(path) + ", \"loaded\": false, \"error\": " +
               JsonString(why.empty() ? "cannot be analysed" : why) + "}";
    }
    std::string line = ReportJson(MakeReport(path, state));
    line.pop_back();  // the closing brace: more fields follow
    std::string serial = "null";
    std::string error;
    if (store != nullptr) {
        ResultRecord record = CaptureResult(state, path, options.station);
        FillDigests(record);
        const int32_t status = store->Insert(record);
        if (status == kStoreOk) {
            serial = std::to_string(record.serial);
        } else if (status == kStoreQueued) {
            std::fprintf(err,
                         "kr70-results watch: %s: %s does not answer; the result waits in the local queue "
                         "(%lld waiting)\n",
                         path.c_str(), store->Describe().c_str(), static_cast<long long>(store->PendingCount()));
        } else {
            error = "not stored: " + store->LastError();
        }
    }
    std::string warnings = port.Take();
    if (!warnings.empty()) {
        error += (error.empty() ? "" : "; ") + warnings;
    }
    line += ", \"serial\": " + serial;
    if (!error.empty()) {
        line += ", \"error\": " + JsonString(error);
    }
    return line + "}";
}

int RunWatch(ResultsContext& context) {
    WatchOptions options;
    if (const int parsed = ParseWatchOptions(context, options); parsed != kResultsExitOk) {
        return parsed;
    }
    if (options.station.empty()) {
        options.station = DefaultStationName();
    }
    if (!options.parameterFile.empty()) {
        LmIniRecord record;
        const int status = LmIniRead(options.parameterFile.c_str(), &record);
        if (status != LMINI_OK) {
            return context.Fail(kResultsExitUsage, FormatC("cannot read parameter file '%s' (LmIniRead status %d)",
                                                           options.parameterFile.c_str(), status));
        }
    }
    std::unique_ptr<ResultStore> store;
    if (options.store) {
        // A plant server that does not answer does not stop the line: rows
        // wait in the local file and go when it answers again.
        int32_t status = kStoreOk;
        std::string error;
        store = OpenResultStore(context.db, &status, &error);
        if (!store) {
            return context.Fail(kResultsExitFailed, "cannot open the results store " +
                                                        (context.db.empty() ? DefaultStorePath() : context.db) + ": " +
                                                        error);
        }
    }
    FolderWatch watch;
    if (const int error = watch.Open(options.directory, options.existing); error != 0) {
        return context.Fail(kResultsExitFailed, "cannot watch " + options.directory + ": " + std::strerror(error));
    }
    std::fprintf(context.err, "kr70-results watch: watching %s\n", options.directory.c_str());
    std::fflush(context.err);

    LoadEnglishLanguageTable();
    StartFilterSystem();
    CollectingPort port;
    using Clock = std::chrono::steady_clock;
    const Clock::time_point end =
        Clock::now() + std::chrono::milliseconds(static_cast<long long>(std::ceil(options.timeoutSeconds * 1000)));
    int code = kResultsExitOk;
    for (long long files = 0; options.maxFiles == 0 || files < options.maxFiles;) {
        long long waitMs = -1;
        if (options.timeoutSeconds > 0) {
            waitMs = std::max<long long>(
                0, std::chrono::duration_cast<std::chrono::milliseconds>(end - Clock::now()).count());
        }
        // Verdicts queued for a server that did not answer are offered again
        // now and then, even while no file arrives.
        const bool queued = store != nullptr && store->PendingCount() > 0;
        if (queued) {
            waitMs = waitMs < 0 ? kResendMs : std::min(waitMs, kResendMs);
        }
        std::string path;
        const FolderWatch::Wake wake = watch.Next(path, static_cast<int>(std::min<long long>(waitMs, INT_MAX)));
        if (wake == FolderWatch::Wake::Failed) {
            code = context.Fail(kResultsExitFailed, options.directory + " is gone or cannot be read");
            break;
        }
        if (wake == FolderWatch::Wake::Stop) {
            break;
        }
        if (wake == FolderWatch::Wake::Timeout) {
            if (queued) {
                store->Flush();
            }
            if (options.timeoutSeconds > 0 && Clock::now() >= end) {
                break;
            }
            continue;
        }
        ++files;
        if (!WriteAll(context.out, WatchOneFile(path, options, store.get(), port, context.err) + "\n") ||
            std::fflush(context.out) != 0) {
            code = context.Fail(kResultsExitFailed, "cannot write the output");
            break;
        }
    }
    StopFilterSystem();
    LmLangClose();
    return code;
}

const ResultsCommandRegistration kWatch{
    {"watch", "analyse and store every recording that lands in a folder", kWatchUsage, RunWatch}};

}  // namespace
}  // namespace kr70
