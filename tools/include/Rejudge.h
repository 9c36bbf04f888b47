// Re-judging stored verdicts: what a candidate pass threshold, or a different
// parameter file, would have decided for results already in the store. Rows
// are taken one at a time, so a large store is never held in memory: only
// the verdicts that flip or cannot be compared are kept.
#ifndef KR70_TOOLS_REJUDGE_H
#define KR70_TOOLS_REJUDGE_H

#include <cstddef>
#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "AnalysisState.h"
#include "ResultRecord.h"

namespace kr70 {

class UiPort;

// One stored verdict named in the outcome.
struct RejudgedVerdict {
    int64_t serial = 0;
    std::string recordingPath;
    int32_t from = 0;            // stored judgement: 1 pass, 2 fail, 0 none
    int32_t to = 0;              // new judgement (0 when none)
    double exceedingArea = 0.0;  // the area the new judgement is based on
};

struct RejudgeOutcome {
    size_t verdicts = 0;  // rows taken
    size_t passToFail = 0;
    size_t failToPass = 0;
    size_t unchanged = 0;
    std::vector<RejudgedVerdict> flips;  // in the order taken
    // Not compared: no stored judgement or area (with a threshold), or a
    // recording that could not be loaded or measured (re-analysing).
    std::vector<RejudgedVerdict> notJudged;
    std::vector<RejudgedVerdict> missing;  // re-analysing: the recording is gone
    // Re-analysing: the file at the stored path is no longer the recording
    // that was judged (its SHA-256 differs), so it is not analysed.
    std::vector<RejudgedVerdict> changed;
};

// Judges each stored exceeding area with the lamp's rule (PassRule) against a
// candidate threshold and inverted flag instead of the stored ones. With
// onFlip set, each flip goes to it as it is found (area: the judged area)
// instead of into the outcome's flips, which then stays empty: a store where
// most verdicts flip then costs no more memory than what onFlip keeps.
class ThresholdRejudge {
public:
    using FlipListener = std::function<void(const ResultJudgement& verdict, double area)>;
    ThresholdRejudge(double threshold, bool inverted, FlipListener onFlip = {})
        : rule_(threshold, inverted ? 1 : 0), onFlip_(std::move(onFlip)) {}
    void Take(const ResultJudgement& verdict);
    const RejudgeOutcome& Outcome() const& { return outcome_; }
    RejudgeOutcome Outcome() && { return std::move(outcome_); }

private:
    PassRule rule_;
    FlipListener onFlip_;
    RejudgeOutcome outcome_;
};

// Analyses each stored recording that still exists unchanged (the stored
// SHA-256, when there is one, matches the file's) as kr70-analyse does with
// parameterFile (empty: the defaults) and compares the new judgement with the
// stored one; with a threshold, the new exceeding area is judged against it
// and inverted instead of the parameter file's pass threshold. Messages go to
// port. The filter system must be started while rows are taken.
class AnalysisRejudge {
public:
    AnalysisRejudge(std::string parameterFile, std::optional<double> threshold, bool inverted, UiPort& port)
        : parameterFile_(std::move(parameterFile)), threshold_(threshold), inverted_(inverted), port_(port) {}
    void Take(const ResultRecord& verdict);
    const RejudgeOutcome& Outcome() const& { return outcome_; }
    RejudgeOutcome Outcome() && { return std::move(outcome_); }

private:
    std::string parameterFile_;
    std::optional<double> threshold_;
    bool inverted_;
    UiPort& port_;
    RejudgeOutcome outcome_;
};

}  // namespace kr70

#endif
