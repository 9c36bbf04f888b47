#pragma once
// Printer set-up (32793) and printing of the current page (32792) with Qt
// PrintSupport. The printer chosen in the set-up dialog (which also offers
// printing to a PDF file) is used from then on; before that the system's
// default printer. The page itself is laid out by print::LayoutPrintPage.
#include "PrintPage.h"

#include <QString>
#include <memory>

class QPrinter;
class QWidget;

namespace kr70::ui {

class Printing {
 public:
  Printing();
  ~Printing();

  // The set-up dialog; true when a printer was chosen.
  bool setUp(QWidget* parent);
  // Chooses a PDF file as the printer, as the set-up dialog would.
  void usePdfFile(const QString& path);

  enum class Result { Printed, NoPrinter, Failed };
  // One page: picture of pageWidget (null: none) scaled into the reserved
  // rectangle, then the text lines.
  Result print(const print::PrintValues& values, QWidget* pageWidget);

 private:
  std::unique_ptr<QPrinter> chosen_;
};

}  // namespace kr70::ui
