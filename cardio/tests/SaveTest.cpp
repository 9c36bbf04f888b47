#include <gtest/gtest.h>

#include <clocale>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <sstream>

#include "CardTestSupport.h"

namespace fs = std::filesystem;

namespace {

std::string chosenPath;
std::string lastInitialName;
std::string lastFilter;
int lastFilterIndex = 0;

bool Choose(lmp::HWND, const char* filter, int filterIndex, const char* initialName, const char*, char* path,
            size_t size) {
  lastFilter = filter;
  lastFilterIndex = filterIndex;
  lastInitialName = initialName;
  std::snprintf(path, size, "%s", chosenPath.c_str());
  return true;
}

bool Cancel(lmp::HWND, const char*, int, const char*, const char*, char*, size_t) { return false; }

std::string ReadAll(const fs::path& path) {
  std::ifstream in(path, std::ios::binary);
  std::stringstream text;
  text << in.rdbuf();
  return text.str();
}

class Save : public ::testing::Test {
 protected:
  void SetUp() override {
    dir_ = fs::temp_directory_path() / ("cardio-save-" + std::to_string(getpid()));
    fs::create_directories(dir_);
    chosenPath = (dir_ / "out.csv").string();
    AdSetFileChooser(Choose);
  }
  void TearDown() override {
    AdSetFileChooser(nullptr);
    fs::remove_all(dir_);
  }
  fs::path dir_;
};

}  // namespace

TEST_F(Save, CsvRowsDropTheIncompleteScan) {
  // Two channels, five samples: two rows, the fifth sample is not written.
  const uint16_t codes[] = {2048, 0, 4095, 2048, 1};
  ASSERT_EQ(AdSaveCsvFile(nullptr, 2, 2, 20, 2, codes, 5), 0);
  EXPECT_EQ(ReadAll(chosenPath),
            "2.000000e-05,0.000000,-5.000000\r\n"
            "4.000000e-05,4.997559,0.000000\r\n");
  EXPECT_EQ(lastInitialName, "FILE.CSV");
  EXPECT_EQ(lastFilter, "All Files(*.*)|*.*|Binary Files(*.DAT)|*.dat|CSV Files(*.CSV)|*.csv|");
  EXPECT_EQ(lastFilterIndex, 1);
}

TEST_F(Save, CsvUnipolarVoltsAndTimeUnits) {
  const uint16_t codes[] = {4095, 0, 2048};
  ASSERT_EQ(AdSaveCsvFile(nullptr, 1, 1, 5, 1, codes, 3), 0);  // 5 ms
  EXPECT_EQ(ReadAll(chosenPath),
            "5.000000e-03,2.499390\r\n"
            "1.000000e-02,0.000000\r\n"
            "1.500000e-02,1.250000\r\n");
  ASSERT_EQ(AdSaveCsvFile(nullptr, 1, 3, 2, 0, codes, 3), 0);  // 2 s, one row of three
  EXPECT_EQ(ReadAll(chosenPath), "2.000000e+00,2.499390,0.000000,1.250000\r\n");
}

TEST_F(Save, CsvIsWrittenInTheCLocaleWhateverTheProcessLocale) {
  if (!std::setlocale(LC_ALL, "de_DE.UTF-8")) GTEST_SKIP() << "no de_DE.UTF-8 locale here";
  const uint16_t codes[] = {4095};
  int rc = AdSaveCsvFile(nullptr, 1, 1, 20, 2, codes, 1);
  std::setlocale(LC_ALL, "C");
  ASSERT_EQ(rc, 0);
  EXPECT_EQ(ReadAll(chosenPath), "2.000000e-05,2.499390\r\n");
}

TEST_F(Save, CsvRefusalsLeaveNoFile) {
  const uint16_t codes[] = {1, 2};
  EXPECT_EQ(AdSaveCsvFile(nullptr, 1, 1, 20, 3, codes, 2), -2);
  EXPECT_EQ(AdSaveCsvFile(nullptr, 1, 0, 20, 2, codes, 2), -3);
  EXPECT_EQ(AdSaveCsvFile(nullptr, 3, 1, 20, 2, codes, 2), -5);
  EXPECT_FALSE(fs::exists(chosenPath));
  chosenPath = (dir_ / "missing" / "x.csv").string();
  EXPECT_EQ(AdSaveCsvFile(nullptr, 1, 1, 20, 2, codes, 2), -4);
}

TEST_F(Save, CancelledOrMissingChooserWritesNothing) {
  const uint16_t codes[] = {1, 2};
  fs::path cwd = fs::current_path();
  fs::current_path(dir_);
  AdSetFileChooser(Cancel);
  EXPECT_EQ(AdSaveCsvFile(nullptr, 1, 1, 20, 2, codes, 2), -4);
  EXPECT_EQ(AdSaveFile(nullptr, codes, 2), -1);
  AdSetFileChooser(nullptr);
  EXPECT_EQ(AdSaveCsvFile(nullptr, 1, 1, 20, 2, codes, 2), -4);
  EXPECT_EQ(AdSaveFile(nullptr, codes, 2), -1);
  EXPECT_TRUE(fs::is_empty(dir_));
  fs::current_path(cwd);
}

TEST_F(Save, RawFileHoldsTheCodesAsInMemory) {
  chosenPath = (dir_ / "out.dat").string();
  const uint16_t codes[] = {0x0102, 0x0FFF, 0};
  ASSERT_EQ(AdSaveFile(nullptr, codes, 3), 0);
  EXPECT_EQ(lastInitialName, "FILE.DAT");
  EXPECT_EQ(ReadAll(chosenPath), std::string("\x02\x01\xFF\x0F\x00\x00", 6));
}

TEST_F(Save, WriteFailuresAreReported) {
  if (!fs::exists("/dev/full")) GTEST_SKIP() << "no /dev/full";
  chosenPath = "/dev/full";
  std::vector<uint16_t> codes(100000, 7);
  EXPECT_EQ(AdSaveFile(nullptr, codes.data(), uint32_t(codes.size())), -1);
  EXPECT_EQ(AdSaveCsvFile(nullptr, 1, 1, 20, 2, codes.data(), uint32_t(codes.size())), -1);
}
