// Re-judging stored verdicts: what a candidate pass threshold, or a different
// parameter file, would have decided for results already in the store.
#ifndef KR70_TOOLS_REJUDGE_H
#define KR70_TOOLS_REJUDGE_H

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace kr70 {

class UiPort;

// The part of a stored result that re-judging needs.
struct StoredVerdict {
    int64_t id = 0;
    std::string recording;                 // path of the analysed recording
    std::optional<double> exceedingArea;   // empty when the measure failed
    double passThreshold = 0.0;
    int32_t inverted = 0;
    int32_t judgement = 0;                 // 1 pass, 2 fail, 0 none
};

// One verdict that comes out differently.
struct Flip {
    size_t index = 0;  // into the verdicts handed in
    int32_t from = 0;  // 1 pass, 2 fail
    int32_t to = 0;
    double exceedingArea = 0.0;  // the area the new verdict judged
};

struct RejudgeOutcome {
    std::vector<Flip> flips;  // in the order of the verdicts
    size_t passToFail = 0;
    size_t failToPass = 0;
    size_t unchanged = 0;
    // Verdicts that could not be compared: no stored judgement or area (with
    // a threshold), or (re-analysing) a recording that could not be loaded
    // or measured.
    std::vector<size_t> notJudged;
    std::vector<size_t> missing;  // re-analysing: the recording is gone
};

// Judges every stored exceeding area with the lamp's rule (PassRule) against
// threshold and inverted instead of the stored ones.
RejudgeOutcome RejudgeWithThreshold(const std::vector<StoredVerdict>& verdicts, double threshold,
                                    bool inverted);

// Analyses every stored recording that still exists as kr70-analyse does with
// parameterFile, and compares the new judgement with the stored one; with a
// threshold, the new area is judged against it (and inverted) instead of the
// parameter file's pass threshold. Messages go to port. The filter system
// must be started.
RejudgeOutcome RejudgeByAnalysis(const std::vector<StoredVerdict>& verdicts, const std::string& parameterFile,
                                 std::optional<double> threshold, bool inverted, UiPort& port);

}  // namespace kr70

#endif
