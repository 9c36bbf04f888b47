// LmPlatform: the platform layer every KR70 library builds on (no Qt).
//
// Window handles and per-thread message queues, registered message ids,
// events, named locks with the "already exists" answer, loading shared
// libraries by name, and the global-memory block pair. Process-wide state
// (queues, registered ids, lock holders) lives once, in libLmPlatform.so.
//
// Errors are returned, never thrown; nothing here prints.
#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <string>

#include "LmOsSeam.h"

namespace lmp {

using UINT = uint32_t;
using WPARAM = uintptr_t;
using LPARAM = intptr_t;
using LRESULT = intptr_t;
using DWORD = uint32_t;

constexpr UINT WM_NULL = 0x0000;
constexpr UINT WM_CLOSE = 0x0010;
constexpr UINT WM_QUIT = 0x0012;
constexpr UINT WM_USER = 0x0400;
constexpr UINT WM_APP = 0x8000;
// RegisterWindowMessage hands out ids from this range only.
constexpr UINT kRegisteredMessageFirst = 0xC000;
constexpr UINT kRegisteredMessageLast = 0xFFFF;

constexpr DWORD INFINITE = 0xFFFFFFFFu;

// ---------------------------------------------------------------------------
// Window handles and message queues
//
// A window handle is an opaque id owned by the thread that created it. Every
// thread has one message queue, holding the messages posted to all handles it
// owns. A handle value is never reused within a process, so a stale handle is
// simply invalid (PostMessage returns false, IsWindow returns false).
struct WindowTag;
using HWND = WindowTag*;

// The window procedure receives every message dispatched to its handle, on
// the owner thread. It may post, send, pump or destroy handles re-entrantly.
using WindowProc = std::function<LRESULT(HWND, UINT, WPARAM, LPARAM)>;

struct MSG {
  HWND hwnd = nullptr;
  UINT message = 0;
  WPARAM wParam = 0;
  LPARAM lParam = 0;
};

// Creates a handle owned by the calling thread. A handle without a procedure
// still queues its messages; they are taken with PeekMessage/GetMessage and
// DispatchMessage then does nothing with them (returns 0).
HWND CreateWindowHandle(WindowProc proc = {});
// Owner thread only. Drops the queued messages of the handle. False for an
// unknown handle or when called from another thread.
bool DestroyWindowHandle(HWND hwnd);
bool IsWindow(HWND hwnd);
// Replaces the procedure (owner thread only).
bool SetWindowProc(HWND hwnd, WindowProc proc);

// Thread-safe. Queues the message for the handle's owner thread and wakes it
// (a waiting GetMessage/PumpMessage returns; the thread's wake hook runs).
// False when the handle is not valid.
bool PostMessage(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam);

// On the owner thread the procedure is called at once and its result is
// returned. From another thread the message is handed to the owner, which
// handles it the next time it pumps or waits for messages, and the caller
// blocks until then. 0 for an invalid handle (or one destroyed meanwhile).
LRESULT SendMessage(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam);

// Messages of the calling thread's queue. filter = nullptr takes a message of
// any handle the thread owns, else only that handle's messages.
// PeekMessage never blocks; remove = false leaves the message queued.
bool PeekMessage(MSG* out, HWND filter, bool remove);
// Waits up to timeoutMs (INFINITE: for ever) for a message and removes it.
// False on timeout. A WM_QUIT is returned like any other message.
bool GetMessage(MSG* out, HWND filter, DWORD timeoutMs = INFINITE);
// Calls the procedure of msg->hwnd if that handle still exists; else 0.
LRESULT DispatchMessage(const MSG* msg);

// "Pump one message" of the calling thread, as the drain loop of a blocking
// call does: runs the pump hook once (the GUI's own event loop), then waits up
// to timeoutMs for one queued message of the thread and dispatches it.
// Returns true when a message was dispatched.
bool PumpMessage(DWORD timeoutMs = 0);

// Process-wide hook that PumpMessage runs first, so that a GUI event loop is
// not starved while a library call keeps the thread busy. Set by the GUI;
// an empty function removes it. Runs on the pumping thread.
void SetPumpHook(std::function<void()> hook);

// Per-thread wake hook, set for the calling thread: called on the posting
// thread each time a message lands in this thread's queue, so a GUI event
// loop can schedule a pump of the platform queue. Must be thread-safe and
// must not block. An empty function removes it.
void SetWakeHook(std::function<void()> hook);

// Number of messages queued for the calling thread.
size_t PendingMessageCount();

// Same id for the same name within the process, in 0xC000..0xFFFF.
// 0 for a null or empty name, or when the range is exhausted.
UINT RegisterWindowMessage(const char* name);

// ---------------------------------------------------------------------------
// Events

// Windows-style event. Auto-reset (the default): a successful Wait consumes
// the signal and releases one waiter. Manual-reset: stays signalled until
// Reset and releases every waiter. All members are thread-safe.
class Event {
 public:
  explicit Event(bool manualReset = false, bool initialState = false);
  ~Event();
  Event(const Event&) = delete;
  Event& operator=(const Event&) = delete;

