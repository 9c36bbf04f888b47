#include "Rejudge.h"

#include <filesystem>
#include <system_error>

#include "AnalyseReport.h"
#include "Sha256.h"

namespace kr70 {
namespace {

bool Judged(int32_t judgement) { return judgement == 1 || judgement == 2; }

// verdict is a ResultSummary or a ResultRecord.
template <typename Stored>
void Compare(RejudgeOutcome& outcome, const Stored& verdict, int32_t to, double area) {
    ++outcome.verdicts;
    const int32_t from = verdict.judgement;
    if (Judged(from) && from == to) {
        ++outcome.unchanged;
        return;
    }
    const RejudgedVerdict named{verdict.serial, verdict.recordingPath, from, to, area};
    if (!Judged(from) || !Judged(to)) {
        outcome.notJudged.push_back(named);
    } else {
        ++(from == 1 ? outcome.passToFail : outcome.failToPass);
        outcome.flips.push_back(named);
    }
}

}  // namespace

void ThresholdRejudge::Take(const ResultSummary& verdict) {
    const double area = verdict.exceedingArea.value_or(0.0);
    Compare(outcome_, verdict, verdict.exceedingArea ? rule_.Judge(area) : 0, area);
}

void AnalysisRejudge::Take(const ResultRecord& verdict) {
    std::error_code error;
    if (!std::filesystem::is_regular_file(verdict.recordingPath, error)) {
        ++outcome_.verdicts;
        outcome_.missing.push_back({verdict.serial, verdict.recordingPath, verdict.judgement, 0, 0.0});
        return;
    }
    std::string digest;
    if (!verdict.recordingSha256.empty() && Sha256File(verdict.recordingPath, digest) &&
        digest != verdict.recordingSha256) {
        ++outcome_.verdicts;
        outcome_.changed.push_back({verdict.serial, verdict.recordingPath, verdict.judgement, 0, 0.0});
        return;
    }
    AnalysisState state(port_);
    if (!PrepareHeadlessState(state, parameterFile_) || state.LoadWaveform(verdict.recordingPath) != 1 ||
        !state.Measure().valid) {
        Compare(outcome_, verdict, 0, 0.0);
        return;
    }
    const double area = state.Measure().exceedingArea;
    const int32_t judgement =
        threshold_ ? PassRule(*threshold_, inverted_ ? 1 : 0).Judge(area) : state.Measure().judgement;
    Compare(outcome_, verdict, judgement, area);
}

}  // namespace kr70
