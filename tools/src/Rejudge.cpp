#include "Rejudge.h"

#include <filesystem>
#include <system_error>

#include "AnalyseReport.h"
#include "Sha256.h"

namespace kr70 {
namespace {

bool Judged(int32_t judgement) { return judgement == 1 || judgement == 2; }

// Counts verdict and keeps it when it flips (only when keepFlips) or cannot
// be compared. verdict is a ResultJudgement or a ResultRecord. True for a flip.
template <typename Stored>
bool Compare(RejudgeOutcome& outcome, const Stored& verdict, int32_t to, double area, bool keepFlips = true) {
    ++outcome.verdicts;
    const int32_t from = verdict.judgement;
    if (Judged(from) && from == to) {
        ++outcome.unchanged;
        return false;
    }
    const bool flip = Judged(from) && Judged(to);
    if (flip) {
        ++(from == 1 ? outcome.passToFail : outcome.failToPass);
    }
    if (!flip || keepFlips) {
        (flip ? outcome.flips : outcome.notJudged)
            .push_back({verdict.serial, std::string(verdict.recordingPath), from, to, area});
    }
    return flip;
}

}  // namespace

void ThresholdRejudge::Take(const ResultJudgement& verdict) {
    const double area = verdict.exceedingArea.value_or(0.0);
    if (Compare(outcome_, verdict, verdict.exceedingArea ? rule_.Judge(area) : 0, area, !onFlip_) && onFlip_) {
        onFlip_(verdict, area);
    }
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
