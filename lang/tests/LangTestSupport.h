// Temporary string files for the LmLang tests.
#ifndef KR70_LANG_TESTS_LANGTESTSUPPORT_H
#define KR70_LANG_TESTS_LANGTESTSUPPORT_H

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>

#include <gtest/gtest.h>

#include "LmLang.h"

namespace kr70::lang::test {

// A fresh directory per test, removed afterwards; the language table is
// closed before and after every test so that tests never share a table.
class StringFileTest : public ::testing::Test {
 protected:
  void SetUp() override {
    LmLangClose();
    std::string pattern = (std::filesystem::temp_directory_path() / "lmlang-XXXXXX").string();
    ASSERT_NE(::mkdtemp(pattern.data()), nullptr);
    directory_ = pattern;
    std::filesystem::create_directory(directory_ / "LANG");
  }
  void TearDown() override {
    LmLangClose();
    std::error_code ignored;
    std::filesystem::remove_all(directory_, ignored);
  }

  // Writes bytes to LANG/TOOL_<language>.STR (mode 2 layout).
  void WriteLanguageFile(const std::string& language, const std::string& bytes) {
    WriteFile("LANG/TOOL_" + language + ".STR", bytes);
  }
  void WriteFile(const std::string& relative, const std::string& bytes) {
    std::ofstream out(directory_ / relative, std::ios::binary | std::ios::trunc);
    out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
    ASSERT_TRUE(out.good());
  }
  // Loads LANG/TOOL_JP.STR holding bytes.
  int LoadJapanese(const std::string& bytes) {
    WriteLanguageFile("JP", bytes);
    return LmLangInit(LMLANG_MODE_SUFFIX, LMLANG_ID_JAPANESE, directory_.c_str(), "TOOL");
  }

  std::filesystem::path directory_;
};

// Sets or clears the locale variables for one test and restores them after.
class ScopedLocaleEnvironment {
 public:
  ScopedLocaleEnvironment(const char* lcAll, const char* lcMessages, const char* lang) {
    Save();
    Set("LC_ALL", lcAll);
    Set("LC_MESSAGES", lcMessages);
    Set("LANG", lang);
  }
  ~ScopedLocaleEnvironment() {
    for (int i = 0; i < 3; ++i) Set(kNames[i], saved_[i] ? values_[i].c_str() : nullptr);
  }
  ScopedLocaleEnvironment(const ScopedLocaleEnvironment&) = delete;
  ScopedLocaleEnvironment& operator=(const ScopedLocaleEnvironment&) = delete;

 private:
  static constexpr const char* kNames[3] = {"LC_ALL", "LC_MESSAGES", "LANG"};
  void Save() {
    for (int i = 0; i < 3; ++i) {
      const char* value = std::getenv(kNames[i]);
      saved_[i] = value != nullptr;
      values_[i] = value != nullptr ? value : "";
    }
  }
  static void Set(const char* name, const char* value) {
    if (value == nullptr) {
      ::unsetenv(name);
    } else {
      ::setenv(name, value, 1);
    }
  }
  bool saved_[3] = {};
  std::string values_[3];
};

}  // namespace kr70::lang::test

#endif
