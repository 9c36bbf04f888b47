#include "CardTestSupport.h"

#include <dirent.h>

#include <cstring>

MessageWindow::MessageWindow() {
  hwnd_ = lmp::CreateWindowHandle([this](lmp::HWND, lmp::UINT msg, lmp::WPARAM w, lmp::LPARAM l) {
    if (msg == kCardIoMessage) messages.push_back(CardMessage{uint32_t(w), l, lmp::GetTickCount()});
    return lmp::LRESULT(0);
  });
}

MessageWindow::~MessageWindow() { lmp::DestroyWindowHandle(hwnd_); }

bool MessageWindow::WaitFor(uint32_t wParam, lmp::DWORD timeoutMs) {
  lmp::DWORD start = lmp::GetTickCount();
  while (!Saw(wParam)) {
    lmp::DWORD elapsed = lmp::GetTickCount() - start;
    if (elapsed >= timeoutMs) return false;
    lmp::PumpMessage(timeoutMs - elapsed);
  }
  return true;
}

void MessageWindow::PumpFor(lmp::DWORD ms) {
  lmp::DWORD start = lmp::GetTickCount();
  for (lmp::DWORD elapsed = 0; elapsed < ms; elapsed = lmp::GetTickCount() - start) lmp::PumpMessage(ms - elapsed);
}

bool MessageWindow::Saw(uint32_t wParam) const { return Find(wParam) != nullptr; }

const CardMessage* MessageWindow::Find(uint32_t wParam) const {
  for (const CardMessage& m : messages)
    if (m.wParam == wParam) return &m;
  return nullptr;
}

void ResetCard() {
  AdStopIrqMode();
  AdFreeTrgBuf();
  AdFreeDataMem();
  AdSetTrigger(0, 0);
  lmp::cardhw::sim::ResetSettings();
  lmp::cardhw::sim::SetRegisterTimeout(lmp::cardhw::sim::RegisterTimeout::kNone);
  lmp::cardhw::sim::InjectOverrun(0xFFFFFFFFu);
  lmp::cardhw::sim::ClearLogs();
}

void SetUpCard(std::vector<uint16_t> channels, uint16_t periodUs) {
  ResetCard();
  AdSetParamAuto(nullptr, 3);
  AdSetChannel(uint16_t(channels.size()), channels.data());
  AdSetFreq(nullptr, periodUs, 2);
  lmp::cardhw::sim::ClearLogs();
}

std::vector<std::pair<uint16_t, uint16_t>> PortWrites() {
  std::vector<std::pair<uint16_t, uint16_t>> writes;
  for (const auto& access : lmp::cardhw::sim::PortLog())
    if (access.write) writes.emplace_back(access.port, access.value);
  return writes;
}

std::vector<std::vector<uint8_t>> RequestsOf(uint32_t code) {
  std::vector<std::vector<uint8_t>> records;
  for (const auto& request : lmp::cardhw::sim::RequestLog())
    if (request.code == code) records.push_back(request.in);
  return records;
}

int ThreadCount() {
  int count = 0;
  if (DIR* dir = opendir("/proc/self/task")) {
    while (dirent* entry = readdir(dir))
      if (entry->d_name[0] != '.') ++count;
    closedir(dir);
  }
  return count;
}

std::vector<uint16_t> ExpectedCodes(const std::vector<uint16_t>& channels, uint32_t samples, double periodUs) {
  std::vector<uint16_t> codes;
  for (uint32_t i = 0; i < samples; ++i)
    codes.push_back(lmp::cardhw::sim::ExpectedCode(channels[i % channels.size()], i / channels.size(), periodUs));
  return codes;
}
