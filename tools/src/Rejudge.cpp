#include "Rejudge.h"

#include <filesystem>
#include <system_error>

#include "AnalyseReport.h"
#include "AnalysisState.h"

namespace kr70 {
namespace {

bool Judged(int32_t judgement) { return judgement == 1 || judgement == 2; }

void Compare(RejudgeOutcome& outcome, size_t index, int32_t from, int32_t to, double area) {
    if (!Judged(from) || !Judged(to)) {
        outcome.notJudged.push_back(index);
    } else if (from == to) {
        ++outcome.unchanged;
    } else {
        ++(from == 1 ? outcome.passToFail : outcome.failToPass);
        outcome.flips.push_back({index, from, to, area});
    }
}

}  // namespace

RejudgeOutcome RejudgeWithThreshold(const std::vector<StoredVerdict>& verdicts, double threshold,
                                    bool inverted) {
    const PassRule rule(threshold, inverted ? 1 : 0);
    RejudgeOutcome outcome;
    for (size_t i = 0; i < verdicts.size(); ++i) {
        const StoredVerdict& verdict = verdicts[i];
        const double area = verdict.exceedingArea.value_or(0.0);
        Compare(outcome, i, verdict.judgement, verdict.exceedingArea ? rule.Judge(area) : 0, area);
    }
    return outcome;
}

RejudgeOutcome RejudgeByAnalysis(const std::vector<StoredVerdict>& verdicts, const std::string& parameterFile,
                                 std::optional<double> threshold, bool inverted, UiPort& port) {
    RejudgeOutcome outcome;
    for (size_t i = 0; i < verdicts.size(); ++i) {
        const StoredVerdict& verdict = verdicts[i];
        std::error_code error;
        if (!std::filesystem::is_regular_file(verdict.recording, error)) {
            outcome.missing.push_back(i);
            continue;
        }
        AnalysisState state(port);
        if (!PrepareHeadlessState(state, parameterFile) || state.LoadWaveform(verdict.recording) != 1 ||
            !state.Measure().valid) {
            outcome.notJudged.push_back(i);
            continue;
        }
        const double area = state.Measure().exceedingArea;
        const int32_t judgement =
            threshold ? PassRule(*threshold, inverted ? 1 : 0).Judge(area) : state.Measure().judgement;
        Compare(outcome, i, verdict.judgement, judgement, area);
    }
    return outcome;
}

}  // namespace kr70
