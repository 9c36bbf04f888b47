#include "LmPlatform.h"

#include <chrono>
#include <condition_variable>
#include <mutex>
#include <thread>

namespace lmp {

struct Event::State {
  std::mutex mutex;
  std::condition_variable changed;
  bool signalled;
  bool manualReset;
};

Event::Event(bool manualReset, bool initialState) : state_(new State) {
  state_->signalled = initialState;
  state_->manualReset = manualReset;
}

Event::~Event() { delete state_; }

void Event::Set() {
  std::lock_guard<std::mutex> lock(state_->mutex);
  state_->signalled = true;
  if (state_->manualReset) state_->changed.notify_all();
  else state_->changed.notify_one();
}

void Event::Reset() {
  std::lock_guard<std::mutex> lock(state_->mutex);
  state_->signalled = false;
}

bool Event::Wait(DWORD timeoutMs) {
  std::unique_lock<std::mutex> lock(state_->mutex);
  auto ready = [this] { return state_->signalled; };
  if (timeoutMs == INFINITE) {
    state_->changed.wait(lock, ready);
  } else if (!state_->changed.wait_for(lock, std::chrono::milliseconds(timeoutMs), ready)) {
    return false;
  }
  if (!state_->manualReset) state_->signalled = false;
  return true;
}

void Sleep(DWORD milliseconds) {
  std::this_thread::sleep_for(std::chrono::milliseconds(milliseconds));
}

DWORD GetTickCount() {
  using namespace std::chrono;
  return static_cast<DWORD>(
      duration_cast<milliseconds>(steady_clock::now().time_since_epoch()).count());
}

}  // namespace lmp
