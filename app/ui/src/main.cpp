// KR70: the workstation program.
//   KR70 [/v|-v] [parameter-file] [waveform-file.wav|.rdt ...]
// Waveform files on the command line (as the desktop entry passes them) are
// loaded after start-up, in order, as the open command loads them.
// Environment (for scripted starts and screenshots):
//   KR70_OPEN_FILES   ':'-separated waveform files loaded after start-up, in
//                     order, as the open command loads them
//   KR70_FFT_DISPLAY  "1": the spectrum display is switched on at start, as
//                     the FFT display settings would
//   KR70_START_PAGE   0 waveform, 1 spectrum, 4 abnormal-sound page
#include "LanguageText.h"
#include "LmLang.h"
#include "LmPlatform.h"
#include "MainWindow.h"
#include "QtProfile.h"
#include "WAFilter.h"

#include <QApplication>
#include <QMessageBox>
#include <QScreen>

#include <cstdlib>
#include <string>

namespace {

constexpr const char* kRegisteredMessages[] = {
    "CANLZCMPDLGENDPLUS", "SAVEBEFORECLOSEPLUS", "GETCOMBOBOXLISTPLUS", "SENDCOMBOBOXLISTPLUS",
    "GETBOARDINFOPLUS",   "SENDBOARDINFOPLUS",   "SYNCGETWAVENDPLUS",   "SYNCENDPLUS"};

struct CommandLine {
  bool viewer = false;
  std::string parameterFile;
  QStringList waveformFiles;
};

bool isWaveformFile(const QString& argument) {
  return argument.endsWith(QLatin1String(".wav"), Qt::CaseInsensitive) ||
         argument.endsWith(QLatin1String(".rdt"), Qt::CaseInsensitive);
}

CommandLine parseCommandLine(const QStringList& arguments) {
  CommandLine line;
  for (int i = 1; i < arguments.size(); ++i) {
    const QString& argument = arguments[i];
    if ((argument.startsWith('/') || argument.startsWith('-')) && argument.size() == 2 &&
        argument[1].toLower() == 'v') {
      line.viewer = true;
    } else if (isWaveformFile(argument)) {
      line.waveformFiles << argument;
    } else if (line.parameterFile.empty() && !argument.startsWith('-')) {
      line.parameterFile = argument.toStdString();
    }
  }
  return line;
}

}  // namespace

int main(int argc, char** argv) {
  QApplication application(argc, argv);
  application.setOrganizationName("Ostrel");
  application.setApplicationName("KR70");
  QGuiApplication::setDesktopFileName(QStringLiteral("com.ostrel.KR70"));
  const CommandLine commandLine = parseCommandLine(QApplication::arguments());

  char directory[4096] = {};
  char baseName[256] = {};
  if (LmLangGetProgramPath(directory, sizeof directory, baseName, sizeof baseName) != 0 ||
      LmLangInit(LMLANG_MODE_SUFFIX, 0, directory, baseName) != 0) {
    QMessageBox::critical(nullptr, "KR70", "Language String Tabel Initialize Error!!");
    return 1;
  }
  kr70::ui::registerFontSubstitutes();
  application.setFont(kr70::ui::languageFont());

  kr70::ui::QtProfile profile;
  kr70::ui::MainWindow::Options options;
  options.startup = kr70::loadStartupSettings(profile, directory);
  options.parameterFile = commandLine.parameterFile;
  options.viewer = commandLine.viewer;

  for (const char* name : kRegisteredMessages) {
    if (lmp::RegisterWindowMessage(name) == 0) {
      QMessageBox::critical(nullptr, kr70::ui::languageText(210), kr70::ui::languageText(2000));
      LmLangClose();
      return 1;
    }
  }
  // A library call that blocks while pumping messages keeps the window alive.
  lmp::SetPumpHook([] { QCoreApplication::processEvents(QEventLoop::AllEvents, 10); });
  StartFilterSystem();

  int status = 0;
  {
    kr70::ui::MainWindow window(profile, options);
    if (const QScreen* screen = QGuiApplication::primaryScreen()) {
      const QRect desktop = screen->availableGeometry();
      window.move(desktop.center() - QPoint(400, 300));
    }
    window.show();
    if (const char* enable = std::getenv("KR70_FFT_DISPLAY"); enable && std::string(enable) == "1")
      window.state().SetSpectraEnabled(true);
    if (const char* files = std::getenv("KR70_OPEN_FILES")) {
      for (const QString& path : QString::fromUtf8(files).split(':', Qt::SkipEmptyParts))
        window.state().LoadWaveform(path.toStdString());
    }
    for (const QString& path : commandLine.waveformFiles) window.state().LoadWaveform(path.toStdString());
    if (const char* page = std::getenv("KR70_START_PAGE")) {
      const int index = std::atoi(page);
      window.form().viewCommand(index == 1 ? 32776 : index == 4 ? 32780 : 32775);
    }
    status = application.exec();
  }
  lmp::SetPumpHook({});
  StopFilterSystem();
  LmLangClose();
  return status;
}
