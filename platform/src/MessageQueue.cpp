// Window handles, per-thread message queues and registered message ids.
//
// Locking: the registry mutex guards the handle table; each thread queue has
// its own mutex. The registry mutex is never held while a queue mutex is
// taken for long, and no lock is held while a window procedure or a hook runs.
#include "LmPlatform.h"

#include <chrono>
#include <condition_variable>
#include <deque>
#include <map>
#include <memory>
#include <mutex>
#include <thread>
#include <unordered_map>

namespace lmp {
namespace {

struct ThreadQueue;

// A message handed over by SendMessage from another thread. The sender waits
// on its own queue for `done`, handling messages sent to it meanwhile.
struct SentMessage {
  MSG msg;
  LRESULT result = 0;
  bool done = false;  // guarded by the sender queue's mutex
  std::shared_ptr<ThreadQueue> sender;
};

struct ThreadQueue {
  std::mutex mutex;
  std::condition_variable wake;
  std::deque<MSG> posted;
  std::deque<std::shared_ptr<SentMessage>> sent;
  std::function<void()> wakeHook;
  bool closed = false;
  std::thread::id owner;
};

struct WindowRecord {
  std::thread::id owner;
  std::weak_ptr<ThreadQueue> queue;
  std::shared_ptr<WindowProc> proc;
};

struct Registry {
  std::mutex mutex;
  std::unordered_map<uintptr_t, WindowRecord> windows;
  uintptr_t nextId = 1;
  std::function<void()> pumpHook;
  std::map<std::string, UINT> registered;
  UINT nextRegistered = kRegisteredMessageFirst;
};

Registry& Reg() {
  static Registry* registry = new Registry;  // never destroyed: used by exiting threads
  return *registry;
}

uintptr_t IdOf(HWND hwnd) { return reinterpret_cast<uintptr_t>(hwnd); }

void CompleteSent(const std::shared_ptr<SentMessage>& sent, LRESULT result) {
  std::lock_guard<std::mutex> lock(sent->sender->mutex);
  sent->result = result;
  sent->done = true;
  sent->sender->wake.notify_all();
}

// Owns the calling thread's queue; on thread exit its windows go away and
// every sender still waiting on it is released with 0.
struct QueueHolder {
  std::shared_ptr<ThreadQueue> queue = std::make_shared<ThreadQueue>();
  QueueHolder() { queue->owner = std::this_thread::get_id(); }
  ~QueueHolder() {
    {
      Registry& reg = Reg();
      std::lock_guard<std::mutex> lock(reg.mutex);
      for (auto it = reg.windows.begin(); it != reg.windows.end();) {
        if (it->second.queue.lock() == queue) it = reg.windows.erase(it);
        else ++it;
      }
    }
    std::deque<std::shared_ptr<SentMessage>> pending;
    {
      std::lock_guard<std::mutex> lock(queue->mutex);
      queue->closed = true;
      pending.swap(queue->sent);
      queue->posted.clear();
    }
    for (auto& sent : pending) CompleteSent(sent, 0);
  }
};

// The calling thread's queue, shared with its handles and with senders.
std::shared_ptr<ThreadQueue> ThisQueue() {
  thread_local QueueHolder holder;
  return holder.queue;
}

std::shared_ptr<WindowProc> ProcOf(HWND hwnd) {
  Registry& reg = Reg();
  std::lock_guard<std::mutex> lock(reg.mutex);
  auto it = reg.windows.find(IdOf(hwnd));
  if (it == reg.windows.end()) return nullptr;
  return it->second.proc;
}

LRESULT CallProc(const MSG& msg) {
  std::shared_ptr<WindowProc> proc = ProcOf(msg.hwnd);
  if (!proc || !*proc) return 0;
  return (*proc)(msg.hwnd, msg.message, msg.wParam, msg.lParam);
}

// Handles every message other threads have sent to this thread. Called with
// the queue unlocked.
void HandleSentMessages(ThreadQueue& queue) {
  for (;;) {
    std::shared_ptr<SentMessage> sent;
    {
      std::lock_guard<std::mutex> lock(queue.mutex);
      if (queue.sent.empty()) return;
      sent = queue.sent.front();
      queue.sent.pop_front();
    }
    CompleteSent(sent, CallProc(sent->msg));
  }
}

bool TakePosted(ThreadQueue& queue, MSG* out, HWND filter, bool remove) {
  for (auto it = queue.posted.begin(); it != queue.posted.end(); ++it) {
    if (filter == nullptr || it->hwnd == filter) {
      if (out) *out = *it;
      if (remove) queue.posted.erase(it);
      return true;
    }
  }
  return false;
}

void RunWakeHook(const std::shared_ptr<ThreadQueue>& queue) {
  std::function<void()> hook;
  {
    std::lock_guard<std::mutex> lock(queue->mutex);
    hook = queue->wakeHook;
  }
  if (hook) hook();
}

}  // namespace

HWND CreateWindowHandle(WindowProc proc) {
  std::shared_ptr<ThreadQueue> queue = ThisQueue();
  Registry& reg = Reg();
  std::lock_guard<std::mutex> lock(reg.mutex);
  uintptr_t id = reg.nextId++;
  reg.windows[id] = WindowRecord{std::this_thread::get_id(), queue,
                                 std::make_shared<WindowProc>(std::move(proc))};
  return reinterpret_cast<HWND>(id);
}

bool DestroyWindowHandle(HWND hwnd) {
  std::shared_ptr<ThreadQueue> queue;
  {
    Registry& reg = Reg();
    std::lock_guard<std::mutex> lock(reg.mutex);
    auto it = reg.windows.find(IdOf(hwnd));
    if (it == reg.windows.end() || it->second.owner != std::this_thread::get_id()) return false;
    queue = it->second.queue.lock();
    reg.windows.erase(it);
  }
  if (!queue) return true;
  std::deque<std::shared_ptr<SentMessage>> orphans;
  {
    std::lock_guard<std::mutex> lock(queue->mutex);
    std::erase_if(queue->posted, [hwnd](const MSG& m) { return m.hwnd == hwnd; });
    for (auto it = queue->sent.begin(); it != queue->sent.end();) {
      if ((*it)->msg.hwnd == hwnd) {
        orphans.push_back(*it);
        it = queue->sent.erase(it);
      } else {
        ++it;
      }
    }
  }
  for (auto& sent : orphans) CompleteSent(sent, 0);
  return true;
}

bool IsWindow(HWND hwnd) {
  Registry& reg = Reg();
  std::lock_guard<std::mutex> lock(reg.mutex);
  return reg.windows.count(IdOf(hwnd)) != 0;
}

bool SetWindowProc(HWND hwnd, WindowProc proc) {
  Registry& reg = Reg();
  std::lock_guard<std::mutex> lock(reg.mutex);
  auto it = reg.windows.find(IdOf(hwnd));
  if (it == reg.windows.end() || it->second.owner != std::this_thread::get_id()) return false;
  it->second.proc = std::make_shared<WindowProc>(std::move(proc));
  return true;
}

namespace {

std::shared_ptr<ThreadQueue> QueueOf(HWND hwnd, std::thread::id* owner) {
  Registry& reg = Reg();
  std::lock_guard<std::mutex> lock(reg.mutex);
  auto it = reg.windows.find(IdOf(hwnd));
  if (it == reg.windows.end()) return nullptr;
  if (owner) *owner = it->second.owner;
  return it->second.queue.lock();
}

}  // namespace

bool PostMessage(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam) {
  std::shared_ptr<ThreadQueue> queue = QueueOf(hwnd, nullptr);
  if (!queue) return false;
  {
    std::lock_guard<std::mutex> lock(queue->mutex);
    if (queue->closed) return false;
    queue->posted.push_back(MSG{hwnd, msg, wParam, lParam});
    queue->wake.notify_all();
  }
  RunWakeHook(queue);
  return true;
}

LRESULT SendMessage(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam) {
  std::thread::id owner;
  std::shared_ptr<ThreadQueue> target = QueueOf(hwnd, &owner);
  if (!target) return 0;
  if (owner == std::this_thread::get_id()) return CallProc(MSG{hwnd, msg, wParam, lParam});

  auto sent = std::make_shared<SentMessage>();
  sent->msg = MSG{hwnd, msg, wParam, lParam};
  sent->sender = ThisQueue();
  {
    std::lock_guard<std::mutex> lock(target->mutex);
    if (target->closed) return 0;
    target->sent.push_back(sent);
    target->wake.notify_all();
  }
  RunWakeHook(target);
  ThreadQueue& self = *sent->sender;
  std::unique_lock<std::mutex> lock(self.mutex);
  while (!sent->done) {
    if (!self.sent.empty()) {
      // Another thread sends to us while we wait: handle it, or both block.
      lock.unlock();
      HandleSentMessages(self);
      lock.lock();
      continue;
    }
    self.wake.wait(lock);
  }
  return sent->result;
}

bool PeekMessage(MSG* out, HWND filter, bool remove) {
  std::shared_ptr<ThreadQueue> queue = ThisQueue();
  HandleSentMessages(*queue);
  std::lock_guard<std::mutex> lock(queue->mutex);
  return TakePosted(*queue, out, filter, remove);
}

bool GetMessage(MSG* out, HWND filter, DWORD timeoutMs) {
  std::shared_ptr<ThreadQueue> queue = ThisQueue();
  const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(timeoutMs);
  std::unique_lock<std::mutex> lock(queue->mutex);
  for (;;) {
    if (!queue->sent.empty()) {
      lock.unlock();
      HandleSentMessages(*queue);
      lock.lock();
      continue;
    }
    if (TakePosted(*queue, out, filter, true)) return true;
    if (timeoutMs == INFINITE) {
      queue->wake.wait(lock);
    } else if (queue->wake.wait_until(lock, deadline) == std::cv_status::timeout) {
      if (!queue->sent.empty()) continue;
      return TakePosted(*queue, out, filter, true);
    }
  }
}

LRESULT DispatchMessage(const MSG* msg) {
  if (!msg) return 0;
  return CallProc(*msg);
}

bool PumpMessage(DWORD timeoutMs) {
  std::function<void()> hook;
  {
    Registry& reg = Reg();
    std::lock_guard<std::mutex> lock(reg.mutex);
    hook = reg.pumpHook;
  }
  if (hook) hook();
  MSG msg;
  if (!GetMessage(&msg, nullptr, timeoutMs)) return false;
  DispatchMessage(&msg);
  return true;
}

void SetPumpHook(std::function<void()> hook) {
  Registry& reg = Reg();
  std::lock_guard<std::mutex> lock(reg.mutex);
  reg.pumpHook = std::move(hook);
}

void SetWakeHook(std::function<void()> hook) {
  std::shared_ptr<ThreadQueue> queue = ThisQueue();
  std::lock_guard<std::mutex> lock(queue->mutex);
  queue->wakeHook = std::move(hook);
}

size_t PendingMessageCount() {
  std::shared_ptr<ThreadQueue> queue = ThisQueue();
  std::lock_guard<std::mutex> lock(queue->mutex);
  return queue->posted.size();
}

UINT RegisterWindowMessage(const char* name) {
  if (name == nullptr || *name == 0) return 0;
  // Names compare without regard to ASCII case, as window-message names do.
  std::string key(name);
  for (char& c : key) c = (c >= 'A' && c <= 'Z') ? char(c - 'A' + 'a') : c;
  Registry& reg = Reg();
  std::lock_guard<std::mutex> lock(reg.mutex);
  auto it = reg.registered.find(key);
  if (it != reg.registered.end()) return it->second;
  if (reg.nextRegistered > kRegisteredMessageLast) return 0;
  UINT id = reg.nextRegistered++;
  reg.registered.emplace(key, id);
  return id;
}

}  // namespace lmp
