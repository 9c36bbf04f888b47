#include "ThresholdSuggest.h"

#include <algorithm>
#include <cmath>
#include <string>

#include "AnalysisState.h"
#include "NumberText.h"
#include "PlotCore.h"

namespace kr70 {
namespace {

constexpr double kSixDecimalStep = 0.000001;

double CeilSixDecimals(double value) {
    const double rounded = RoundThroughText("%lf", value);
    return rounded < value ? RoundThroughText("%lf", rounded + kSixDecimalStep) : rounded;
}

ThresholdCandidate Candidate(double basis, double margin, const std::vector<double>& goodAreas,
                             const std::vector<double>& badAreas) {
    ThresholdCandidate candidate;
    candidate.basis = basis;
    candidate.threshold = ThresholdAbove(basis, margin);
    const PassRule rule(candidate.threshold, 0);
    for (const double area : goodAreas) {
        candidate.falseRejects += rule.Judge(area) == 2 ? 1 : 0;
    }
    for (const double area : badAreas) {
        candidate.falseAccepts += rule.Judge(area) == 1 ? 1 : 0;
    }
    return candidate;
}

}  // namespace

double NearestRankQuantile(std::vector<double> values, double q) {
    const size_t count = values.size();
    size_t rank = static_cast<size_t>(std::ceil(q * static_cast<double>(count)));
    rank = std::clamp<size_t>(rank, 1, count);
    std::nth_element(values.begin(), values.begin() + static_cast<std::ptrdiff_t>(rank - 1), values.end());
    return values[rank - 1];
}

double ThresholdAbove(double area, double margin) {
    const double nextStep = RoundThroughText("%lf", area) + kSixDecimalStep;
    return CeilSixDecimals(std::max(area * margin, nextStep));
}

std::optional<ThresholdSuggestion> SuggestThreshold(const std::vector<double>& goodAreas,
                                                    const std::vector<double>& badAreas, double margin, double q) {
    if (goodAreas.empty()) {
        return std::nullopt;
    }
    ThresholdSuggestion suggestion;
    const double largest = *std::max_element(goodAreas.begin(), goodAreas.end());
    suggestion.largest = Candidate(largest, margin, goodAreas, badAreas);
    suggestion.quantile = Candidate(NearestRankQuantile(goodAreas, q), margin, goodAreas, badAreas);
    return suggestion;
}

void DrawAreaHistogram(Painter& painter, int width, int height, const std::vector<double>& goodAreas,
                       const std::vector<double>& badAreas, const HistogramMarks& marks, int bins) {
    constexpr Rgb kGood{0, 160, 160};
    constexpr Rgb kBad{222, 90, 50};
    constexpr Rgb kQuantile{40, 80, 220};
    constexpr int kFont = 13;
    const int left = 64, top = 56, right = 24, bottom = 36;
    const int plotWidth = std::max(1, width - left - right);
    const int plotHeight = std::max(1, height - top - bottom);
    bins = std::max(1, bins);

    painter.setClip(0, 0, width, height);
    painter.fillRect(0, 0, width, height, plot::kWhite);
    // The scale shows the good areas and the thresholds at least twice over;
    // larger bad areas are counted in the last bar, so that one loud part
    // does not squeeze the interesting range into a few pixels.
    double largestGood = 0.0, largestAny = std::max(marks.largest, marks.quantile);
    for (const double area : goodAreas) largestGood = std::max(largestGood, area);
    for (const double area : badAreas) largestAny = std::max(largestAny, area);
    largestAny = std::max(largestAny, largestGood);
    double highest = std::min(largestAny * 1.05, std::max({marks.largest, marks.quantile, largestGood}) * 2.0);
    if (!(highest > 0.0)) highest = 1.0;
    const bool overflow = largestAny >= highest;
    std::vector<int> good(static_cast<size_t>(bins)), bad(static_cast<size_t>(bins));
    auto binOf = [&](double area) {
        const int bin = static_cast<int>(area / highest * bins);
        return static_cast<size_t>(std::clamp(bin, 0, bins - 1));
    };
    for (const double area : goodAreas) ++good[binOf(area)];
    for (const double area : badAreas) ++bad[binOf(area)];
    int tallest = 1;
    for (size_t b = 0; b < good.size(); ++b) tallest = std::max(tallest, good[b] + bad[b]);

    // Bars: good at the bottom, bad stacked on top.
    auto row = [&](int count) { return top + plotHeight - static_cast<int>(static_cast<long>(plotHeight) * count / tallest); };
    for (int b = 0; b < bins; ++b) {
        const int x1 = left + static_cast<int>(static_cast<long>(plotWidth) * b / bins);
        const int x2 = left + static_cast<int>(static_cast<long>(plotWidth) * (b + 1) / bins);
        const size_t i = static_cast<size_t>(b);
        const int goodTop = row(good[i]);
        const int badTop = row(good[i] + bad[i]);
        painter.fillRect(x1, goodTop, std::max(1, x2 - x1 - 1), top + plotHeight - goodTop, kGood);
        painter.fillRect(x1, badTop, std::max(1, x2 - x1 - 1), goodTop - badTop, kBad);
    }

    // Axes with their end labels.
    painter.setPen(plot::kBlack, 1);
    painter.drawLine(left, top, left, top + plotHeight);
    painter.drawLine(left, top + plotHeight, left + plotWidth, top + plotHeight);
    painter.drawText(4, top - kFont / 2, std::to_string(tallest), kFont, plot::kBlack);
    painter.drawText(4, top + plotHeight - kFont / 2, "0", kFont, plot::kBlack);
    for (int tick = 0; tick <= 4; ++tick) {
        const int x = left + plotWidth * tick / 4;
        painter.drawLine(x, top + plotHeight, x, top + plotHeight + 4);
        const std::string label = FormatC("%g", highest * tick / 4) + (tick == 4 && overflow ? " and more" : "");
        painter.drawText(tick == 4 ? x - 8 * static_cast<int>(label.size()) : x - 10, top + plotHeight + 8, label,
                         kFont, plot::kBlack);
    }

    // Thresholds and the legend.
    auto column = [&](double area) { return left + static_cast<int>(area / highest * plotWidth); };
    painter.setPen(plot::kBlack, 2);
    painter.drawLine(column(marks.largest), top, column(marks.largest), top + plotHeight);
    painter.setPen(kQuantile, 2);
    painter.drawLine(column(marks.quantile), top, column(marks.quantile), top + plotHeight);
    painter.fillRect(left, 8, 12, 12, kGood);
    painter.drawText(left + 16, 7, FormatC("good (%zu)", goodAreas.size()), kFont, plot::kBlack);
    painter.fillRect(left + 130, 8, 12, 12, kBad);
    painter.drawText(left + 146, 7, FormatC("bad (%zu)", badAreas.size()), kFont, plot::kBlack);
    painter.fillRect(left, 30, 12, 3, plot::kBlack);
    painter.drawText(left + 16, 24, marks.largestLabel, kFont, plot::kBlack);
    painter.fillRect(left + plotWidth / 2, 30, 12, 3, kQuantile);
    painter.drawText(left + plotWidth / 2 + 16, 24, marks.quantileLabel, kFont, plot::kBlack);
}

}  // namespace kr70
