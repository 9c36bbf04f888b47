// A pass threshold proposed from labelled results, and the histogram of their
// exceeding areas with the proposals marked.
//
// The lamp fails a part whose exceeding area is at or above the pass
// threshold (both as six-decimal texts), so a threshold only passes a good
// area when it lies above it. Each proposal is therefore derived from one
// good area A and the margin m as max(A × m, A + 0.000001), rounded up to six
// decimals:
//   largest:   A = the largest good area;
//   quantile:  A = the q-quantile of the good areas by nearest rank (the
//              smallest area with at least q of the good areas at or below
//              it; q = 0.99 gives the 99th percentile).
#ifndef KR70_TOOLS_THRESHOLDSUGGEST_H
#define KR70_TOOLS_THRESHOLDSUGGEST_H

#include <cstddef>
#include <optional>
#include <vector>

namespace kr70 {

class Painter;

struct ThresholdCandidate {
    double basis = 0.0;      // the good area it is derived from
    double threshold = 0.0;  // the proposed pass threshold
    size_t falseRejects = 0;  // good areas the lamp would fail with it
    size_t falseAccepts = 0;  // bad areas the lamp would pass with it
};

struct ThresholdSuggestion {
    ThresholdCandidate largest;
    ThresholdCandidate quantile;
};

// Nearest-rank q-quantile of values (0 < q ≤ 1); values must not be empty.
double NearestRankQuantile(std::vector<double> values, double q);

// The threshold derived from one good area with the margin (see above).
double ThresholdAbove(double area, double margin);

// Both proposals with their error counts on the labelled areas (normal
// judgement: a part fails at or above the threshold); nothing when there is
// no good area. margin ≥ 1 and 0 < q ≤ 1 are the caller's to check.
std::optional<ThresholdSuggestion> SuggestThreshold(const std::vector<double>& goodAreas,
                                                    const std::vector<double>& badAreas, double margin, double q);

// The histogram as a picture of width × height pixels: good areas and bad
// areas stacked in equal-width bins from 0 to a little beyond the largest
// area or threshold, count axis on the left, area axis below, the two
// thresholds as vertical lines, and a legend with the labels given.
struct HistogramMarks {
    double largest = 0.0;
    double quantile = 0.0;
    const char* largestLabel = "";
    const char* quantileLabel = "";
};
void DrawAreaHistogram(Painter& painter, int width, int height, const std::vector<double>& goodAreas,
                       const std::vector<double>& badAreas, const HistogramMarks& marks, int bins);

}  // namespace kr70

#endif
