// The string-file grammar, look-up rules, file names, language selection and
// robustness of LmLang.
#include <sys/stat.h>

#include <chrono>
#include <cstring>
#include <string>

#include <gtest/gtest.h>

#include "LangTestSupport.h"
#include "LmCp932.h"
#include "LmLang.h"

namespace kr70::lang::test {
namespace {

using LmLangLoad = StringFileTest;

TEST_F(LmLangLoad, TitleLineWithEscapedLineFeed) {
  ASSERT_EQ(LoadJapanese("  IDS_TITLE = 100, 'Abnormal\\nsound\r\n"), 0);
  EXPECT_STREQ(LmLangGetIdxString(100), "Abnormal\nsound");
  EXPECT_STREQ(LmLangGetIdxID(100), "IDS_TITLE");
}

TEST_F(LmLangLoad, MalformedLinesAreIgnoredButCountAsLines) {
  ASSERT_EQ(LoadJapanese("A= 5, 'no blank before equals\n"
                         "B =5, 'no blank after equals\n"
                         "C = 6 'no comma\n"
                         "D = 6,no quote\n"
                         "E = , 'no digits\n"
                         "F = 6a, 'letter in index\n"
                         "G = 6 , 'blank before comma\n"
                         "= 6, 'no name\n"
                         "; H = 6, 'a comment: the name ; is not followed by =\n"
                         ";H = 6, 'comment with entry shape is still an entry\n"
                         "\n"
                         "OK\t=\t9,\t'tabs\n"),
            0);
  EXPECT_STREQ(LmLangGetIdxString(5), "");
  EXPECT_STREQ(LmLangGetIdxString(6), "comment with entry shape is still an entry");
  EXPECT_STREQ(LmLangGetIdxID(6), ";H");
  EXPECT_STREQ(LmLangGetIdxString(9), "tabs");
  EXPECT_EQ(LmLangCheckFormat("A= 5, 'x"), -1);
  EXPECT_EQ(LmLangCheckFormat("A = 5 'x"), -1);
  EXPECT_EQ(LmLangCheckFormat("A = 5,'x"), 0);
  EXPECT_EQ(LmLangCheckFormat("A = 5, '"), 0);
}

TEST_F(LmLangLoad, LaterLineWinsForTheSameIndex) {
  ASSERT_EQ(LoadJapanese("FIRST = 7, 'first\nOTHER = 8, 'other\nSECOND = 7, 'second\n"), 0);
  EXPECT_STREQ(LmLangGetIdxString(7), "second");
  EXPECT_STREQ(LmLangGetIdxID(7), "SECOND");
}

TEST_F(LmLangLoad, IndexOutsideOneTo65535IsTreatedAsOne) {
  ASSERT_EQ(LoadJapanese("ONE = 1, 'one\nZERO = 0, 'zero\nBIG = 70000, 'big\n"), 0);
  EXPECT_STREQ(LmLangGetIdxString(0), "one");
  EXPECT_STREQ(LmLangGetIdxString(-3), "one");
  EXPECT_STREQ(LmLangGetIdxString(65536), "one");
  EXPECT_STREQ(LmLangGetIdxString(70000), "one");
  EXPECT_STREQ(LmLangGetIdxID(0), "ONE");
  EXPECT_STREQ(LmLangGetIdxString(2), "");  // no entry
  char buffer[LMLANG_TEXT_BUFFER];
  EXPECT_EQ(LmLangCopyIdxString(0, buffer), 0);
  EXPECT_STREQ(buffer, "");
  EXPECT_EQ(LmLangCopyIdxString(70000, buffer), 0);
  EXPECT_STREQ(buffer, "");
  EXPECT_EQ(LmLangCopyIdxString(1, buffer), 0);
  EXPECT_STREQ(buffer, "one");
}

TEST_F(LmLangLoad, NameIndexAndTextAreCutToTheirLimits) {
  const std::string longText(300, 'x');
  ASSERT_EQ(LoadJapanese("ABCDEFGHIJKLMN = 8, 'eight\n"
                         "SIX = 1234567, 'six digits kept five\n"
                         "LONG = 9, '" + longText + "\n"
                         "QUOTE = 10, 'closing quote'\n"),
            0);
  EXPECT_STREQ(LmLangGetIdxID(8), "ABCDEFGHIJ");
  EXPECT_STREQ(LmLangGetIdxString(12345), "six digits kept five");
  EXPECT_EQ(std::string(LmLangGetIdxString(9)), std::string(255, 'x'));
  EXPECT_STREQ(LmLangGetIdxString(10), "closing quote'");
}

TEST_F(LmLangLoad, LineEndsCarriageReturnsAndAFinalLineWithoutLineFeed) {
  ASSERT_EQ(LoadJapanese("A = 1, 'crlf\r\nB = 2, 'cut\rhere\nC = 3, 'last line"), 0);
  EXPECT_STREQ(LmLangGetIdxString(1), "crlf");
  EXPECT_STREQ(LmLangGetIdxString(2), "cut");
  EXPECT_STREQ(LmLangGetIdxString(3), "last line");
}

TEST_F(LmLangLoad, ShiftJisTrailByte5CIsNotAnEscape) {
  // "表" is 0x95 0x5C and "ソ" 0x83 0x5C: their trail byte is a backslash.
  ASSERT_EQ(LoadJapanese("A = 1, '\x95\x5C\\n\x83\x5C\\\\\n"
                         "B = 2, '\x95\x5Cn\n"),
            0);
  EXPECT_STREQ(LmLangGetIdxString(1), "\x95\x5C\n\x83\x5C\\");
  EXPECT_STREQ(LmLangGetIdxString(2), "\x95\x5Cn");
  EXPECT_EQ(Cp932ToUtf8(LmLangGetIdxString(1)), "表\nソ\\");
}

TEST_F(LmLangLoad, LongJapaneseTextIsNotCutInsideACharacter) {
  std::string text;
  for (int i = 0; i < 128; ++i) text += "\x95\x5C";  // 256 bytes of "表"
  ASSERT_EQ(LoadJapanese("A = 1, '" + text + "\n"), 0);
  EXPECT_EQ(std::strlen(LmLangGetIdxString(1)), 254u);
  std::string decoded;
  EXPECT_TRUE(Cp932ToUtf8(LmLangGetIdxString(1), decoded));
}

TEST_F(LmLangLoad, InitialisationStatus) {
  EXPECT_EQ(LmLangInit(LMLANG_MODE_SUFFIX, LMLANG_ID_JAPANESE, directory_.c_str(), "TOOL"), LMLANG_ERR_NO_FILE);
  EXPECT_STREQ(LmLangGetIdxString(1), "");
  WriteLanguageFile("JP", "");
  EXPECT_EQ(LmLangInit(LMLANG_MODE_SUFFIX, LMLANG_ID_JAPANESE, directory_.c_str(), "TOOL"), LMLANG_ERR_NO_FILE);
  WriteLanguageFile("JP", "A = 1, 'one\n");
  ASSERT_EQ(LmLangInit(LMLANG_MODE_SUFFIX, LMLANG_ID_JAPANESE, directory_.c_str(), "TOOL"), 0);
  EXPECT_EQ(LmLangInit(LMLANG_MODE_SUFFIX, LMLANG_ID_JAPANESE, directory_.c_str(), "TOOL"), LMLANG_ERR_ALREADY);
  LmLangClose();
  EXPECT_STREQ(LmLangGetIdxString(1), "");
  // A directory without a trailing "/" gets one.
  const std::string noSlash = directory_.string();
  EXPECT_EQ(LmLangInit(LMLANG_MODE_SUFFIX, LMLANG_ID_JAPANESE, noSlash.c_str(), "TOOL.exe"), 0);
}

TEST_F(LmLangLoad, CloseClearsTheIndexMap) {
  ASSERT_EQ(LoadJapanese("A = 50, 'fifty\nB = 1, 'one\n"), 0);
  LmLangClose();
  ASSERT_EQ(LoadJapanese("B = 1, 'one\n"), 0);
  EXPECT_STREQ(LmLangGetIdxString(50), "");
}

TEST_F(LmLangLoad, CopyFormatFillsOnlySafeIntegerFormats) {
  ASSERT_EQ(LoadJapanese("A = 1, '%d items\nB = 2, 'path %s\nC = 3, '%d and %d\nD = 4, '[%05x] 100%%\n"
                         "E = 5, '%ld\nF = 6, '%*d\nG = 7, '%'d\n"),
            0);
  const auto formatted = [](int index, int value) {
    char out[LMLANG_TEXT_BUFFER];
    EXPECT_EQ(LmLangCopyIdxStringFormat(index, value, out), 0);
    return std::string(out);
  };
  EXPECT_EQ(formatted(1, 5), "5 items");
  EXPECT_EQ(formatted(2, 5), "path %s");
  EXPECT_EQ(formatted(3, 5), "%d and %d");
  EXPECT_EQ(formatted(4, 255), "[000ff] 100%");
  EXPECT_EQ(formatted(5, 1), "%ld");
  EXPECT_EQ(formatted(6, 1), "%*d");
  EXPECT_EQ(formatted(7, 1234567), "%'d");  // grouping would follow the process locale
  EXPECT_EQ(formatted(0, 1), "");
}

TEST_F(LmLangLoad, CopyFormatNeverWritesPastTheDestination) {
  ASSERT_EQ(LoadJapanese("A = 1, '" + std::string(250, 'y') + "%d\n"), 0);
  char out[LMLANG_TEXT_BUFFER + 8];
  std::memset(out, '#', sizeof out);
  LmLangCopyIdxStringFormat(1, -2147483647 - 1, out);
  EXPECT_EQ(std::strlen(out), 255u);
  EXPECT_EQ(std::string(out + 250), "-2147");
  EXPECT_EQ(out[LMLANG_TEXT_BUFFER], '#');
}

TEST_F(LmLangLoad, CopyFormatShowsHugeWidthsAndPrecisionsAsLiteralText) {
  // Formatted, these would pad up to two billion characters per call.
  ASSERT_EQ(LoadJapanese("A = 1, '%2000000000d\nB = 2, '%.999999999d\nC = 3, '%256d|\nD = 4, '%-255d|\n"), 0);
  char out[LMLANG_TEXT_BUFFER];
  const auto started = std::chrono::steady_clock::now();
  ASSERT_EQ(LmLangCopyIdxStringFormat(1, 7, out), 0);
  EXPECT_STREQ(out, "%2000000000d");
  ASSERT_EQ(LmLangCopyIdxStringFormat(2, 7, out), 0);
  EXPECT_STREQ(out, "%.999999999d");
  EXPECT_LT(std::chrono::steady_clock::now() - started, std::chrono::milliseconds(200));
  ASSERT_EQ(LmLangCopyIdxStringFormat(3, 7, out), 0);
  EXPECT_STREQ(out, "%256d|");
  ASSERT_EQ(LmLangCopyIdxStringFormat(4, 7, out), 0);  // a width that fits is still formatted
  EXPECT_EQ(std::string(out), "7" + std::string(254, ' '));
}

TEST_F(LmLangLoad, SelectLocalReloadsOnlyForAnotherLanguage) {
  WriteLanguageFile("EN", "A = 1, 'english\n");
  ASSERT_EQ(LoadJapanese("A = 1, 'japanese\n"), 0);
  EXPECT_EQ(LmLangGetLocal(1), LMLANG_ID_JAPANESE);
  // Same language: the table is kept even though the file changed on disk.
  WriteLanguageFile("JP", "A = 1, 'changed\n");
  EXPECT_EQ(LmLangSelectLocal(LMLANG_ID_JAPANESE), 0);
  EXPECT_STREQ(LmLangGetIdxString(1), "japanese");
  EXPECT_EQ(LmLangSelectLocal(LMLANG_ID_ENGLISH), 0);
  EXPECT_STREQ(LmLangGetIdxString(1), "english");
  EXPECT_EQ(LmLangGetLocal(1), LMLANG_ID_ENGLISH);
  // No "other" file: the table is left uninitialised.
  EXPECT_EQ(LmLangSelectLocal(1031), LMLANG_ERR_NO_FILE);
  EXPECT_STREQ(LmLangGetIdxString(1), "");
  EXPECT_EQ(LmLangSelectLocal(LMLANG_ID_JAPANESE), 0);
  EXPECT_STREQ(LmLangGetIdxString(1), "changed");
}

TEST_F(LmLangLoad, FontFollowsTheCurrentLanguage) {
  WriteLanguageFile("EN", "A = 1, 'english\n");
  ASSERT_EQ(LoadJapanese("A = 1, 'japanese\n"), 0);
  char face[LMLANG_FACE_BUFFER];
  int size = 0;
  ASSERT_EQ(LmLangGetFontInfo(face, &size), 0);
  EXPECT_EQ(Cp932ToUtf8(face), "ＭＳ Ｐゴシック");
  EXPECT_EQ(size, 9);
  ASSERT_EQ(LmLangSelectLocal(LMLANG_ID_ENGLISH), 0);
  ASSERT_EQ(LmLangGetFontInfo(face, &size), 0);
  EXPECT_STREQ(face, "MS Sans Serif");
  EXPECT_EQ(size, 8);
  EXPECT_EQ(LmLangGetFontInfo(nullptr, &size), -1);
}

TEST(LmLangFileName, ModesAndLanguages) {
  const auto fileName = [](int mode, int languageId, const char* path) {
    char name[256];
    EXPECT_GT(LmLangGetFileName(mode, languageId, path, name, sizeof name), 0);
    return std::string(name);
  };
  EXPECT_EQ(fileName(2, 1041, "/app/TOOL"), "/app/LANG/TOOL_JP.STR");
  EXPECT_EQ(fileName(2, 1031, "/app/TOOL"), "/app/LANG/TOOL_OT.STR");
  EXPECT_EQ(fileName(2, 1033, "/app/TOOL.exe"), "/app/LANG/TOOL_EN.STR");
  EXPECT_EQ(fileName(0, 1041, "/app/TOOL.exe"), "/app/LANG/JP/TOOL.STR");
  EXPECT_EQ(fileName(0, 2052, "TOOL"), "LANG/OT/TOOL.STR");
  EXPECT_EQ(fileName(1, 1041, "/my.dir/TOOL.bin"), "/my.dir/TOOL.STR");
  EXPECT_EQ(fileName(7, 1041, "/my.dir/TOOL"), "/my.dir/TOOL.STR");
  char name[256];
  EXPECT_EQ(LmLangGetFileName(2, 1041, "/app/TOOL", name, sizeof name), 22);  // length with terminator
  EXPECT_EQ(LmLangGetFileName(2, 1041, "/app/TOOL", name, 21), -1);
  EXPECT_STREQ(name, "");
}

TEST(LmLangFileName, SystemLanguageFromTheLocale) {
  char name[256];
  {
    ScopedLocaleEnvironment locale(nullptr, nullptr, "ja_JP.UTF-8");
    LmLangGetFileName(2, 0, "/app/TOOL", name, sizeof name);
    EXPECT_STREQ(name, "/app/LANG/TOOL_JP.STR");
    EXPECT_EQ(LmLangGetLocal(0), 1041);
  }
  {
    ScopedLocaleEnvironment locale(nullptr, "de_DE.UTF-8", "ja_JP.UTF-8");
    LmLangGetFileName(2, 0, "/app/TOOL", name, sizeof name);
    EXPECT_STREQ(name, "/app/LANG/TOOL_OT.STR");
    EXPECT_EQ(LmLangGetLocal(0), 1031);
  }
  {
    ScopedLocaleEnvironment locale("", "", "en_GB.UTF-8");
    EXPECT_EQ(LmLangGetLocal(0), 1033);
  }
  {
    ScopedLocaleEnvironment locale("C.UTF-8", nullptr, "ja_JP");
    EXPECT_EQ(LmLangGetLocal(0), 1033);
  }
  {
    ScopedLocaleEnvironment locale("POSIX", nullptr, nullptr);
    EXPECT_EQ(LmLangGetLocal(0), 1033);
  }
  {
    ScopedLocaleEnvironment locale(nullptr, nullptr, nullptr);
    EXPECT_EQ(LmLangGetLocal(0), 1033);
  }
  {
    ScopedLocaleEnvironment locale("xx_YY", nullptr, nullptr);
    const uint16_t other = LmLangGetLocal(0);
    EXPECT_NE(other, 1033);
    EXPECT_NE(other, 1041);
    EXPECT_NE(other, 0);
  }
  EXPECT_EQ(LmLangGetLocal(1041), 1041);
  EXPECT_EQ(LmLangGetLocal(70000), 70000 & 0xFFFF);
}

TEST_F(LmLangLoad, SystemLanguageIsUsedForIdZero) {
  ScopedLocaleEnvironment locale("ja_JP.UTF-8", nullptr, nullptr);
  WriteLanguageFile("JP", "A = 1, 'japanese\n");
  ASSERT_EQ(LmLangInit(LMLANG_MODE_SUFFIX, 0, directory_.c_str(), "TOOL"), 0);
  EXPECT_EQ(LmLangGetLocal(1), LMLANG_ID_JAPANESE);
  EXPECT_STREQ(LmLangGetIdxString(1), "japanese");
}

TEST(LmLangEscapes, AllSevenSequencesAndTheRest) {
  char text[LMLANG_TEXT_BUFFER + 8] = "\\b\\f\\n\\r\\t\\v\\\\\\q\\";
  EXPECT_EQ(LmLangEscSeqConv(text), 10);
  EXPECT_STREQ(text, "\b\f\n\r\t\v\\\\q\\");
  char shortText[] = "\\";
  EXPECT_EQ(LmLangEscSeqConv(shortText), 1);
  EXPECT_STREQ(shortText, "\\");
  char doubled[] = "\\\\n";  // escaped backslash, then a plain n
  LmLangEscSeqConv(doubled);
  EXPECT_STREQ(doubled, "\\n");
  char tooLong[300];
  std::memset(tooLong, 'z', 257);
  tooLong[257] = '\0';
  EXPECT_EQ(LmLangEscSeqConv(tooLong), -1);
}

TEST(LmLangScanning, StepsStayWithinTheLine) {
  const char line[] = "  NAME\t= 12, 'x";
  EXPECT_EQ(LmLangSpcSrc(1, line), line + 2);
  EXPECT_EQ(LmLangSpcSrc(0, line + 2), line + 6);
  EXPECT_EQ(LmLangSpcSrc(2, line), line + 7);
  EXPECT_EQ(LmLangSpcSrc(3, line), line + 11);
  EXPECT_EQ(LmLangSpcSrc(4, line), line + 13);
  const char* noComma = "no comma";
  EXPECT_EQ(*LmLangSpcSrc(3, noComma), '\0');

  char buffer[] = "a\r\nb\r\nc";
  const int64_t length = static_cast<int64_t>(sizeof buffer - 1);
  EXPECT_EQ(LmLangGetLine(buffer, length), 2);
  EXPECT_EQ(LmLangLFSrc(buffer, buffer + length), buffer + 3);
  EXPECT_EQ(LmLangLFSrc(buffer + 6, buffer + length), buffer + length);
  EXPECT_EQ(LmLangCRLFCnv(buffer, length), length);
  EXPECT_EQ(buffer[1], '\0');
  EXPECT_EQ(buffer[4], '\0');

  char name[LMLANG_NAME_CHARS + 1];
  char text[LMLANG_TEXT_BUFFER];
  int index = -1;
  EXPECT_EQ(LmLangGetStrResource("  ID = 00042, 'tab\\there", name, &index, text), 0);
  EXPECT_STREQ(name, "ID");
  EXPECT_EQ(index, 42);
  EXPECT_STREQ(text, "tab\there");
  EXPECT_EQ(LmLangGetStrResource("ID=42, 'x", name, &index, text), -1);
  EXPECT_EQ(index, 0);
  EXPECT_STREQ(name, "");
}

TEST_F(LmLangLoad, FileHelpers) {
  WriteFile("plain.txt", "12345");
  const std::string file = (directory_ / "plain.txt").string();
  EXPECT_EQ(LmLangGetFileSize(file.c_str()), 5);
  EXPECT_EQ(LmLangGetFileSize(directory_.c_str()), 0);
  EXPECT_EQ(LmLangGetFileSize((directory_ / "missing").c_str()), 0);
  char buffer[8] = {};
  EXPECT_EQ(LmLangReadStrFile(file.c_str(), 5, buffer), 5);
  EXPECT_STREQ(buffer, "12345");
  EXPECT_EQ(LmLangReadStrFile((directory_ / "missing").c_str(), 5, buffer), -1);
  EXPECT_EQ(LmLangReadStrFile(directory_.c_str(), 5, buffer), -2);
  const std::string fifo = (directory_ / "fifo.STR").string();
  ASSERT_EQ(mkfifo(fifo.c_str(), 0600), 0);
  EXPECT_EQ(LmLangReadStrFile(fifo.c_str(), 5, buffer), -2);  // refused, not waited on
}

TEST(LmLangProgramPath, DirectoryAndBaseNameOfThisExecutable) {
  char directory[4096];
  char base[256];
  ASSERT_EQ(LmLangGetProgramPath(directory, sizeof directory, base, sizeof base), 0);
  EXPECT_STREQ(base, "lmlang_tests");
  const std::string dir(directory);
  ASSERT_FALSE(dir.empty());
  EXPECT_EQ(dir.back(), '/');
  EXPECT_TRUE(std::filesystem::exists(dir + base));
  EXPECT_EQ(LmLangGetProgramPath(directory, 2, base, sizeof base), -1);
}

TEST_F(LmLangLoad, SeventyThousandLinesLoadTheFirst65535) {
  std::string file;
  file.reserve(70000 * 20);
  for (int line = 1; line <= 70000; ++line) {
    file += "L = " + std::to_string(line) + ", 'line " + std::to_string(line) + "\n";
  }
  ASSERT_EQ(LoadJapanese(file), 0);
  EXPECT_STREQ(LmLangGetIdxString(65535), "line 65535");
  EXPECT_STREQ(LmLangGetIdxString(1), "line 1");
  EXPECT_STREQ(LmLangGetIdxString(30000), "line 30000");
}

TEST_F(LmLangLoad, MegabyteLinesAreCutNotFatal) {
  const std::string mega(1 << 20, 'm');
  ASSERT_EQ(LoadJapanese("BIG = 1, '" + mega + "\n" + mega + " = 2, 'long name\n" + mega + "\nAFTER = 3, 'after\n"), 0);
  EXPECT_EQ(std::string(LmLangGetIdxString(1)), std::string(255, 'm'));
  EXPECT_EQ(std::string(LmLangGetIdxID(2)), std::string(10, 'm'));
  EXPECT_STREQ(LmLangGetIdxString(3), "after");
}

TEST_F(LmLangLoad, BinaryFileLoadsWithoutCrashing) {
  std::string noise(200000, '\0');
  uint32_t state = 12345u;
  for (char& byte : noise) {
    state = state * 1103515245u + 12345u;
    byte = static_cast<char>(state >> 24);
  }
  noise += "\nOK = 4242, 'found after noise\n";
  ASSERT_EQ(LoadJapanese(noise), 0);
  EXPECT_STREQ(LmLangGetIdxString(4242), "found after noise");
  for (int index = 0; index <= LMLANG_MAX_INDEX; index += 97) {
    EXPECT_LE(std::strlen(LmLangGetIdxString(index)), 255u);
    EXPECT_LE(std::strlen(LmLangGetIdxID(index)), 10u);
  }
}

}  // namespace
}  // namespace kr70::lang::test
