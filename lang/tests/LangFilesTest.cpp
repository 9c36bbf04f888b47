// The installed language files: every text id the workstation uses is there,
// in all three files, with matching placeholders, and every line is read.
#include <algorithm>
#include <fstream>
#include <iterator>
#include <map>
#include <set>
#include <sstream>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "Kr70TextIds.h"
#include "LmCp932.h"
#include "LmFileFilter.h"
#include "LmLang.h"

namespace kr70::lang {
namespace {

struct LanguageFile {
  const char* suffix;
  int languageId;
};
constexpr LanguageFile kFiles[] = {{"JP", LMLANG_ID_JAPANESE}, {"EN", LMLANG_ID_ENGLISH}, {"OT", 1031}};

std::string LangDirectory() { return std::string(KR70_BIN_DIR) + "/LANG/"; }

std::string ReadAll(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

// The printf conversions of a text as type letters: d (int), u (unsigned),
// f (double), s (text), ? (anything else); "%%" is no conversion.
std::string Conversions(const std::string& text) {
  std::string kinds;
  for (size_t i = 0; i < text.size(); ++i) {
    if (text[i] != '%') continue;
    ++i;
    if (i < text.size() && text[i] == '%') continue;
    while (i < text.size() && std::string("-+ #0'.123456789").find(text[i]) != std::string::npos) ++i;
    while (i < text.size() && (text[i] == 'l' || text[i] == 'h')) ++i;
    const char c = i < text.size() ? text[i] : '\0';
    if (c == 'd' || c == 'i') {
      kinds += 'd';
    } else if (c == 'u' || c == 'x' || c == 'X' || c == 'o') {
      kinds += 'u';
    } else if (std::string("fFeEgG").find(c) != std::string::npos && c != '\0') {
      kinds += 'f';
    } else if (c == 's') {
      kinds += 's';
    } else {
      kinds += '?';
    }
  }
  return kinds;
}

std::string ExpectedConversions(int id) {
  for (const text::FormattedText& formatted : text::kFormattedTexts) {
    if (formatted.id == id) return formatted.conversions;
  }
  return "";
}

// Text of every listed id, read through LmLang from LANG/KR70_<suffix>.STR.
std::map<int, std::string> LoadTexts(const LanguageFile& file) {
  std::map<int, std::string> texts;
  LmLangClose();
  const int status = LmLangInit(LMLANG_MODE_SUFFIX, file.languageId, KR70_BIN_DIR, "KR70");
  EXPECT_EQ(status, 0) << file.suffix;
  if (status != 0) return texts;
  for (const int id : text::kAllIds) {
    EXPECT_STRNE(LmLangGetIdxID(id), "") << file.suffix << ": no entry for id " << id;
    texts[id] = LmLangGetIdxString(id);
  }
  LmLangClose();
  return texts;
}

TEST(LanguageFiles, IdListIsAscendingAndUnique) {
  EXPECT_TRUE(std::is_sorted(std::begin(text::kAllIds), std::end(text::kAllIds)));
  EXPECT_EQ(std::adjacent_find(std::begin(text::kAllIds), std::end(text::kAllIds)), std::end(text::kAllIds));
  for (const text::FormattedText& formatted : text::kFormattedTexts) {
    EXPECT_TRUE(std::binary_search(std::begin(text::kAllIds), std::end(text::kAllIds), formatted.id)) << formatted.id;
  }
}

TEST(LanguageFiles, EveryIdHasATextWithTheExpectedPlaceholders) {
  std::map<int, std::string> byLanguage[3];
  for (int f = 0; f < 3; ++f) byLanguage[f] = LoadTexts(kFiles[f]);
  for (const int id : text::kAllIds) {
    const std::string expected = ExpectedConversions(id);
    for (int f = 0; f < 3; ++f) {
      const std::string& text = byLanguage[f][id];
      EXPECT_FALSE(text.empty()) << kFiles[f].suffix << " id " << id;
      EXPECT_EQ(Conversions(text), expected) << kFiles[f].suffix << " id " << id << ": " << text;
    }
  }
}

TEST(LanguageFiles, JapaneseTextsDecodeAsCp932AndKeepNoStrayBackslash) {
  const std::map<int, std::string> texts = LoadTexts(kFiles[0]);
  int withTrail5C = 0;
  for (const auto& [id, text] : texts) {
    std::string utf8;
    EXPECT_TRUE(Cp932ToUtf8(text, utf8)) << "id " << id;
    // Every backslash of the source is an escape, so none may survive.
    EXPECT_EQ(utf8.find('\\'), std::string::npos) << "id " << id << ": " << utf8;
    if (text.find('\x5C') != std::string::npos) ++withTrail5C;
  }
  EXPECT_GT(withTrail5C, 0) << "no text exercises a 0x5C trail byte";
  std::string whole;
  EXPECT_TRUE(Cp932ToUtf8(ReadAll(LangDirectory() + "KR70_JP.STR"), whole));
}

TEST(LanguageFiles, QuotedJapaneseCaptionsAreUsed) {
  const std::map<int, std::string> texts = LoadTexts(kFiles[0]);
  ASSERT_FALSE(texts.empty());
  const std::pair<int, const char*> captions[] = {
      {text::kFormPageWaveform, "取得波形"},      {text::kFormPageSpectrum, "スペクトル"},
      {text::kFormDisplayFile, "表示ファイル"},    {text::kFormAcquire, "波形取得"},
      {text::kFormSamplingPitch, "ｻﾝﾌﾟﾘﾝｸﾞﾋﾟｯﾁ設定"}, {text::kFftCaption, "FFT表示設定"},
      {text::kFftGroup, "FFT表示"},              {text::kFftEnable, "FFT表示を有効にする。"},
      {text::kButtonCancel, "ｷｬﾝｾﾙ"},           {text::kMenuFileOpen, "開く(&O)..."},
      {text::kCheckOpenInDefaultDirectory, "次にファイルを開くときには、デフォルトのディレクトリを表示する"},
      {text::kMsgGraphFailed, "グラフ表示をするときにエラーが発生しました。"},
  };
  for (const auto& [id, caption] : captions) EXPECT_EQ(Cp932ToUtf8(texts.at(id)), caption) << "id " << id;
}

// Filter texts are "description|pattern|" pairs closed by "|", so that a
// file dialog gets every entry; the formatted ones are filled first.
TEST(LanguageFiles, FilterTextsArePairsClosedByABar) {
  for (const LanguageFile& file : kFiles) {
    const std::map<int, std::string> texts = LoadTexts(file);
    ASSERT_FALSE(texts.empty());
    for (const int id : {text::kFilterWaveformOpen, text::kFilterParameterFile, text::kFilterEnvironmentFile,
                         text::kFilterSaveFileName, text::kFilterWaveFile}) {
      std::string filter = Cp932ToUtf8(texts.at(id));
      for (size_t at; (at = filter.find("%s")) != std::string::npos;) filter.replace(at, 2, "ini");
      ASSERT_GE(filter.size(), 2u);
      EXPECT_EQ(filter.substr(filter.size() - 2), "||") << file.suffix << " id " << id;
      const size_t bars = static_cast<size_t>(std::count(filter.begin(), filter.end(), '|'));
      EXPECT_EQ(bars % 2, 1u) << file.suffix << " id " << id;
      const std::string qt = FileFilterToQt(filter);
      EXPECT_EQ(static_cast<size_t>(std::count(qt.begin(), qt.end(), '(')), (bars - 1) / 2)
          << file.suffix << " id " << id << ": " << qt;
    }
  }
}

TEST(LanguageFiles, EnglishFilesAreAscii) {
  for (const char* suffix : {"EN", "OT"}) {
    const std::string bytes = ReadAll(LangDirectory() + "KR70_" + suffix + ".STR");
    ASSERT_FALSE(bytes.empty()) << suffix;
    EXPECT_TRUE(std::all_of(bytes.begin(), bytes.end(), [](char c) { return static_cast<unsigned char>(c) < 0x80; }))
        << suffix;
  }
}

// Every line is a comment (";" after optional blanks), blank, or a valid
// entry; each entry's index is listed and occurs once, so no text is hidden
// by a later line or silently dropped as malformed.
TEST(LanguageFiles, NoLineIsSilentlyIgnored) {
  for (const LanguageFile& file : kFiles) {
    std::istringstream lines(ReadAll(LangDirectory() + "KR70_" + file.suffix + ".STR"));
    std::string line;
    int number = 0;
    int entries = 0;
    std::set<int> indices;
    while (std::getline(lines, line)) {
      ++number;
      if (!line.empty() && line.back() == '\r') line.pop_back();
      const size_t first = line.find_first_not_of(" \t");
      if (first == std::string::npos) continue;
      if (line[first] == ';') {
        EXPECT_EQ(LmLangCheckFormat(line.c_str()), -1) << file.suffix << ":" << number << " comment reads as entry";
        continue;
      }
      char name[LMLANG_NAME_CHARS + 1];
      char text[LMLANG_TEXT_BUFFER];
      int index = 0;
      ASSERT_EQ(LmLangGetStrResource(line.c_str(), name, &index, text), 0) << file.suffix << ":" << number << " " << line;
      ++entries;
      EXPECT_TRUE(indices.insert(index).second) << file.suffix << ":" << number << " repeats id " << index;
      EXPECT_TRUE(std::binary_search(std::begin(text::kAllIds), std::end(text::kAllIds), index))
          << file.suffix << ":" << number << " id " << index << " is not in Kr70TextIds.h";
      EXPECT_LE(line.size() - line.find('\'') - 1, static_cast<size_t>(LMLANG_TEXT_CHARS))
          << file.suffix << ":" << number << " text longer than 255 bytes";
    }
    EXPECT_EQ(entries, static_cast<int>(std::size(text::kAllIds))) << file.suffix;
  }
}

}  // namespace
}  // namespace kr70::lang
