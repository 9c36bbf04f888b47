// The main and viewer instances: roles, the message wire form, the copied-data
// records, placement, the close protocol and the comparison-viewer command.
#include <unistd.h>

#include <cerrno>
#include <filesystem>

#include <gtest/gtest.h>

#include "Acquisition.h"
#include "AnalysisState.h"
#include "FakeUiPort.h"
#include "Instances.h"
#include "LmOsSeam.h"
#include "LmPlatform.h"
#include "Profile.h"
#include "TestFiles.h"

namespace kr70::instance {
namespace {

using test::FakeUiPort;

TEST(InstanceRoles, OneMainAndOneViewer) {
  lmp::NamedLock main, second, viewer, thirdViewer;
  EXPECT_EQ(ClaimInstance(true, main), Role::Main);  // a first start with the flag is the main instance
  EXPECT_EQ(ClaimInstance(false, second), Role::ActivateMain);
  EXPECT_EQ(ClaimInstance(true, viewer), Role::Viewer);
  EXPECT_EQ(ClaimInstance(true, thirdViewer), Role::ActivateViewer);
  EXPECT_FALSE(second.Held());
  EXPECT_FALSE(thirdViewer.Held());
}

TEST(InstanceWire, RoundTripAndFraming) {
  const InstanceMessage board{kCopyData, 77, kBoardInfoNumber, BoardInfoRecord(2, 3)};
  const std::vector<uint8_t> bytes = EncodeMessage(board);
  ASSERT_EQ(bytes.size(), 8 + 18 + std::string(kCopyData).size() + 8);
  EXPECT_EQ(std::vector<uint8_t>(bytes.end() - 8, bytes.end()),
            (std::vector<uint8_t>{2, 0, 0, 0, 3, 0, 0, 0}));
  InstanceMessage out;
  size_t used = 0;
  EXPECT_EQ(DecodeMessage(bytes.data(), bytes.size() - 1, out, used), DecodeResult::NeedMore);
  ASSERT_EQ(DecodeMessage(bytes.data(), bytes.size(), out, used), DecodeResult::Complete);
  EXPECT_EQ(used, bytes.size());
  EXPECT_EQ(out, board);

  std::vector<uint8_t> unknown = EncodeMessage({"WM_DESTROY", 0, 0, {}});
  EXPECT_EQ(DecodeMessage(unknown.data(), unknown.size(), out, used), DecodeResult::Malformed);
  std::vector<uint8_t> oversized = EncodeMessage({kCopyData, 0, 0, std::vector<uint8_t>(kMaxMessageData + 1)});
  EXPECT_EQ(DecodeMessage(oversized.data(), oversized.size(), out, used), DecodeResult::Malformed);
  std::vector<uint8_t> badMagic = bytes;
  badMagic[0] = 'X';
  EXPECT_EQ(DecodeMessage(badMagic.data(), 2, out, used), DecodeResult::Malformed);
}

TEST(InstancePlacement, SideBySideAndCentred) {
  const ViewerPlacement small = PlaceViewer(1280, 1024);
  EXPECT_EQ(small.viewer, (Rect{640, 212, 640, 600}));
  EXPECT_EQ(small.main, (Rect{0, 212, 640, 600}));
  const ViewerPlacement wide = PlaceViewer(1920, 1080);
  EXPECT_EQ(wide.viewer, (Rect{960, 240, 800, 600}));
  EXPECT_EQ(wide.main, (Rect{160, 240, 800, 600}));
  const ViewerPlacement low = PlaceViewer(1024, 500);
  EXPECT_EQ(low.viewer, (Rect{512, 0, 512, 500}));
  EXPECT_EQ(MainFramePlacement(1280, 1024), (Rect{240, 212, 800, 600}));
  EXPECT_EQ(MainFramePlacement(640, 480), (Rect{0, 0, 640, 480}));
}

class StartingPort : public FakeUiPort {
 public:
  bool StartProcess(const std::string& executable, const std::vector<std::string>& arguments) override {
    started.push_back(executable);
    started.insert(started.end(), arguments.begin(), arguments.end());
    return startSucceeds;
  }
  std::vector<std::string> started;
  bool startSucceeds = true;
};

struct Sent {
  std::string className;
  InstanceMessage message;
};

class InstanceLinkTest : public ::testing::Test {
 protected:
  std::unique_ptr<InstanceLink> Make(bool viewer) {
    LinkHooks hooks;
    hooks.send = [this](const char* className, const InstanceMessage& m) { sent.push_back({className, m}); };
    hooks.placeFrame = [this](const Rect& r) { placed.push_back(r); };
    hooks.desktop = [] { return Rect{0, 0, 1280, 1024}; };
    hooks.bringToFront = [this] { ++fronted; };
    hooks.closeFrame = [this] { ++closed; };
    hooks.viewBusy = [this] { return busy; };
    hooks.isExistingFile = [](const std::string& path) { return std::filesystem::is_regular_file(path); };
    return std::make_unique<InstanceLink>(viewer, state, board, port, hooks);
  }
  std::string File(const std::string& name) {
    const std::string path = dir.File(name);
    test::WriteBytes(path, {1, 2, 3});
    return path;
  }

