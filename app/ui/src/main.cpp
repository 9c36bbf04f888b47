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
//   KR70_OPEN_PARAMETERS  a parameter file applied after the files are loaded,
//                     as "open parameter file" (32789) applies it (a file named
//                     on the command line is applied as start-up does instead)
#include "InstanceChannel.h"
#include "Instances.h"
#include "LanguageText.h"
#include "LmLang.h"
#include "LmPlatform.h"
#include "MainWindow.h"
#include "ParameterFileCommands.h"
#include "QtProfile.h"
#include "WAFilter.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QWindow>
#include <QMessageBox>
#include <QThread>
#include <QTimer>

#include <unistd.h>
#include <QScreen>

#include <cstdlib>
#include <string>

namespace {

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

// Brings the running instance of className to the front. It may still be
// starting (lock taken, socket not yet listening), so this tries for a while.
void activateRunningInstance(const char* className) {
  const kr70::instance::InstanceMessage activate{kr70::instance::kActivate, ::getpid(), 0, {}};
  for (int attempt = 0; attempt < 30; ++attempt) {
    if (kr70::ui::InstanceChannel::sendTo(className, activate, 500)) return;
    QThread::msleep(100);
  }
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

  // One main instance and one viewer: a further start only brings the
  // running one to the front.
  namespace instance = kr70::instance;
  lmp::NamedLock instanceLock;
  const instance::Role role = instance::ClaimInstance(commandLine.viewer, instanceLock);
  if (role == instance::Role::ActivateMain || role == instance::Role::ActivateViewer) {
    activateRunningInstance(role == instance::Role::ActivateMain ? instance::kMainClass : instance::kViewClass);
    LmLangClose();
    return 0;
  }
  const bool viewer = role == instance::Role::Viewer;
  kr70::ui::InstanceChannel channel(viewer ? instance::kViewClass : instance::kMainClass);
  channel.listen();

  kr70::ui::installQtTranslations();
  kr70::ui::registerFontSubstitutes();
  application.setFont(kr70::ui::languageFont());

  kr70::ui::QtProfile profile;
  kr70::ui::MainWindow::Options options;
  options.startup = kr70::loadStartupSettings(profile, directory);
  options.parameterFile = commandLine.parameterFile;
  options.viewer = viewer;
  options.sendToInstances = [&channel](const char* className, const instance::InstanceMessage& message) {
    channel.send(className, message);
  };

  for (const char* name : instance::kRegisteredNames) {
    if (lmp::RegisterWindowMessage(name) == 0) {
      QMessageBox::critical(nullptr, kr70::ui::languageText(210), kr70::ui::languageText(2000));
      LmLangClose();
      return 1;
    }
  }
  // A library call that blocks while pumping messages keeps the window alive.
  // Only on the window's thread: the collection dialog records on a thread of
  // its own, which must not run the window's events.
  lmp::SetPumpHook([] {
    if (QThread::currentThread() == QCoreApplication::instance()->thread())
      QCoreApplication::processEvents(QEventLoop::AllEvents, 10);
  });
  StartFilterSystem();

  int status = 0;
  {
    kr70::ui::MainWindow window(profile, options);
    channel.setHandler([&window](const instance::InstanceMessage& message) { window.instanceMessage(message); });
    window.placeAtCreation();
    window.show();
    if (std::getenv("KR70_OPEN_FILES") || !commandLine.waveformFiles.isEmpty()) {
      // Files named at start-up load once the window is on the screen, so
      // that it shows its form and the progress of a long recording instead
      // of staying blank until the analysis ends.
      QElapsedTimer waited;
      waited.start();
      while (!(window.windowHandle() && window.windowHandle()->isExposed()) && waited.elapsed() < 2000)
        QCoreApplication::processEvents(QEventLoop::ExcludeUserInputEvents, 20);
      QCoreApplication::processEvents(QEventLoop::ExcludeUserInputEvents);
    }
    QTimer::singleShot(0, &window, [&window] { window.firstActivation(); });
    if (const char* enable = std::getenv("KR70_FFT_DISPLAY"); enable && std::string(enable) == "1")
      window.state().SetSpectraEnabled(true);
    if (const char* files = std::getenv("KR70_OPEN_FILES")) {
      for (const QString& path : QString::fromUtf8(files).split(':', Qt::SkipEmptyParts))
        window.state().LoadWaveform(path.toStdString());
    }
    for (const QString& path : commandLine.waveformFiles) window.state().LoadWaveform(path.toStdString());
    if (const char* parameters = std::getenv("KR70_OPEN_PARAMETERS"); parameters && *parameters)
      kr70::ApplyParameterFile(window.state(), parameters);
    if (const char* page = std::getenv("KR70_START_PAGE")) {
      const int index = std::atoi(page);
      window.form().viewCommand(index == 1 ? 32776 : index == 4 ? 32780 : 32775);
    }
    // Scripted starts: command ids, comma-separated, run in order once the
    // window is up (for example 1008 records at once).
    if (const char* commands = std::getenv("KR70_RUN_COMMANDS")) {
      const QStringList list = QString::fromUtf8(commands).split(',', Qt::SkipEmptyParts);
      QTimer::singleShot(500, &window, [&window, list] {
        for (const QString& command : list) window.runCommand(command.trimmed().toInt());
      });
    }
    status = application.exec();
    channel.setHandler({});
  }
  lmp::SetPumpHook({});
  StopFilterSystem();
  LmLangClose();
  return status;
}
