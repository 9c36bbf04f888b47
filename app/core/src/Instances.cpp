#include "Instances.h"

#include <unistd.h>

#include <algorithm>
#include <cstring>

#include "Acquisition.h"
#include "AnalysisState.h"
#include "LmIni.h"
#include "LmPlatform.h"
#include "UiPort.h"

namespace kr70::instance {
namespace {

constexpr uint8_t kMagic[4] = {'K', 'R', '7', '0'};
// name length, wParam, data number, data length
constexpr size_t kFixedBytes = 2 + 8 + 4 + 4;

void PutLittle(std::vector<uint8_t>& out, uint64_t value, int bytes) {
  for (int i = 0; i < bytes; ++i) out.push_back(static_cast<uint8_t>(value >> (8 * i)));
}

uint64_t GetLittle(const uint8_t* in, int bytes) {
  uint64_t value = 0;
  for (int i = 0; i < bytes; ++i) value |= static_cast<uint64_t>(in[i]) << (8 * i);
  return value;
}

int32_t Int32At(const std::vector<uint8_t>& data, size_t offset) {
  return static_cast<int32_t>(static_cast<uint32_t>(GetLittle(data.data() + offset, 4)));
}

}  // namespace

bool IsKnownMessageName(const std::string& name) {
  for (const char* known : kRegisteredNames)
    if (name == known) return true;
  return name == kCopyData || name == kClose || name == kActivate || name == kPlaceFrame;
}

std::vector<uint8_t> EncodeMessage(const InstanceMessage& message) {
  std::vector<uint8_t> out(kMagic, kMagic + 4);
  PutLittle(out, kFixedBytes + message.name.size() + message.data.size(), 4);
  PutLittle(out, message.name.size(), 2);
  out.insert(out.end(), message.name.begin(), message.name.end());
  PutLittle(out, static_cast<uint64_t>(message.wParam), 8);
  PutLittle(out, static_cast<uint32_t>(message.dataNumber), 4);
  PutLittle(out, message.data.size(), 4);
  out.insert(out.end(), message.data.begin(), message.data.end());
  return out;
}

DecodeResult DecodeMessage(const uint8_t* bytes, size_t size, InstanceMessage& out, size_t& consumed) {
  consumed = 0;
  const size_t magicSeen = std::min<size_t>(size, 4);
  if (std::memcmp(bytes, kMagic, magicSeen) != 0) return DecodeResult::Malformed;
  if (size < 8) return DecodeResult::NeedMore;
  const uint64_t rest = GetLittle(bytes + 4, 4);
  if (rest < kFixedBytes || rest > kFixedBytes + kMaxNameLength + kMaxMessageData) return DecodeResult::Malformed;
  if (size < 8 + rest) return DecodeResult::NeedMore;
  const uint8_t* p = bytes + 8;
  const size_t nameLength = GetLittle(p, 2);
  if (nameLength == 0 || nameLength > kMaxNameLength || 2 + nameLength + 16 > rest) return DecodeResult::Malformed;
  InstanceMessage message;
  message.name.assign(reinterpret_cast<const char*>(p + 2), nameLength);
  p += 2 + nameLength;
  message.wParam = static_cast<int64_t>(GetLittle(p, 8));
  message.dataNumber = static_cast<int32_t>(static_cast<uint32_t>(GetLittle(p + 8, 4)));
  const size_t dataLength = GetLittle(p + 12, 4);
  if (kFixedBytes + nameLength + dataLength != rest || dataLength > kMaxMessageData) return DecodeResult::Malformed;
  if (!IsKnownMessageName(message.name)) return DecodeResult::Malformed;
  message.data.assign(p + 16, p + 16 + dataLength);
  out = std::move(message);
  consumed = 8 + rest;
  return DecodeResult::Complete;
}

Role ClaimInstance(bool viewerFlag, lmp::NamedLock& lock) {
  const lmp::NamedLock::Result main = lock.Create(kMainClass);
  if (main != lmp::NamedLock::kAlreadyExists) return Role::Main;
  if (!viewerFlag) return Role::ActivateMain;
  const lmp::NamedLock::Result viewer = lock.Create(kViewClass);
  return viewer == lmp::NamedLock::kAlreadyExists ? Role::ActivateViewer : Role::Viewer;
}

std::string SocketPath(const char* className) {
  const std::string lockFile = lmp::NamedLock::LockFilePath(className);
  const std::string folder = lockFile.substr(0, lockFile.rfind('/'));
  return folder + "/" + className + "-" + std::to_string(::getuid()) + ".sock";
}

std::vector<uint8_t> FileEntryRecord(const std::string& path) {
  // The block keeps a terminating zero.
  if (path.empty() || path.size() >= kFileEntryBytes) return {};
  std::vector<uint8_t> record(kFileEntryBytes, 0);
  std::memcpy(record.data(), path.data(), path.size());
  return record;
}

std::vector<uint8_t> BoardInfoRecord(int32_t boardKind, int32_t channel) {
  std::vector<uint8_t> record;
  PutLittle(record, static_cast<uint32_t>(boardKind), 4);
  PutLittle(record, static_cast<uint32_t>(channel), 4);
  return record;
}

std::vector<uint8_t> RectRecord(int32_t x, int32_t y, int32_t width, int32_t height) {
  std::vector<uint8_t> record;
  for (int32_t value : {x, y, width, height}) PutLittle(record, static_cast<uint32_t>(value), 4);
  return record;
}

Rect MainFramePlacement(int desktopWidth, int desktopHeight) {
  const int width = std::min(kFrameWidth, desktopWidth);
  const int height = std::min(kFrameHeight, desktopHeight);
  return {(desktopWidth - width) / 2, (desktopHeight - height) / 2, width, height};
}

ViewerPlacement PlaceViewer(int desktopWidth, int desktopHeight) {
  const bool wide = desktopWidth >= 2 * kFrameWidth;
  const int width = wide ? kFrameWidth : desktopWidth / 2;
  const bool high = desktopHeight >= kFrameHeight;
  const int height = high ? kFrameHeight : desktopHeight;
  const int top = high ? (desktopHeight - kFrameHeight) / 2 : 0;
  ViewerPlacement placement;
  placement.viewer = {desktopWidth / 2, top, width, height};
  placement.main = {wide ? desktopWidth / 2 - kFrameWidth : 0, top, width, height};
  return placement;
}

InstanceLink::InstanceLink(bool viewer, AnalysisState& state, BoardState& board, UiPort& port, LinkHooks hooks)
    : viewer_(viewer), state_(state), board_(board), port_(port), hooks_(std::move(hooks)) {}

void InstanceLink::PlaceAtCreation() {
  const Rect desktop = hooks_.desktop();
  if (!viewer_) {
    Rect frame = MainFramePlacement(desktop.width, desktop.height);
    hooks_.placeFrame({desktop.x + frame.x, desktop.y + frame.y, frame.width, frame.height});
    return;
  }
  const ViewerPlacement placement = PlaceViewer(desktop.width, desktop.height);
  hooks_.placeFrame({desktop.x + placement.viewer.x, desktop.y + placement.viewer.y, placement.viewer.width,
                     placement.viewer.height});
  const Rect& main = placement.main;
  hooks_.send(kMainClass, {kPlaceFrame, ::getpid(), 0,
                           RectRecord(desktop.x + main.x, desktop.y + main.y, main.width, main.height)});
}

void InstanceLink::OnFirstActivation() {
  if (activated_) return;
  activated_ = true;
  state_.Settings().firstActivationDone = 1;
  if (viewer_) {
    port_.ShowControl(kButtonAcquire, false);
    port_.ShowControl(kButtonAcquisitionSettings, false);
  } else if (board_.available == 0) {
    port_.EnableControl(kButtonAcquire, false);
  } else {
    return;
  }
  hooks_.send(kMainClass, {kGetFileList, ::getpid(), 0, {}});
  hooks_.send(kMainClass, {kGetBoardInfo, ::getpid(), 0, {}});
}

void InstanceLink::ViewHandles(const InstanceMessage&) {
  closeAllowed_ = !(hooks_.viewBusy && hooks_.viewBusy());
}

bool InstanceLink::OnMessage(const InstanceMessage& message) {
  const std::string& name = message.name;
  if (name == kActivate) {
    hooks_.bringToFront();
    return true;
  }
  if (name == kCopyData) return OnCopyData(message);
  if (viewer_) {
    // A viewer only takes data and the main instance's close request.
    if (name != kClose) return false;
    hooks_.closeFrame();
    return true;
  }
  if (name == kGetFileList) {
    ViewHandles(message);
    SendFileList();
    return true;
  }
  if (name == kGetBoardInfo) {
    ViewHandles(message);
    SendBoardInfo();
    return true;
  }
  if (name == kViewerEnded) {
    ViewerEnded();
    return true;
  }
  if (name == kPlaceFrame) {
    if (message.data.size() != 16) return false;
    const Rect frame{Int32At(message.data, 0), Int32At(message.data, 4), Int32At(message.data, 8),
                     Int32At(message.data, 12)};
    if (frame.width <= 0 || frame.height <= 0 || frame.width > kFrameWidth || frame.height > kFrameHeight)
      return false;
    hooks_.placeFrame(frame);
    return true;
  }
  return false;
}

void InstanceLink::ViewerEnded() {
  state_.Settings().comparisonViewerStarted = 0;
  viewerSeen_ = false;
  watchTicks_ = 0;
  UpdateComparisonCommand();
  const Rect desktop = hooks_.desktop();
  const Rect frame = MainFramePlacement(desktop.width, desktop.height);
  hooks_.placeFrame({desktop.x + frame.x, desktop.y + frame.y, frame.width, frame.height});
}

void InstanceLink::WatchViewer(bool viewerAnswers) {
  if (viewer_ || state_.Settings().comparisonViewerStarted == 0) return;
  ++watchTicks_;
  if (viewerAnswers) {
    viewerSeen_ = true;
    return;
  }
  if (viewerSeen_ || watchTicks_ >= kViewerStartTicks) ViewerEnded();
}

bool InstanceLink::OnCopyData(const InstanceMessage& message) {
  if (message.dataNumber == kBoardInfoNumber) {
    if (message.data.size() != kBoardInfoBytes) return false;
    const int32_t kind = Int32At(message.data, 0);
    const int32_t channel = Int32At(message.data, 4);
    if (kind < 0 || kind > 2 || channel < 1 || channel > 4) return false;
    board_.kind = kind;
    state_.SetBoardKind(kind);
    state_.Settings().channel = channel;
    return true;
  }
  // A file entry: one slot of the main instance's recent-file list.
  if (!viewer_ || message.dataNumber < 0 || message.dataNumber >= RecentFileList::kSlots ||
      message.data.size() != kFileEntryBytes)
    return false;
  const auto end = std::find(message.data.begin(), message.data.end(), uint8_t{0});
  if (end == message.data.end() || end == message.data.begin()) return false;
  const std::string path(message.data.begin(), end);
  if (!hooks_.isExistingFile(path)) return false;
  // Entry 0 starts a new list: the combo box is emptied first.
  if (message.dataNumber == 0) state_.RecentFiles().Clear();
  state_.RecentFiles().Add(path);
  state_.RebuildFileCombo(state_.Settings().currentFile);
  return true;
}

void InstanceLink::SendFileList() {
  const RecentFileList& files = state_.RecentFiles();
  for (int32_t slot = 0; slot < RecentFileList::kSlots; ++slot) {
    std::string path;
    if (files.Get(slot, path) != 1) continue;
    std::vector<uint8_t> record = FileEntryRecord(path);
    if (record.empty()) continue;
    hooks_.send(kViewClass, {kCopyData, ::getpid(), slot, std::move(record)});
  }
}

void InstanceLink::SendBoardInfo() {
  hooks_.send(kViewClass, {kCopyData, ::getpid(), kBoardInfoNumber,
                           BoardInfoRecord(board_.kind, state_.Settings().channel)});
}

bool InstanceLink::OnCloseRequest() {
  if (viewer_) {
    hooks_.send(kMainClass, {kViewerEnded, ::getpid(), 0, {}});
    return true;
  }
  hooks_.send(kViewClass, {kClose, ::getpid(), 0, {}});
  ViewHandles({kSaveBeforeClose, 0, 0, {}});
  return closeAllowed_;
}

void InstanceLink::UpdateComparisonCommand() {
  const bool enabled = !viewer_ && state_.Settings().comparisonViewerStarted == 0;
  port_.EnableMenuItem(kCommandComparison, enabled);
  port_.EnableMenuItem(kCommandComparisonTool, enabled);
}

void InstanceLink::StartComparisonViewer(const std::string& programDirectory, const std::string& executable) {
  if (viewer_ || state_.Settings().comparisonViewerStarted != 0) return;
  std::string directory = programDirectory;
  while (directory.size() > 1 && directory.back() == '/') directory.pop_back();
  // An installed program puts the file among the user's temporary files.
  directory = lmp::WritableOrUserDirectory(directory, lmp::UserDirectory::Cache);
  const std::string parameterFile = directory + "/TMPPARA.TMP";
  LmIniRecord record{};
  state_.FillParameterRecord(record);
  // A viewer started without its parameter file would show other settings.
  if (LmIniWrite(parameterFile.c_str(), &record) != LMINI_OK) {
    port_.ShowWarning(kTextViewerParametersNotWritten, kCaptionMainView, parameterFile);
    return;
  }
  if (!port_.StartProcess(executable, {"/v", parameterFile})) {
    port_.ShowWarning(kTextViewerNotStarted, kCaptionMainView, executable);
    return;
  }
  state_.Settings().comparisonViewerStarted = 1;
  viewerSeen_ = false;
  watchTicks_ = 0;
  UpdateComparisonCommand();
}

}  // namespace kr70::instance