  test::ScratchDirectory dir;
  StartingPort port;
  AnalysisState state{port};
  BoardState board;
  std::vector<Sent> sent;
  std::vector<Rect> placed;
  int fronted = 0, closed = 0;
  bool busy = false;
};

TEST_F(InstanceLinkTest, MainSendsEveryFilledSlotAndTheBoardToTheViewer) {
  auto link = Make(false);
  state.RecentFiles().Add("/data/a.wav");
  state.RecentFiles().Add("/data/b.wav");
  board.kind = 2;
  state.Settings().channel = 3;
  EXPECT_TRUE(link->OnMessage({kGetFileList, 1, 0, {}}));
  EXPECT_TRUE(link->OnMessage({kGetBoardInfo, 1, 0, {}}));
  ASSERT_EQ(sent.size(), 3u);
  for (int slot = 0; slot < 2; ++slot) {
    EXPECT_EQ(sent[slot].className, kViewClass);
    EXPECT_EQ(sent[slot].message.name, kCopyData);
    EXPECT_EQ(sent[slot].message.dataNumber, slot);
    ASSERT_EQ(sent[slot].message.data.size(), 261u);
    EXPECT_EQ(sent[slot].message.data[11], 0);  // zero-filled after the path
  }
  EXPECT_EQ(std::string(reinterpret_cast<const char*>(sent[1].message.data.data())), "/data/b.wav");
  EXPECT_EQ(sent[2].message.dataNumber, -1);
  EXPECT_EQ(sent[2].message.data, BoardInfoRecord(2, 3));
  // A main instance does not take file entries.
  EXPECT_FALSE(link->OnMessage({kCopyData, 1, 0, FileEntryRecord(File("x.wav"))}));
}

TEST_F(InstanceLinkTest, ViewerTakesTheListAndTheBoardAndRefusesMalformedRecords) {
  auto link = Make(true);
  state.RecentFiles().Add(File("own.wav"));
  const std::string first = File("first.wav"), second = File("second.wav");
  EXPECT_TRUE(link->OnMessage({kCopyData, 1, 0, FileEntryRecord(first)}));  // entry 0 empties the list
  EXPECT_TRUE(link->OnMessage({kCopyData, 1, 1, FileEntryRecord(second)}));
  EXPECT_FALSE(link->OnMessage({kCopyData, 1, 2, FileEntryRecord(dir.File("missing.wav"))}));
  EXPECT_FALSE(link->OnMessage({kCopyData, 1, 2, FileEntryRecord(dir.Path().string())}));  // a folder
  std::vector<uint8_t> unterminated(kFileEntryBytes, 'a');
  EXPECT_FALSE(link->OnMessage({kCopyData, 1, 3, unterminated}));
  std::vector<uint8_t> shortEntry = FileEntryRecord(first);
  shortEntry.resize(100);
  EXPECT_FALSE(link->OnMessage({kCopyData, 1, 3, shortEntry}));
  EXPECT_FALSE(link->OnMessage({kCopyData, 1, 32, FileEntryRecord(first)}));
  EXPECT_EQ(port.comboEntries[1094], (std::vector<std::string>{first, second}));

  EXPECT_FALSE(link->OnMessage({kCopyData, 1, -1, std::vector<uint8_t>(7)}));
  EXPECT_FALSE(link->OnMessage({kCopyData, 1, -1, BoardInfoRecord(3, 1)}));
  EXPECT_EQ(board.kind, 0);
  EXPECT_TRUE(link->OnMessage({kCopyData, 1, -1, BoardInfoRecord(1, 2)}));
  EXPECT_EQ(board.kind, 1);
  EXPECT_EQ(state.BoardKind(), 1);
  EXPECT_EQ(state.Settings().channel, 2);
  // A viewer does not answer list requests nor move itself on request.
  EXPECT_FALSE(link->OnMessage({kGetFileList, 1, 0, {}}));
  EXPECT_FALSE(link->OnMessage({kPlaceFrame, 1, 0, RectRecord(0, 0, 640, 600)}));
  EXPECT_TRUE(sent.empty());
}

TEST_F(InstanceLinkTest, FirstActivationOfTheViewerHidesAcquisitionAndAsksTheMain) {
  auto link = Make(true);
  link->PlaceAtCreation();
  link->OnFirstActivation();
  link->OnFirstActivation();
  EXPECT_EQ(placed, (std::vector<Rect>{{640, 212, 640, 600}}));
  ASSERT_EQ(sent.size(), 3u);
  EXPECT_EQ(sent[0].message.name, kPlaceFrame);
  EXPECT_EQ(sent[0].message.data, RectRecord(0, 212, 640, 600));
  EXPECT_EQ(sent[1].message.name, kGetFileList);
  EXPECT_EQ(sent[2].message.name, kGetBoardInfo);
  for (const Sent& s : sent) EXPECT_EQ(s.className, kMainClass);
}

TEST_F(InstanceLinkTest, MainWithABoardAsksNothingAtFirstActivation) {
  auto link = Make(false);
  link->OnFirstActivation();
  EXPECT_TRUE(sent.empty());
  board.available = 0;
  auto noBoard = Make(false);
  noBoard->OnFirstActivation();
  EXPECT_FALSE(port.enabledControls[1008]);
  EXPECT_EQ(sent.size(), 2u);
}

TEST_F(InstanceLinkTest, CloseProtocol) {
  auto main = Make(false);
  busy = true;  // a recording runs: the frame stays
  EXPECT_FALSE(main->OnCloseRequest());
  busy = false;
  EXPECT_TRUE(main->OnCloseRequest());
  ASSERT_EQ(sent.size(), 2u);
  EXPECT_EQ(sent[0].className, kViewClass);
  EXPECT_EQ(sent[0].message.name, kClose);

  auto viewer = Make(true);
  EXPECT_TRUE(viewer->OnMessage({kClose, 1, 0, {}}));
  EXPECT_EQ(closed, 1);
  EXPECT_TRUE(viewer->OnCloseRequest());
  EXPECT_EQ(sent.back().className, kMainClass);
  EXPECT_EQ(sent.back().message.name, kViewerEnded);
}

TEST_F(InstanceLinkTest, ComparisonCommandStaysDisabledUntilTheViewerEnds) {
  auto link = Make(false);
  state.Settings().samplingPitch = 3;
  link->StartComparisonViewer(dir.Path().string() + "/", "/opt/kr70/KR70");
  const std::string parameters = dir.File("TMPPARA.TMP");
  EXPECT_EQ(port.started, (std::vector<std::string>{"/opt/kr70/KR70", "/v", parameters}));
  LmIniRecord record{};
  ASSERT_EQ(LmIniRead(parameters.c_str(), &record), LMINI_OK);
  EXPECT_EQ(record.lSmpPitch, 3);
  EXPECT_FALSE(port.enabledMenuItems[32785]);
  EXPECT_FALSE(port.enabledMenuItems[32786]);
  link->StartComparisonViewer(dir.Path().string(), "/opt/kr70/KR70");
  EXPECT_EQ(port.started.size(), 3u);

  EXPECT_TRUE(link->OnMessage({kViewerEnded, 1, 0, {}}));
  EXPECT_TRUE(port.enabledMenuItems[32785]);
  EXPECT_TRUE(port.enabledMenuItems[32786]);
  EXPECT_EQ(placed.back(), (Rect{240, 212, 800, 600}));
}

// An installed program (its directory not writable) keeps the default data
// directory and the viewer's parameter file in the user's XDG directories.
// Root may write anywhere, so the refusal comes through the OS seam.
TEST_F(InstanceLinkTest, ReadOnlyProgramDirectoryUsesTheUsersXdgDirectories) {
  const std::string program = dir.File("program");
  std::filesystem::create_directories(program);
  ::setenv("XDG_DATA_HOME", dir.File("data").c_str(), 1);
  ::setenv("XDG_CACHE_HOME", dir.File("cache").c_str(), 1);
  static std::string readOnly;
  readOnly = program;
  lmp::OsCallsOverride os;
  os->access = [](const char* path, int mode) {
    if (readOnly == path) {
      errno = EROFS;
      return -1;
    }
    return ::access(path, mode);
  };
  MemoryProfile profile;
  EXPECT_EQ(loadStartupSettings(profile, program + "/").defaultDirectory, dir.File("data") + "/Ostrel/KR70/Data");
  auto link = Make(false);
  link->StartComparisonViewer(program, "/opt/kr70/KR70");
  const std::string parameters = dir.File("cache") + "/Ostrel/KR70/TMPPARA.TMP";
  EXPECT_EQ(port.started, (std::vector<std::string>{"/opt/kr70/KR70", "/v", parameters}));
  EXPECT_TRUE(std::filesystem::is_regular_file(parameters));
  // A writable program directory keeps them.
  readOnly.clear();
  MemoryProfile fresh;
  EXPECT_EQ(loadStartupSettings(fresh, program).defaultDirectory, program + "/Data");
  ::unsetenv("XDG_DATA_HOME");
  ::unsetenv("XDG_CACHE_HOME");
}

TEST_F(InstanceLinkTest, ACrashedViewerEnablesTheCommandAgain) {
  auto link = Make(false);
  link->StartComparisonViewer(dir.Path().string(), "/opt/kr70/KR70");
  link->WatchViewer(false);  // still starting
  link->WatchViewer(true);
  link->WatchViewer(true);
  EXPECT_FALSE(port.enabledMenuItems[32785]);
  link->WatchViewer(false);  // gone without its end message
  EXPECT_TRUE(port.enabledMenuItems[32785]);
  // A viewer that never answers is given up after the start ticks.
  link->StartComparisonViewer(dir.Path().string(), "/opt/kr70/KR70");
  for (int tick = 1; tick < InstanceLink::kViewerStartTicks; ++tick) link->WatchViewer(false);
  EXPECT_FALSE(port.enabledMenuItems[32785]);
  link->WatchViewer(false);
  EXPECT_TRUE(port.enabledMenuItems[32785]);
}

TEST_F(InstanceLinkTest, AViewerThatCannotStartLeavesTheCommandEnabled) {
  auto link = Make(false);
  port.startSucceeds = false;
  link->StartComparisonViewer(dir.Path().string(), "/opt/kr70/KR70");
  EXPECT_EQ(port.MessageIds(), (std::vector<int32_t>{kTextViewerNotStarted}));
  EXPECT_EQ(state.Settings().comparisonViewerStarted, 0);
  port.startSucceeds = true;
  link->StartComparisonViewer(dir.File("no/such/folder"), "/opt/kr70/KR70");
  EXPECT_EQ(port.MessageIds().back(), kTextViewerParametersNotWritten);
  EXPECT_EQ(state.Settings().comparisonViewerStarted, 0);
}

}  // namespace
}  // namespace kr70::instance