  void Set();
  void Reset();
  // True when signalled within timeoutMs (INFINITE: waits for ever).
  bool Wait(DWORD timeoutMs = INFINITE);

 private:
  struct State;
  State* state_;
};

// ---------------------------------------------------------------------------
// Named locks (the named mutex of the instances and of the card recorder)
//
// The lock is an exclusive flock on "<dir>/<escaped name>.lock", where dir is
// $XDG_RUNTIME_DIR, or /tmp/kr70-<uid>/ (created with mode 0700) when unset.
// The kernel releases it when the process ends, also on a crash.
class NamedLock {
 public:
  enum Result {
    kCreated = 0,         // this object now holds the lock
    kAlreadyExists = 1,   // held elsewhere: another process or another object
                          // of this process; this object holds nothing
    kError = -1,          // the lock file could not be made or locked
  };

  NamedLock() = default;
  ~NamedLock();  // releases
  NamedLock(const NamedLock&) = delete;
  NamedLock& operator=(const NamedLock&) = delete;

  // Releases a lock this object holds, then tries to take the named one.
  // On kError, LastErrno() gives the failing call's errno.
  Result Create(const char* name);
  // Gives the lock up (no-op when not held).
  void Release();
  bool Held() const { return fd_ >= 0; }
  int LastErrno() const { return lastErrno_; }
  // Path of the lock file for a name ("" for an empty name or no directory).
  static std::string LockFilePath(const char* name);

 private:
  int fd_ = -1;
  int lastErrno_ = 0;
  std::string path_;
};

// ---------------------------------------------------------------------------
// Shared libraries by name

struct ModuleTag;
using HMODULE = ModuleTag*;

// name "CardIO32", "CardIO32.dll" or "libCardIO32.so" loads libCardIO32.so,
// searched in order in: the program's folder, the program's ../lib, the
// folder of the library that calls LoadLibrary, then the system's search.
// A name with a '/' is opened as given. Null on failure (LastLoadError).
//
// Like a Windows library's entry point, a library may export
//   extern "C" int LmpDllMain(int reason);
// LoadLibrary calls it with 1 when it brings the module in for the first
// time and fails the load (unloading the module) when it answers 0;
// FreeLibrary calls it with 0 before the last reference goes.
HMODULE LoadLibrary(const char* name);
// Null when the symbol is missing.
void* GetProcAddress(HMODULE module, const char* symbol);
bool FreeLibrary(HMODULE module);
// Text of the last failed LoadLibrary/GetProcAddress on this thread.
std::string LastLoadError();
// Folder of the running program (no trailing '/'), "" when unknown.
std::string ProgramDirectory();

// ---------------------------------------------------------------------------
// Global memory
//
// Blocks that one library hands to a caller (e.g. the samples returned when a
// trigger series stops). The caller owns such a block and must release it
// with GlobalFree, never with free/delete. Blocks are zero-initialised.
void* GlobalAlloc(size_t bytes);  // null on failure; bytes 0 gives null
void GlobalFree(void* block);     // null is ignored
size_t GlobalSize(const void* block);  // bytes asked for; 0 for null

// ---------------------------------------------------------------------------
// Small helpers

// ---------------------------------------------------------------------------
// Per-user directories of an installed program
//
// A program installed where its user may not write keeps its files in the
// user's XDG directories instead of its own folder: Data in $XDG_DATA_HOME
// (else ~/.local/share), Cache (temporary files) in $XDG_CACHE_HOME (else
// ~/.cache), each followed by "/Ostrel/KR70". Relative XDG values are ignored,
// as the XDG rules say.
enum class UserDirectory { Data, Cache };
// The per-user directory of that kind ("" when neither the variable nor
// $HOME is set).
std::string UserDirectoryPath(UserDirectory kind);
// `directory` itself when this process may write into it, or when it does not
// exist or cannot be checked for another reason than permission; otherwise
// the per-user directory of `fallback`, created (mode 0700) for Cache. The
// check and the creation go through the OS seam.
std::string WritableOrUserDirectory(const std::string& directory, UserDirectory fallback);

void Sleep(DWORD milliseconds);
// Milliseconds since an arbitrary start, monotonic, wraps at 2^32.
DWORD GetTickCount();

}  // namespace lmp

#if __has_include("LmCardHw.h")
#include "LmCardHw.h"
#endif
#if __has_include("LmWaveIn.h")
#include "LmWaveIn.h"
#endif
