// The savers: a raw dump of the 16-bit codes and a CSV file with a time column.
#include <cerrno>
#include <clocale>
#include <cstdio>
#include <locale.h>
#include <string>

#include "CardState.h"

namespace cardio {
namespace {

constexpr const char* kFilter = "All Files(*.*)|*.*|Binary Files(*.DAT)|*.dat|CSV Files(*.CSV)|*.csv|";

AdFileChooser fileChooser = nullptr;

// Asks the host's chooser; false when there is none or the user cancelled.
bool ChooseFile(lmp::HWND owner, const char* initialName, std::string* path) {
  AdFileChooser chooser = fileChooser;
  if (!chooser) return false;
  char chosen[4096] = {};
  std::string directory = lmp::ProgramDirectory();
  if (!chooser(owner, kFilter, 1, initialName, directory.c_str(), chosen, sizeof chosen)) return false;
  chosen[sizeof chosen - 1] = 0;
  if (chosen[0] == 0) return false;
  *path = chosen;
  return true;
}

// Numbers in the file are written in the C locale whatever the process uses.
class CLocale {
 public:
  CLocale() : locale_(newlocale(LC_ALL_MASK, "C", nullptr)), previous_(locale_ ? uselocale(locale_) : nullptr) {}
  ~CLocale() {
    if (locale_) {
      uselocale(previous_);
      freelocale(locale_);
    }
  }
  bool ok() const { return locale_ != nullptr; }

 private:
  locale_t locale_;
  locale_t previous_;
};

}  // namespace
}  // namespace cardio

CARDIO32_API void AdSetFileChooser(AdFileChooser chooser) { cardio::fileChooser = chooser; }

CARDIO32_API int AdSaveFile(lmp::HWND owner, const uint16_t* codes, uint32_t count) {
  std::string path;
  if (!cardio::ChooseFile(owner, "FILE.DAT", &path)) return -1;
  if (codes == nullptr && count != 0) return -1;
  FILE* file = std::fopen(path.c_str(), "wb");
  if (!file) return -1;
  bool ok = count == 0 || std::fwrite(codes, 2, count, file) == count;
  if (std::fclose(file) != 0) ok = false;
  return ok ? 0 : -1;
}

CARDIO32_API int AdSaveCsvFile(lmp::HWND owner, uint16_t cardType, uint16_t channelsPerRow, double timeStep,
                               uint16_t timeUnit, const uint16_t* codes, uint32_t totalSamples) {
  if (timeUnit > 2) return -2;
  if (channelsPerRow == 0) return -3;
  // The type is checked before a file exists, so a refusal leaves no stub behind.
  if (cardType != 1 && cardType != 2) return -5;
  if (codes == nullptr && totalSamples >= channelsPerRow) return -1;
  std::string path;
  if (!cardio::ChooseFile(owner, "FILE.CSV", &path)) return -4;
  FILE* file = std::fopen(path.c_str(), "wb");
  if (!file) return -4;
  cardio::CLocale cLocale;
  const double factor = timeUnit == 0 ? 1.0 : timeUnit == 1 ? 0.001 : 0.000001;
  const uint32_t rows = totalSamples / channelsPerRow;
  bool ok = cLocale.ok();
  for (uint32_t r = 1; ok && r <= rows; ++r) {
    ok = std::fprintf(file, "%e", double(r) * timeStep * factor) > 0;
    const uint16_t* row = codes + size_t(r - 1) * channelsPerRow;
    for (uint16_t c = 0; ok && c < channelsPerRow; ++c) {
      double volts = cardType == 1 ? HexToValU(row[c]) : HexToValB(row[c]);
      ok = std::fprintf(file, ",%1.6f", volts) > 0;
    }
    if (ok) ok = std::fputs("\r\n", file) >= 0;
  }
  if (std::fclose(file) != 0) ok = false;
  return ok ? 0 : -1;
}
