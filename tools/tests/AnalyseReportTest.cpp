#include "AnalyseReport.h"

#include <gtest/gtest.h>

#include "ConsolePort.h"
#include "FlatJson.h"

namespace kr70 {
namespace {

using test::FlatJsonReader;
using test::JsonValue;

TEST(AnalyseReport, AFileThatWasNotLoadedHasOnlyTwoKeys) {
    FileReport report;
    report.file = "dir/a b.wav";
    EXPECT_EQ(ReportJson(report), "{\"file\": \"dir/a b.wav\", \"loaded\": false}");
}

TEST(AnalyseReport, KeysComeInTheirFixedOrderWithNullsForMissingValues) {
    FileReport report;
    report.file = "t.wav";
    report.loaded = true;
    report.status = -200;
    report.samplingFrequency = 22050;
    report.points = 100;
    report.pitch = 1;
    report.peaksHz[0] = 1000.5;
    report.peaksHz[1] = 0.1;
    const std::string json = ReportJson(report);
    const auto object = FlatJsonReader(json).Object();
    ASSERT_TRUE(object) << json;
    const std::vector<std::string> expected{"file", "loaded", "status", "sampling_frequency", "points", "pitch",
                                            "effective_sampling_frequency", "analysis_points", "yuragi_points",
                                            "fft_start", "fft_length", "spectrum_size", "peaks_hz",
                                            "square_mean_points", "total_area", "exceeding_area", "judgement",
                                            "quality"};
    ASSERT_EQ(object->size(), expected.size());
    for (size_t i = 0; i < expected.size(); ++i) EXPECT_EQ((*object)[i].first, expected[i]);
    EXPECT_EQ((*object)[2].second.number, -200);
    const JsonValue& peaks = (*object)[12].second;
    ASSERT_EQ(peaks.array.size(), 5u);
    EXPECT_EQ(*peaks.array[0], 1000.5);
    EXPECT_EQ(*peaks.array[1], 0.1);  // round-trip text reads back exactly
    EXPECT_FALSE(peaks.array[2]);
    EXPECT_EQ((*object)[14].second.kind, JsonValue::Null);
    EXPECT_EQ((*object)[16].second.kind, JsonValue::Null);
}

TEST(AnalyseReport, JudgementAndAreas) {
    FileReport report;
    report.file = "x";
    report.loaded = true;
    report.totalArea = 2.5;
    report.exceedingArea = 1.0 / 3.0;
    report.judgement = 2;
    report.totalAreaText = "2.500000";
    report.exceedingAreaText = "0.333333";
    const std::string json = ReportJson(report);
    EXPECT_NE(json.find("\"total_area\": 2.5, \"exceeding_area\": 0.3333333333333333, \"judgement\": \"NG\""),
              std::string::npos)
        << json;
    report.judgement = 1;
    EXPECT_NE(ReportJson(report).find("\"judgement\": \"OK\""), std::string::npos);
    const std::string row = ReportTableRow(report);
    EXPECT_NE(row.find("OK"), std::string::npos);
    EXPECT_NE(row.find("2.500000"), std::string::npos);
    EXPECT_NE(row.find("0.333333"), std::string::npos);
}

TEST(AnalyseReport, StringsAreEscaped) {
    EXPECT_EQ(JsonString("a\"b\\c\nd\x01"), "\"a\\\"b\\\\c\\nd\\u0001\"");
    EXPECT_EQ(JsonString("日本.wav"), "\"日本.wav\"");
}

TEST(ConsolePort, MessagesBecomeOneLineEachWithTheirContext) {
    Message message;
    message.parts.push_back(MessagePart{0, {}, "first\nline"});
    message.parts.push_back(MessagePart{0, {}, "second"});
    EXPECT_EQ(MessageText(message), "first line second");
    // Without a language table a text is named by its number.
    Message numbered;
    numbered.parts.push_back(MessagePart{2006, {}, {}});
    EXPECT_EQ(MessageText(numbered), "message 2006");

    char buffer[256] = {};
    std::FILE* stream = fmemopen(buffer, sizeof buffer, "w");
    ASSERT_NE(stream, nullptr);
    ConsolePort port("prog", stream);
    port.SetContext("f.wav");
    port.ShowWarning(2006);
    std::fclose(stream);
    EXPECT_STREQ(buffer, "prog: f.wav: message 2006\n");
    EXPECT_EQ(port.Count(), 1);
    YuragiFilterValues values;
    EXPECT_FALSE(port.RunModalDialog(131, values));  // every dialog is cancelled
}

}  // namespace
}  // namespace kr70
