// kr70-results rejudge and suggest-threshold: threshold work on stored verdicts.
#include <algorithm>
#include <charconv>
#include <cmath>
#include <string_view>

#include "ConsolePort.h"
#include "LmCmAnlz.h"
#include "LmIni.h"
#include "LmLang.h"
#include "NumberText.h"
#include "Rejudge.h"
#include "ResultsCommand.h"
#include "ResultsOptions.h"
#include "ThresholdSuggest.h"
#include <QGuiApplication>

#include "PictureRender.h"

namespace kr70 {
namespace {

constexpr const char* kRejudgeUsage =
    "Usage: kr70-results [--db URL|PATH] rejudge --threshold X [--inverted] [FILTER...]\n"
    "       kr70-results [--db URL|PATH] rejudge --params FILE [--threshold X [--inverted]] [FILTER...]\n"
    "\n"
    "What a different pass threshold or parameter file would have decided for\n"
    "the stored verdicts that match the filters. Prints the counts of verdicts\n"
    "that flip from OK to NG and from NG to OK, then lists them.\n"
    "\n"
    "  --threshold X   judge each stored exceeding area against X with the lamp's\n"
    "                  rule (both compared at six decimals; at or above X fails,\n"
    "                  below passes). No recording is read.\n"
    "  --inverted      with --threshold: the inverted judgement (at or above X\n"
    "                  passes)\n"
    "  --params FILE   analyse every stored recording that still exists again, as\n"
    "                  kr70-analyse --params FILE does, and compare its judgement\n"
    "                  with the stored one (--threshold then replaces the file's\n"
    "                  pass threshold). Recordings that are gone are listed as\n"
    "                  missing, files that are no longer the stored recording\n"
    "                  (another SHA-256) as changed, and recordings that cannot\n"
    "                  be analysed as not judged.\n"
    "                  (--param is the same option.)\n"
    "\n"
    "Filters (as for query): --from TIME, --to TIME, --station NAME,\n"
    "  --judgement OK|NG, --name PATTERN, --label good|bad|none, --limit N\n"
    "\n"
    "Output: lines \"verdicts N\", \"OK->NG N\", \"NG->OK N\", \"unchanged N\",\n"
    "\"not judged N\" (no stored or new judgement) and, with --params, \"missing N\"\n"
    "and \"changed N\"; then one line per flip, not judged, missing and changed\n"
    "verdict: what happened (OK->NG, NG->OK, not-judged, missing, changed),\n"
    "serial, exceeding area (six decimals, \"-\" when none) and the recording's\n"
    "path.\n";

constexpr const char* kSuggestUsage =
    "Usage: kr70-results [--db URL|PATH] suggest-threshold [--margin M] [--quantile Q]\n"
    "                    [--png FILE [--size WxH] [--bins N]] [FILTER...]\n"
    "\n"
    "Proposes a pass threshold from the stored verdicts labelled good (see\n"
    "label), and counts the errors each proposal would have made on every\n"
    "labelled verdict that matches the filters. Areas are exceeding areas; the\n"
    "lamp fails a part at or above the threshold, so each proposal lies above\n"
    "the good area A it comes from: max(A x M, A + 0.000001), rounded up to six\n"
    "decimals.\n"
    "  largest   A = the largest good area\n"
    "  quantile  A = the Q-quantile of the good areas by nearest rank (the\n"
    "            smallest good area with at least Q of them at or below it)\n"
    "Options:\n"
    "  --margin M      factor above the area, at least 1 (default 1.2)\n"
    "  --quantile Q    0 < Q <= 1 (default 0.99: the 99th percentile)\n"
    "  --png FILE      also write a histogram of the good and bad areas with both\n"
    "                  thresholds marked, as a PNG picture (SVG when FILE ends\n"
    "                  in .svg)\n"
    "  --size WxH      its size in pixels (default 800x400)\n"
    "  --bins N        its number of bars (default 40)\n"
    "Filters (as for query): --from TIME, --to TIME, --station NAME, --name PATTERN\n"
    "\n"
    "Output: \"good N\" and \"bad N\", then a table with one row per proposal:\n"
    "RULE (largest*M or qQ*M), BASIS (the good area A), THRESHOLD, FALSE-REJECTS\n"
    "(good verdicts it would fail) and FALSE-ACCEPTS (bad verdicts it would pass).\n"
    "The proposals are for the normal judgement (not inverted). Exit code 1\n"
    "when no verdict with an area is labelled good.\n";

// Appends text right-aligned (left-aligned when left) in a field of width.
void AppendPadded(std::string& out, std::string_view text, size_t width, bool left = false) {
    const size_t pad = text.size() < width ? width - text.size() : 0;
    if (left) out += text;
    out.append(pad, ' ');
    if (!left) out += text;
}

// One listed verdict as "%-10s %8lld %16s  %s\n" (the area as "%lf", "-"
// without one), built without printf: a large store lists hundreds of
// thousands of these.
void AppendListLine(std::string& out, std::string_view what, int64_t serial, const double* area,
                    std::string_view path) {
    char number[400];
    AppendPadded(out, what, 10, true);
    out += ' ';
    AppendPadded(out, std::string_view(number, std::to_chars(number, number + sizeof number, serial).ptr), 8);
    out += ' ';
    std::string_view areaText = "-";
    if (area) {
        areaText = std::string_view(
            number, std::to_chars(number, number + sizeof number, *area, std::chars_format::fixed, 6).ptr - number);
    }
    AppendPadded(out, areaText, 16);
    out += "  ";
    out += path;
    out += '\n';
}

std::string_view FlipText(int32_t from) { return from == 1 ? "OK->NG" : "NG->OK"; }

// Output kept as blocks of about a megabyte: appending never moves the text
// already there, and each block is written with one call.
class TextBlocks {
public:
    std::string& Back() {
        if (blocks_.empty() || blocks_.back().size() >= kBlock) {
            blocks_.emplace_back().reserve(kBlock + 4096);
        }
        return blocks_.back();
    }
    bool WriteTo(std::FILE* stream) const {
        return std::all_of(blocks_.begin(), blocks_.end(), [&](const std::string& block) {
            return WriteAll(stream, block);
        });
    }

private:
    static constexpr size_t kBlock = 1 << 20;
    std::vector<std::string> blocks_;
};

// The counts, the flips already listed in flipLines, then every verdict the
// outcome names.
bool WriteOutcome(std::FILE* stream, const RejudgeOutcome& outcome, bool analysed, const TextBlocks& flipLines) {
    TextBlocks text;
    text.Back() = FormatC("verdicts %zu\nOK->NG %zu\nNG->OK %zu\nunchanged %zu\nnot judged %zu\n",
                          outcome.verdicts, outcome.passToFail, outcome.failToPass, outcome.unchanged,
                          outcome.notJudged.size());
    if (analysed) {
        text.Back() += FormatC("missing %zu\nchanged %zu\n", outcome.missing.size(), outcome.changed.size());
    }
    if (!text.WriteTo(stream) || !flipLines.WriteTo(stream)) {
        return false;
    }
    text = {};
    // The area is shown when there is a new judgement (a flip always has one; a
    // not-judged verdict has one when only the stored verdict lacks it).
    const auto list = [&](const std::vector<RejudgedVerdict>& verdicts, const char* what, bool showArea) {
        for (const RejudgedVerdict& verdict : verdicts) {
            AppendListLine(text.Back(), what ? what : FlipText(verdict.from), verdict.serial,
                           showArea && verdict.to != 0 ? &verdict.exceedingArea : nullptr, verdict.recordingPath);
        }
    };
    list(outcome.flips, nullptr, true);
    list(outcome.notJudged, "not-judged", true);
    list(outcome.missing, "missing", false);
    list(outcome.changed, "changed", false);
    return text.WriteTo(stream);
}

int RunRejudge(ResultsContext& context) {
    ResultFilter filter;
    std::optional<double> threshold;
    bool inverted = false;
    std::string parameterFile;
    bool analyse = false;
    for (size_t i = 0; i < context.args.size(); ++i) {
        const std::string& argument = context.args[i];
        const std::string name = argument.substr(0, argument.find('='));
        std::string value;
        if (argument == "--inverted") {
            inverted = true;
        } else if (name == "--threshold") {
            double number = 0;
            if (!TakeOptionValue(context, i, name, value)) return kResultsExitUsage;
            if (!ParseNumberText(value, number)) return context.Fail(kResultsExitUsage, "--threshold needs a number");
            threshold = number;
        } else if (name == "--params" || name == "--param") {
            if (!TakeOptionValue(context, i, name, value)) return kResultsExitUsage;
            if (value.empty()) return context.Fail(kResultsExitUsage, name + " needs a file");
            parameterFile = value;
            analyse = true;
        } else {
            const int taken = TakeFilterOption(context, i, filter, true);
            if (taken != kResultsExitOk) return taken;
        }
    }
    if (!threshold && !analyse) {
        return context.Fail(kResultsExitUsage, "needs --threshold X or --params FILE");
    }
    if (inverted && !threshold) {
        return context.Fail(kResultsExitUsage, "--inverted goes with --threshold");
    }
    if (analyse) {
        LmIniRecord record;
        const int status = LmIniRead(parameterFile.c_str(), &record);
        if (status != LMINI_OK) {
            return context.Fail(kResultsExitUsage, FormatC("cannot read parameter file '%s' (LmIniRead status %d)",
                                                           parameterFile.c_str(), status));
        }
    }
    auto store = context.OpenStore();
    if (!store) {
        return kResultsExitFailed;
    }
    RejudgeOutcome outcome;
    TextBlocks flipLines;
    int32_t status = kStoreOk;
    if (analyse) {
        // Warnings the workstation would show name the recording on stderr.
        LoadEnglishLanguageTable();
        StartFilterSystem();
        ConsolePort port("kr70-results rejudge", context.err);
        AnalysisRejudge rejudge(parameterFile, threshold, inverted, port);
        status = store->Query(filter, [&](const ResultRecord& verdict) {
            port.SetContext(verdict.recordingPath);
            rejudge.Take(verdict);
            return true;
        });
        outcome = std::move(rejudge).Outcome();
        StopFilterSystem();
        LmLangClose();
    } else {
        // Flips are listed as found: one line of text each, not a kept verdict.
        ThresholdRejudge rejudge(*threshold, inverted, [&](const ResultJudgement& flip, double area) {
            AppendListLine(flipLines.Back(), FlipText(flip.judgement), flip.serial, &area, flip.recordingPath);
        });
        status = store->QueryJudgements(filter, [&](const ResultJudgement& verdict) {
            rejudge.Take(verdict);
            return true;
        });
        outcome = std::move(rejudge).Outcome();
    }
    if (status != kStoreOk) {
        return context.Fail(kResultsExitFailed, store->LastError());
    }
    if (!WriteOutcome(context.out, outcome, analyse, flipLines)) {
        return context.Fail(kResultsExitFailed, "cannot write the output");
    }
    return kResultsExitOk;
}

int RunSuggest(ResultsContext& context) {
    ResultFilter filter;
    double margin = 1.2;
    double quantile = 0.99;
    std::string png;
    int width = 800, height = 400, bins = 40;
    for (size_t i = 0; i < context.args.size(); ++i) {
        const std::string& argument = context.args[i];
        const std::string name = argument.substr(0, argument.find('='));
        std::string value;
        if (name == "--margin" || name == "--quantile" || name == "--bins") {
            double number = 0;
            if (!TakeOptionValue(context, i, name, value)) return kResultsExitUsage;
            const bool isNumber = ParseNumberText(value, number);
            if (name == "--margin") {
                if (!isNumber || number < 1.0) return context.Fail(kResultsExitUsage, "--margin needs a number >= 1");
                margin = number;
            } else if (name == "--quantile") {
                if (!isNumber || number <= 0.0 || number > 1.0) {
                    return context.Fail(kResultsExitUsage, "--quantile needs 0 < Q <= 1");
                }
                quantile = number;
            } else {
                if (!isNumber || number < 1 || number > 1000 || number != std::floor(number)) {
                    return context.Fail(kResultsExitUsage, "--bins needs a whole number from 1 to 1000");
                }
                bins = static_cast<int>(number);
            }
        } else if (name == "--png") {
            if (!TakeOptionValue(context, i, name, value)) return kResultsExitUsage;
            if (value.empty()) return context.Fail(kResultsExitUsage, "--png needs a file");
            png = value;
        } else if (name == "--size") {
            if (!TakeOptionValue(context, i, name, value)) return kResultsExitUsage;
            char extra = 0;
            if (std::sscanf(value.c_str(), "%dx%d%c", &width, &height, &extra) != 2 || width < 200 ||
                height < 150 || width > 10000 || height > 10000) {
                return context.Fail(kResultsExitUsage, "--size needs WxH, from 200x150 to 10000x10000");
            }
        } else {
            const int taken = TakeFilterOption(context, i, filter, false);
            if (taken != kResultsExitOk) return taken;
        }
    }
    auto store = context.OpenStore();
    if (!store) {
        return kResultsExitFailed;
    }
    std::vector<double> good, bad;
    for (const char* label : {"good", "bad"}) {
        filter.label = label;
        std::vector<double>& areas = filter.label == "good" ? good : bad;
        const int32_t status = store->QuerySummaries(filter, [&](const ResultSummary& verdict) {
            if (verdict.exceedingArea) areas.push_back(*verdict.exceedingArea);
            return true;
        });
        if (status != kStoreOk) {
            return context.Fail(kResultsExitFailed, store->LastError());
        }
    }
    const auto suggestion = SuggestThreshold(good, bad, margin, quantile);
    if (!suggestion) {
        return context.Fail(kResultsExitFailed, "no stored verdict with an area is labelled good");
    }
    const std::string largestRule = "largest*" + RoundTripText(margin);
    const std::string quantileRule = "q" + RoundTripText(quantile) + "*" + RoundTripText(margin);
    std::string text = FormatC("good %zu\nbad %zu\n%-16s %16s %16s %13s %13s\n", good.size(), bad.size(), "RULE",
                               "BASIS", "THRESHOLD", "FALSE-REJECTS", "FALSE-ACCEPTS");
    for (const auto& [rule, candidate] :
         {std::pair{largestRule, suggestion->largest}, std::pair{quantileRule, suggestion->quantile}}) {
        text += FormatC("%-16s %16s %16s %13zu %13zu\n", rule.c_str(), FormatC("%lf", candidate.basis).c_str(),
                        FormatC("%lf", candidate.threshold).c_str(), candidate.falseRejects, candidate.falseAccepts);
    }
    if (!WriteAll(context.out, text)) {
        return context.Fail(kResultsExitFailed, "cannot write the output");
    }
    if (!png.empty()) {
        const std::string largestLabel = largestRule + " = " + FormatC("%lf", suggestion->largest.threshold);
        const std::string quantileLabel = quantileRule + " = " + FormatC("%lf", suggestion->quantile.threshold);
        const HistogramMarks marks{suggestion->largest.threshold, suggestion->quantile.threshold,
                                   largestLabel.c_str(), quantileLabel.c_str()};
        const auto application = render::ensureGuiApplication();
        const bool written = render::writePicture(
            QString::fromStdString(png), QSize(width, height),
            [&](Painter& painter, int w, int h) { DrawAreaHistogram(painter, w, h, good, bad, marks, bins); });
        if (!written) {
            return context.Fail(kResultsExitFailed, "cannot write " + png);
        }
    }
    return kResultsExitOk;
}

const ResultsCommandRegistration kRejudge{
    {"rejudge", "what a new pass threshold or parameter file would decide", kRejudgeUsage, RunRejudge}};
const ResultsCommandRegistration kSuggest{{"suggest-threshold",
                                           "propose a pass threshold from verdicts labelled good and bad",
                                           kSuggestUsage, RunSuggest}};

}  // namespace
}  // namespace kr70
