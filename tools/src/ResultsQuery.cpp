// kr70-results query and label.
#include <cctype>
#include <cmath>
#include <filesystem>

#include "AnalyseReport.h"
#include "NumberText.h"
#include "ResultsCommand.h"
#include "ResultsOptions.h"

namespace kr70 {
namespace {

constexpr const char* kQueryUsage =
    "Usage: kr70-results [--db URL|PATH] query [OPTIONS]\n"
    "\n"
    "Prints the stored verdicts that match every option given, in the order\n"
    "they were stored.\n"
    "\n"
    "Options:\n"
    "  --from TIME         recorded at or after TIME (UTC, ISO 8601; a prefix such\n"
    "                      as 2026-12-01 or 2026-12-01T08 means its start)\n"
    "  --to TIME           recorded before TIME\n"
    "  --station NAME      recorded by this station\n"
    "  --judgement OK|NG   only passed or only failed parts\n"
    "  --name PATTERN      recording file name, * any run, ? one character,\n"
    "                      case-blind (quote it for the shell)\n"
    "  --label good|bad|none  by label (none: not labelled)\n"
    "  --limit N           at most N rows\n"
    "  --format F          table (default: serial, time, station, file, verdict,\n"
    "                      exceeding area, pass threshold, label), csv (RFC 4180,\n"
    "                      CRLF line ends, a header row and every stored column) or\n"
    "                      json (one object per line with every stored column)\n";

constexpr const char* kLabelUsage =
    "Usage: kr70-results [--db URL|PATH] label SERIAL|FILE good|bad|none\n"
    "\n"
    "Labels stored verdicts for threshold work: SERIAL (all digits) is a row's\n"
    "serial as query prints it; FILE is a recording: with a \"/\" its path\n"
    "(relative paths are taken from the current folder) matches the stored path,\n"
    "a bare file name matches every recording of that name. All rows of the\n"
    "recording are labelled. none removes the label. Exit code 1 when nothing\n"
    "matches.\n";

std::string FieldText(const ResultField& value) {
    if (const auto* number = std::get_if<int64_t>(&value)) {
        return std::to_string(*number);
    }
    if (const auto* real = std::get_if<double>(&value)) {
        return RoundTripText(*real);
    }
    if (const auto* text = std::get_if<std::string>(&value)) {
        return *text;
    }
    return "";
}

std::string CsvField(const std::string& text) {
    if (text.find_first_of(",\"\r\n") == std::string::npos) {
        return text;
    }
    std::string quoted = "\"";
    for (const char c : text) {
        quoted += c == '"' ? std::string("\"\"") : std::string(1, c);
    }
    return quoted + "\"";
}

std::string CsvRow(const ResultRecord& record, bool header) {
    std::string row;
    for (const auto& [name, value] : ResultFields(record)) {
        row += (row.empty() ? "" : ",") + CsvField(header ? name : FieldText(value));
    }
    return row + "\r\n";
}

std::string JsonRow(const ResultRecord& record) {
    std::string row;
    for (const auto& [name, value] : ResultFields(record)) {
        std::string text = FieldText(value);
        if (std::holds_alternative<std::string>(value)) {
            text = JsonString(text);
        } else if (std::holds_alternative<std::monostate>(value) ||
                   (std::holds_alternative<double>(value) && !std::isfinite(std::get<double>(value)))) {
            text = "null";
        }
        row += (row.empty() ? "{" : ", ") + JsonString(name) + ": " + text;
    }
    return row + "}\n";
}

std::string Verdict(int32_t judgement) { return judgement == 1 ? "OK" : judgement == 2 ? "NG" : "-"; }

std::string TableHeading() {
    return FormatC("%8s  %-24s %-16s %-24s %-7s %16s %14s  %s\n", "SERIAL", "TIME (UTC)", "STATION", "FILE",
                   "VERDICT", "EXCEEDING AREA", "THRESHOLD", "LABEL");
}

std::string TableRow(const ResultRecord& r) {
    const std::string area = r.exceedingArea ? FormatC("%lf", *r.exceedingArea) : "-";
    return FormatC("%8lld  %-24s %-16s %-24s %-7s %16s %14s  %s\n", static_cast<long long>(r.serial),
                   r.recordedAtUtc.c_str(), r.station.c_str(), r.recordingName.c_str(), Verdict(r.judgement).c_str(),
                   area.c_str(), FormatC("%lf", r.passThreshold).c_str(), r.label.c_str());
}

int RunQuery(ResultsContext& context) {
    ResultFilter filter;
    std::string format = "table";
    for (size_t i = 0; i < context.args.size(); ++i) {
        const std::string& argument = context.args[i];
        const std::string name = argument.substr(0, argument.find('='));
        if (name != "--format") {
            const int taken = TakeFilterOption(context, i, filter, true);
            if (taken != kResultsExitOk) {
                return taken;
            }
            continue;
        }
        std::string value;
        if (!TakeOptionValue(context, i, name, value)) {
            return kResultsExitUsage;
        }
        if (value != "table" && value != "csv" && value != "json") {
            return context.Fail(kResultsExitUsage, "--format is table, csv or json");
        }
        format = value;
    }
    auto store = context.OpenStore();
    if (!store) {
        return kResultsExitFailed;
    }
    bool written = true;
    if (format == "table") {
        written = WriteAll(context.out, TableHeading());
    } else if (format == "csv") {
        written = WriteAll(context.out, CsvRow(ResultRecord{}, true));
    }
    const int32_t status = store->Query(filter, [&](const ResultRecord& record) {
        const std::string line =
            format == "table" ? TableRow(record) : format == "csv" ? CsvRow(record, false) : JsonRow(record);
        written = written && WriteAll(context.out, line);
        return written;
    });
    if (!written) {
        return context.Fail(kResultsExitFailed, "cannot write the output");
    }
    if (status != kStoreOk) {
        return context.Fail(kResultsExitFailed, store->LastError());
    }
    return kResultsExitOk;
}

bool AllDigits(const std::string& text) {
    return !text.empty() && std::all_of(text.begin(), text.end(), [](unsigned char c) { return std::isdigit(c); });
}

int RunLabel(ResultsContext& context) {
    if (context.args.size() != 2) {
        return context.Fail(kResultsExitUsage, "needs SERIAL|FILE and good|bad|none");
    }
    const std::string& target = context.args[0];
    const std::string& label = context.args[1];
    if (label != "good" && label != "bad" && label != "none") {
        return context.Fail(kResultsExitUsage, "a label is good, bad or none");
    }
    auto store = context.OpenStore();
    if (!store) {
        return kResultsExitFailed;
    }
    const std::string stored = label == "none" ? "" : label;
    int64_t changed = 0;
    int32_t status = kStoreOk;
    if (AllDigits(target)) {
        status = store->SetLabelBySerial(std::strtoll(target.c_str(), nullptr, 10), stored, &changed);
    } else if (target.find('/') == std::string::npos) {
        status = store->SetLabelByFile(target, stored, &changed);
    } else {
        std::error_code error;
        const std::filesystem::path path = std::filesystem::absolute(target, error).lexically_normal();
        status = store->SetLabelByFile(path.string(), stored, &changed);
    }
    if (status != kStoreOk) {
        return context.Fail(kResultsExitFailed, target + ": " + store->LastError());
    }
    const bool written = WriteAll(context.out, FormatC("%lld result%s labelled %s\n", static_cast<long long>(changed),
                                                       changed == 1 ? "" : "s", label.c_str()));
    return written ? kResultsExitOk : kResultsExitFailed;
}

constexpr const char* kFlushUsage =
    "Usage: kr70-results --db postgresql://... flush\n"
    "\n"
    "Sends the verdicts that wait in the local results file for this server\n"
    "(stored while it did not answer) and prints how many still wait. Exit\n"
    "code 1 when the server does not answer or some remain.\n";

int RunFlush(ResultsContext& context) {
    if (!context.args.empty() || !IsServerLocation(context.db)) {
        return context.Fail(kResultsExitUsage, "needs --db postgresql://... and no arguments");
    }
    // Opened as a writer, so that an unreachable server is reported by Flush.
    auto store = context.OpenStore(true);
    if (!store) {
        return kResultsExitFailed;
    }
    const int32_t status = store->Flush();
    const int64_t pending = store->PendingCount();
    if (!WriteAll(context.out, FormatC("%lld waiting\n", static_cast<long long>(pending)))) {
        return kResultsExitFailed;
    }
    if (status != kStoreOk) {
        return context.Fail(kResultsExitFailed, store->LastError());
    }
    return pending == 0 ? kResultsExitOk : kResultsExitFailed;
}

const ResultsCommandRegistration kFlush{
    {"flush", "send verdicts queued while the server did not answer", kFlushUsage, RunFlush}};
const ResultsCommandRegistration kQuery{
    {"query", "stored verdicts by time, station, judgement, file name or label", kQueryUsage, RunQuery}};
const ResultsCommandRegistration kLabel{
    {"label", "label a verdict (SERIAL) or a recording (FILE) good or bad", kLabelUsage, RunLabel}};

}  // namespace
}  // namespace kr70
