// The instance rules with real KR70 processes, and the copied-data records
// through the local socket. Every test has its own runtime folder (locks and
// sockets) and its own settings folder.
#include "InstanceChannel.h"
#include "Instances.h"
#include "LmPlatform.h"

#include <algorithm>
#include <QApplication>
#include <QElapsedTimer>
#include <QLocalSocket>
#include <QProcess>
#include <QThread>

#include <gtest/gtest.h>

#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <unistd.h>
#include <sys/wait.h>
#include <cmath>
#include <csignal>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <sstream>

namespace kr70::ui {
namespace {

namespace fs = std::filesystem;
using instance::InstanceMessage;

template <typename Condition>
bool waitFor(Condition condition, int milliseconds) {
  QElapsedTimer timer;
  timer.start();
  while (timer.elapsed() < milliseconds) {
    QCoreApplication::processEvents(QEventLoop::AllEvents, 20);
    if (condition()) return true;
    QThread::msleep(20);
  }
  return condition();
}

class InstanceTest : public ::testing::Test {
 protected:
  void SetUp() override {
    // Socket paths are short (108 bytes), so the folder sits in /tmp.
    char pattern[] = "/tmp/kr70-instance-XXXXXX";
    ASSERT_NE(::mkdtemp(pattern), nullptr);
    root = pattern;
    fs::create_directories(root / "runtime");
    fs::create_directories(root / "config");
    fs::permissions(root / "runtime", fs::perms::owner_all, fs::perm_options::replace);
    ::setenv("XDG_RUNTIME_DIR", (root / "runtime").c_str(), 1);
    ::setenv("XDG_CONFIG_HOME", (root / "config").c_str(), 1);
    ::setenv("KR70_CARD", "none", 1);
    ::setenv("KR70_ALSA_PCM", "kr70_no_such_pcm", 1);
  }
  void TearDown() override {
    for (auto& process : processes) {
      if (process->state() != QProcess::NotRunning) {
        process->kill();
        process->waitForFinished(5000);
      }
    }
    processes.clear();
    fs::remove_all(root);
  }
  QProcess& start(const QStringList& arguments) {
    processes.push_back(std::make_unique<QProcess>());
    QProcess& process = *processes.back();
    process.setProcessChannelMode(QProcess::ForwardedErrorChannel);
    process.start(QString(KR70_BIN_DIR) + "/KR70", arguments);
    EXPECT_TRUE(process.waitForStarted(5000));
    return process;
  }
  static bool finished(QProcess& process) { return process.state() == QProcess::NotRunning; }
  // A running instance of the class answers on its socket.
  static bool answers(const char* className) {
    return InstanceChannel::sendTo(className, {instance::kSyncEnd, 0, 0, {}}, 200);
  }
  static bool lockHeld(const char* name) {
    lmp::NamedLock probe;
    return probe.Create(name) == lmp::NamedLock::kAlreadyExists;
  }

