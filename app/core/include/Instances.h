// Instances — the one main instance and the one comparison viewer instance:
// which instance a start becomes, the messages the two exchange (the recent
// file list and the board information), the viewer's placement beside the
// main window, the close protocol and the comparison-viewer command.
//
// The instances find each other by the class names below. Each name is a
// named lock (held for the process's life) and the name of a user-only
// local socket on which that instance receives messages. Messages travel by
// name with a wParam, a data number and bytes (InstanceMessage); encoding and
// validation live here, the socket lives in the Qt program.
#ifndef KR70_APP_CORE_INSTANCES_H
#define KR70_APP_CORE_INSTANCES_H

#include <cstddef>
#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <vector>

namespace lmp {
class NamedLock;
}

namespace kr70 {

class AnalysisState;
class UiPort;
struct BoardState;

namespace instance {

inline constexpr const char* kMainClass = "QZ-KR70MainClassAndMutex";
inline constexpr const char* kViewClass = "QZ-KR70ViewClassAndMutex";

// Registered messages.
inline constexpr const char* kViewerEnded = "CANLZCMPDLGENDPLUS";
inline constexpr const char* kSaveBeforeClose = "SAVEBEFORECLOSEPLUS";
inline constexpr const char* kGetFileList = "GETCOMBOBOXLISTPLUS";
inline constexpr const char* kSendFileList = "SENDCOMBOBOXLISTPLUS";
inline constexpr const char* kGetBoardInfo = "GETBOARDINFOPLUS";
inline constexpr const char* kSendBoardInfo = "SENDBOARDINFOPLUS";
inline constexpr const char* kSyncGetWaveEnd = "SYNCGETWAVENDPLUS";
inline constexpr const char* kSyncEnd = "SYNCENDPLUS";
// Frame requests between instances.
inline constexpr const char* kCopyData = "WM_COPYDATA";
inline constexpr const char* kClose = "WM_CLOSE";
inline constexpr const char* kActivate = "KR70_ACTIVATE";    // bring the window to the front
inline constexpr const char* kPlaceFrame = "KR70_PLACEFRAME";  // data: x, y, width, height (int32 each)

// The registered messages in registration order.
inline constexpr const char* kRegisteredNames[] = {kViewerEnded,  kSaveBeforeClose, kGetFileList,    kSendFileList,
                                                   kGetBoardInfo, kSendBoardInfo,   kSyncGetWaveEnd, kSyncEnd};

// Copied-data records.
inline constexpr size_t kFileEntryBytes = 261;   // zero-filled path block
inline constexpr size_t kBoardInfoBytes = 8;     // board kind, channel (int32 each)
inline constexpr int32_t kBoardInfoNumber = -1;  // data number of the board information
inline constexpr size_t kMaxMessageData = 4096;
inline constexpr size_t kMaxNameLength = 64;

// Command ids of the comparison viewer and the buttons the viewer hides.
inline constexpr int32_t kCommandComparison = 32785, kCommandComparisonTool = 32786;
inline constexpr int32_t kButtonAcquire = 1008, kButtonAcquisitionSettings = 1007;
// Messages of the comparison-viewer command (own block of the language table).
inline constexpr int32_t kTextViewerParametersNotWritten = 3250;  // %s path
inline constexpr int32_t kTextViewerNotStarted = 3251;            // %s program

struct InstanceMessage {
  std::string name;
  int64_t wParam = 0;
  int32_t dataNumber = 0;
  std::vector<uint8_t> data;
  friend bool operator==(const InstanceMessage&, const InstanceMessage&) = default;
};

// Wire form: "KR70", uint32 length of the rest, uint16 name length, name,
// int64 wParam, int32 data number, uint32 data length, data (little endian).
std::vector<uint8_t> EncodeMessage(const InstanceMessage& message);
enum class DecodeResult { Complete, NeedMore, Malformed };
// Takes one message from the front of bytes. Malformed: bad magic or
// lengths, an oversized name or data, or a name no instance knows; the
// connection is then dropped.
DecodeResult DecodeMessage(const uint8_t* bytes, size_t size, InstanceMessage& out, size_t& consumed);
bool IsKnownMessageName(const std::string& name);

// Which instance a start becomes.
enum class Role {
  Main,            // this process is the main instance (holds the main lock)
  Viewer,          // this process is the comparison viewer (holds the viewer lock)
  ActivateMain,    // a main instance runs: bring it to the front and end
  ActivateViewer,  // a viewer runs: bring it to the front and end
};
// Takes the main lock; when it is held elsewhere, without the viewer flag
// the running main instance is to be activated, with it the viewer lock is
// taken, or the running viewer activated. A first start with the flag is a
// main instance. A lock that cannot be made at all (no runtime folder) lets
// the start go on unlocked rather than refuse to run.
Role ClaimInstance(bool viewerFlag, lmp::NamedLock& lock);
// Socket of the instance of a class: the lock folder + "/" + class + "-" + uid + ".sock".
std::string SocketPath(const char* className);

// Record builders and readers.
std::vector<uint8_t> FileEntryRecord(const std::string& path);  // empty when the path does not fit
std::vector<uint8_t> BoardInfoRecord(int32_t boardKind, int32_t channel);
std::vector<uint8_t> RectRecord(int32_t x, int32_t y, int32_t width, int32_t height);

struct Rect {
  int x = 0, y = 0, width = 0, height = 0;
  friend bool operator==(const Rect&, const Rect&) = default;
};
inline constexpr int kFrameWidth = 800, kFrameHeight = 600;
// The main frame: 800 × 600 centred on the desktop (smaller on a smaller desktop).
Rect MainFramePlacement(int desktopWidth, int desktopHeight);
// The viewer beside the main window: the viewer on the right half, the main
// window moved to the left half, both of the same size, vertically centred.
struct ViewerPlacement {
  Rect viewer;
  Rect main;
};
ViewerPlacement PlaceViewer(int desktopWidth, int desktopHeight);

// What the link needs of the window and of the transport.
struct LinkHooks {
  // Sends to every window of a class (this instance's own class included).
  std::function<void(const char* className, const InstanceMessage&)> send;
  std::function<void(const Rect&)> placeFrame;  // moves and sizes this frame
  std::function<Rect()> desktop;                // the desktop's rectangle
  std::function<void()> bringToFront;
  std::function<void()> closeFrame;             // closes this frame (close protocol runs)
  std::function<bool()> viewBusy;               // true while a recording runs
  std::function<bool(const std::string&)> isExistingFile;  // a file, not a folder
};

// The frame's side of the instance messages, for one process.
class InstanceLink {
 public:
  InstanceLink(bool viewer, AnalysisState& state, BoardState& board, UiPort& port, LinkHooks hooks);

  bool Viewer() const { return viewer_; }

  // Window creation: the viewer places itself and the main window; the main
  // instance centres itself.
  void PlaceAtCreation();
  // First activation of the view (once): the viewer hides 1008 and 1007 and
  // asks the main instance for its file list and board information; a main
  // instance without a board disables 1008 and asks the same.
  void OnFirstActivation();
  // A message that reached the frame. Returns false for a refused message.
  bool OnMessage(const InstanceMessage& message);
  // The frame is asked to close: true when it may close now.
  bool OnCloseRequest();
  // The close-allowed flag: set when the view handles a message.
  bool CloseAllowed() const { return closeAllowed_; }

  // Command 32785 / 32786. The parameter file "TMPPARA.TMP" is written into
  // programDirectory, or the user's XDG cache directory when that is not
  // writable.
  void StartComparisonViewer(const std::string& programDirectory, const std::string& executable);
  // Enables or disables 32785 and 32786 by the rule: not a viewer and no
  // viewer started by this instance.
  void UpdateComparisonCommand();
  // Called about once a second while a viewer started by this instance is
  // expected, with whether a viewer answers on its socket. A viewer that
  // answered once and then no longer does, or one that never answers within
  // kViewerStartTicks calls, has ended without saying so (it crashed): the
  // command is enabled again, as on its end message.
  void WatchViewer(bool viewerAnswers);
  static constexpr int kViewerStartTicks = 30;

 private:
  void SendFileList();
  void SendBoardInfo();
  bool OnCopyData(const InstanceMessage& message);
  void ViewHandles(const InstanceMessage& message);
  void ViewerEnded();

  bool viewer_;
  AnalysisState& state_;
  BoardState& board_;
  UiPort& port_;
  LinkHooks hooks_;
  bool activated_ = false;
  bool closeAllowed_ = false;
  bool viewerSeen_ = false;
  int watchTicks_ = 0;
};

}  // namespace instance
}  // namespace kr70

#endif