  fs::path root;
  std::vector<std::unique_ptr<QProcess>> processes;
};

TEST_F(InstanceTest, ASecondStartOnlyActivatesTheRunningInstance) {
  // This process is the running main instance.
  lmp::NamedLock mainLock;
  ASSERT_EQ(instance::ClaimInstance(false, mainLock), instance::Role::Main);
  InstanceChannel channel(instance::kMainClass);
  ASSERT_TRUE(channel.listen());
  std::vector<InstanceMessage> received;
  channel.setHandler([&](const InstanceMessage& message) { received.push_back(message); });

  QProcess& second = start({});
  ASSERT_TRUE(waitFor([&] { return finished(second); }, 15000));
  EXPECT_EQ(second.exitStatus(), QProcess::NormalExit);
  EXPECT_EQ(second.exitCode(), 0);
  ASSERT_TRUE(waitFor([&] { return !received.empty(); }, 2000));
  EXPECT_EQ(received[0].name, instance::kActivate);

  // With a viewer running too, a start with "/v" activates the viewer.
  lmp::NamedLock viewerLock;
  ASSERT_EQ(instance::ClaimInstance(true, viewerLock), instance::Role::Viewer);
  InstanceChannel viewerChannel(instance::kViewClass);
  ASSERT_TRUE(viewerChannel.listen());
  std::vector<InstanceMessage> viewerReceived;
  viewerChannel.setHandler([&](const InstanceMessage& message) { viewerReceived.push_back(message); });
  QProcess& third = start({"/v", "params.ini"});
  ASSERT_TRUE(waitFor([&] { return finished(third); }, 15000));
  EXPECT_EQ(third.exitCode(), 0);
  ASSERT_TRUE(waitFor([&] { return !viewerReceived.empty(); }, 2000));
  EXPECT_EQ(viewerReceived[0].name, instance::kActivate);
  EXPECT_EQ(received.size(), 1u);
}

TEST_F(InstanceTest, ViewerFlagAloneStartsAMainInstanceWhichACrashDoesNotBlock) {
  QProcess& first = start({"-v"});
  ASSERT_TRUE(waitFor([] { return answers(instance::kMainClass); }, 20000));
  EXPECT_FALSE(finished(first));
  EXPECT_FALSE(lockHeld(instance::kViewClass));
  // Start-up wrote the default data directory back to the settings.
  const std::string expected = "DirDefaultPlus=" + fs::path(KR70_BIN_DIR).lexically_normal().string() + "/Data";
  std::string text;
  EXPECT_TRUE(waitFor(
      [&] {
        std::ifstream settings(root / "config" / "Ostrel" / "KR70.conf");
        std::stringstream content;
        content << settings.rdbuf();
        text = content.str();
        return text.find(expected) != std::string::npos;
      },
      5000))
      << text;

  ::kill(static_cast<pid_t>(first.processId()), SIGKILL);
  ASSERT_TRUE(first.waitForFinished(5000));
  EXPECT_FALSE(lockHeld(instance::kMainClass));  // the kernel dropped the lock at once
  EXPECT_TRUE(fs::exists(instance::SocketPath(instance::kMainClass)));  // the socket file is left behind

  QProcess& next = start({});
  ASSERT_TRUE(waitFor([] { return answers(instance::kMainClass); }, 20000));
  EXPECT_FALSE(finished(next));
  EXPECT_TRUE(lockHeld(instance::kMainClass));
}

TEST_F(InstanceTest, AViewerAsksTheMainInstanceAndReportsItsEnd) {
  // This process is the running main instance; a real KR70 becomes the viewer.
  lmp::NamedLock mainLock;
  ASSERT_EQ(instance::ClaimInstance(false, mainLock), instance::Role::Main);
  InstanceChannel channel(instance::kMainClass);
  ASSERT_TRUE(channel.listen());
  std::vector<InstanceMessage> received;
  channel.setHandler([&](const InstanceMessage& message) { received.push_back(message); });
  QProcess& viewer = start({"/v"});
  ASSERT_TRUE(waitFor([&] { return received.size() >= 3; }, 20000));
  EXPECT_EQ(received[0].name, instance::kPlaceFrame);  // the main window to the left half
  EXPECT_EQ(received[1].name, instance::kGetFileList);
  EXPECT_EQ(received[2].name, instance::kGetBoardInfo);
  EXPECT_TRUE(lockHeld(instance::kViewClass));

  // The main instance's answer, then its close request.
  EXPECT_TRUE(InstanceChannel::sendTo(instance::kViewClass,
                                      {instance::kCopyData, 1, -1, instance::BoardInfoRecord(2, 1)}));
  EXPECT_TRUE(InstanceChannel::sendTo(instance::kViewClass, {instance::kClose, 1, 0, {}}));
  ASSERT_TRUE(waitFor([&] { return finished(viewer); }, 15000));
  EXPECT_EQ(viewer.exitCode(), 0);
  ASSERT_TRUE(waitFor([&] { return received.size() >= 4; }, 2000));
  EXPECT_EQ(received.back().name, instance::kViewerEnded);
}

TEST_F(InstanceTest, TheMainInstanceSendsItsFileListAndBoardToTheViewer) {
  const fs::path wav = root / "tone.wav";
  {
    // 0.1 s of a 440 Hz tone, 8 kHz, 16-bit mono.
    std::ofstream out(wav, std::ios::binary);
    const uint32_t count = 800;
    auto u32 = [&](uint32_t v) { out.write(reinterpret_cast<const char*>(&v), 4); };
    auto u16 = [&](uint16_t v) { out.write(reinterpret_cast<const char*>(&v), 2); };
    out.write("RIFF", 4);
    u32(36 + 2 * count);
    out.write("WAVEfmt ", 8);
    u32(16), u16(1), u16(1), u32(8000), u32(16000), u16(2), u16(16);
    out.write("data", 4);
    u32(2 * count);
    for (uint32_t i = 0; i < count; ++i) u16(static_cast<uint16_t>(static_cast<int16_t>(9000 * std::sin(i * 0.3456))));
  }
  // A simulated A/D board: without a board the main instance would say so in
  // a box that nobody closes here.
  ::setenv("KR70_OPEN_FILES", wav.c_str(), 1);
  ::setenv("KR70_CARD", "sim", 1);
  QProcess& main = start({});
  ::unsetenv("KR70_OPEN_FILES");
  ASSERT_TRUE(waitFor([] { return answers(instance::kMainClass); }, 20000));

  // This process is the viewer.
  lmp::NamedLock viewerLock;
  ASSERT_EQ(instance::ClaimInstance(true, viewerLock), instance::Role::Viewer);
  InstanceChannel channel(instance::kViewClass);
  ASSERT_TRUE(channel.listen());
  std::vector<InstanceMessage> received;
  channel.setHandler([&](const InstanceMessage& message) { received.push_back(message); });
  // The file is loaded after the window is up: ask until it is in the list.
  ASSERT_TRUE(waitFor(
      [&] {
        InstanceChannel::sendTo(instance::kMainClass, {instance::kGetFileList, 1, 0, {}});
        return waitFor([&] { return !received.empty(); }, 300);
      },
      15000));
  EXPECT_TRUE(InstanceChannel::sendTo(instance::kMainClass, {instance::kGetBoardInfo, 1, 0, {}}));
  // A loaded machine may answer a repeated file-list request late, so the
  // board's answer is found by its number rather than by its place.
  const auto board = [&] {
    return std::find_if(received.begin(), received.end(), [](const InstanceMessage& m) { return m.dataNumber == -1; });
  };
  ASSERT_TRUE(waitFor([&] { return board() != received.end(); }, 3000));
  EXPECT_EQ(received[0].dataNumber, 0);
  EXPECT_EQ(received[0].data, instance::FileEntryRecord(wav.string()));
  EXPECT_EQ(board()->data, instance::BoardInfoRecord(2, 1));  // the A/D board, channel 1
  EXPECT_FALSE(finished(main));
}

class ChannelTest : public InstanceTest {
 protected:
  void SetUp() override {
    InstanceTest::SetUp();
    ASSERT_TRUE(channel.listen());
    channel.setHandler([this](const InstanceMessage& message) { received.push_back(message); });
  }
  void writeRaw(const QByteArray& bytes) {
    QLocalSocket socket;
    socket.connectToServer(QString::fromStdString(instance::SocketPath(instance::kViewClass)));
    ASSERT_TRUE(socket.waitForConnected(1000));
    socket.write(bytes);
    socket.waitForBytesWritten(1000);
    socket.disconnectFromServer();
  }
  InstanceChannel channel{instance::kViewClass};
  std::vector<InstanceMessage> received;
};

TEST_F(ChannelTest, RecordsArriveByteForByte) {
  const std::string path = "/home/operator/rec/run-001#01.wav";
  const InstanceMessage entry{instance::kCopyData, 4242, 3, instance::FileEntryRecord(path)};
  ASSERT_TRUE(InstanceChannel::sendTo(instance::kViewClass, entry));
  // The board information written by hand: the layout on the wire.
  QByteArray board("KR70", 4);
  const char rest[] = {
      18 + 11 + 8, 0, 0, 0,  // length of the rest
      11, 0,                 // name length
      'W', 'M', '_', 'C', 'O', 'P', 'Y', 'D', 'A', 'T', 'A',
      7, 0, 0, 0, 0, 0, 0, 0,                       // wParam
      char(0xFF), char(0xFF), char(0xFF), char(0xFF),  // data number -1
      8, 0, 0, 0,                                   // data length
      2, 0, 0, 0, 1, 0, 0, 0};                      // board kind 2, channel 1
  board.append(rest, sizeof rest);
  writeRaw(board);
  ASSERT_TRUE(waitFor([&] { return received.size() == 2; }, 3000));
  EXPECT_EQ(received[0], entry);
  ASSERT_EQ(received[0].data.size(), 261u);
  EXPECT_EQ(received[1], (InstanceMessage{instance::kCopyData, 7, -1, instance::BoardInfoRecord(2, 1)}));
  EXPECT_EQ(channel.refusedCount(), 0);
}

TEST_F(ChannelTest, MalformedMessagesAndOtherUsersAreRefused) {
  writeRaw(QByteArray("HELLO WORLD, NOT A MESSAGE"));
  std::vector<uint8_t> unknown = instance::EncodeMessage({instance::kCopyData, 0, 0, {}});
  unknown[10] = 'X';  // "XM_COPYDATA"
  writeRaw(QByteArray(reinterpret_cast<const char*>(unknown.data()), static_cast<int>(unknown.size())));
  QByteArray oversized("KR70\xff\xff\x00\x00", 8);
  oversized.append(QByteArray(70000, 'a'));
  writeRaw(oversized);
  ASSERT_TRUE(waitFor([&] { return channel.refusedCount() == 3; }, 3000));

  if (::getuid() == 0) {
    // A peer of another user, even when the file modes would let it in.
    ::chmod(root.c_str(), 0755);
    ::chmod((root / "runtime").c_str(), 0777);
    ::chmod(instance::SocketPath(instance::kViewClass).c_str(), 0777);
    const std::vector<uint8_t> bytes = instance::EncodeMessage({instance::kClose, 0, 0, {}});
    const std::string socketPath = instance::SocketPath(instance::kViewClass);
    const pid_t child = ::fork();
    if (child == 0) {
      // Plain system calls only: the child of a threaded process.
      if (::setuid(65534) != 0) ::_exit(2);
      const int fd = ::socket(AF_UNIX, SOCK_STREAM, 0);
      sockaddr_un address{};
      address.sun_family = AF_UNIX;
      std::snprintf(address.sun_path, sizeof address.sun_path, "%s", socketPath.c_str());
      if (::connect(fd, reinterpret_cast<sockaddr*>(&address), sizeof address) != 0) ::_exit(3);
      if (::write(fd, bytes.data(), bytes.size()) != static_cast<ssize_t>(bytes.size())) ::_exit(4);
      ::usleep(300000);
      ::_exit(0);
    }
    int status = 0;
    ::waitpid(child, &status, 0);
    EXPECT_EQ(WEXITSTATUS(status), 0);  // it got through the file modes
    EXPECT_TRUE(waitFor([&] { return channel.refusedCount() == 4; }, 3000));
  }
  waitFor([] { return false; }, 300);
  EXPECT_TRUE(received.empty());
}

}  // namespace
}  // namespace kr70::ui

int main(int argc, char** argv) {
  QApplication application(argc, argv);
  ::testing::InitGoogleTest(&argc, argv);
  return RUN_ALL_TESTS();
}
