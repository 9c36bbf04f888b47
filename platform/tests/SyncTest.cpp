#include <gtest/gtest.h>

#include <cerrno>
#include <csignal>
#include <cstdlib>
#include <fcntl.h>
#include <string>
#include <sys/stat.h>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>
#include <vector>

#include "LmPlatform.h"

using namespace lmp;

TEST(Event, AutoResetReleasesOneWaitAndConsumesTheSignal) {
  Event event;
  EXPECT_FALSE(event.Wait(0));
  event.Set();
  EXPECT_TRUE(event.Wait(0));
  EXPECT_FALSE(event.Wait(10));
  event.Set();
  event.Reset();
  EXPECT_FALSE(event.Wait(0));
}

TEST(Event, AutoResetWakesExactlyOneOfTwoWaiters) {
  Event event;
  std::atomic<int> woken{0};
  std::vector<std::thread> waiters;
  for (int i = 0; i < 2; ++i)
    waiters.emplace_back([&] {
      if (event.Wait(300)) ++woken;
    });
  Sleep(20);
  event.Set();
  for (auto& t : waiters) t.join();
  EXPECT_EQ(woken, 1);
}

TEST(Event, ManualResetStaysSignalledForEveryWaiter) {
  Event event(true, false);
  std::atomic<int> woken{0};
  std::vector<std::thread> waiters;
  for (int i = 0; i < 3; ++i)
    waiters.emplace_back([&] {
      if (event.Wait(2000)) ++woken;
    });
  Sleep(20);
  event.Set();
  for (auto& t : waiters) t.join();
  EXPECT_EQ(woken, 3);
  EXPECT_TRUE(event.Wait(0));
  event.Reset();
  EXPECT_FALSE(event.Wait(0));
}

TEST(Event, InitiallySignalledAndTimeoutLength) {
  Event event(false, true);
  EXPECT_TRUE(event.Wait(0));
  DWORD start = GetTickCount();
  EXPECT_FALSE(event.Wait(60));
  DWORD waited = GetTickCount() - start;
  EXPECT_GE(waited, 55u);
  EXPECT_LT(waited, 2000u);
}

// ---------------------------------------------------------------------------

namespace {

std::string UniqueName(const char* what) {
  return std::string("lmp-test-") + what + "-" + std::to_string(getpid());
}

std::string ProbePath() { return std::string(KR70_BIN_DIR) + "/lmp-lock-probe"; }

// Runs "lmp-lock-probe try NAME" and gives its exit code.
int ProbeTry(const std::string& name) {
  pid_t pid = fork();
  if (pid == 0) {
    execl(ProbePath().c_str(), "lmp-lock-probe", "try", name.c_str(), (char*)nullptr);
    _exit(127);
  }
  int status = 0;
  if (pid < 0 || waitpid(pid, &status, 0) != pid || !WIFEXITED(status)) return -1;
  return WEXITSTATUS(status);
}

// A probe process that holds the lock until its standard input closes.
struct Holder {
  pid_t pid = -1;
  int toChild = -1;
  bool holding = false;

  explicit Holder(const std::string& name) {
    int in[2], out[2];
    if (pipe(in) != 0 || pipe(out) != 0) return;
    pid = fork();
    if (pid == 0) {
      dup2(in[0], 0);
      dup2(out[1], 1);
      close(in[1]);
      close(out[0]);
      execl(ProbePath().c_str(), "lmp-lock-probe", "hold", name.c_str(), (char*)nullptr);
      _exit(127);
    }
    close(in[0]);
    close(out[1]);
    toChild = in[1];
    char line[16] = {};
    ssize_t n = read(out[0], line, sizeof line - 1);
    close(out[0]);
    holding = n >= 4 && std::string(line, 4) == "held";
  }
  int Finish() {
    close(toChild);
    int status = 0;
    waitpid(pid, &status, 0);
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
  }
  void Kill() {
    kill(pid, SIGKILL);
    int status = 0;
    waitpid(pid, &status, 0);
    close(toChild);
  }
};

}  // namespace

TEST(NamedLock, SecondHolderInTheSameProcessIsToldItExists) {
  std::string name = UniqueName("same");
  NamedLock first, second;
  EXPECT_EQ(first.Create(name.c_str()), NamedLock::kCreated);
  EXPECT_TRUE(first.Held());
  EXPECT_EQ(second.Create(name.c_str()), NamedLock::kAlreadyExists);
  EXPECT_FALSE(second.Held());
  // The same object asking again gives its own lock up first.
  EXPECT_EQ(first.Create(name.c_str()), NamedLock::kCreated);
  first.Release();
  EXPECT_FALSE(first.Held());
  EXPECT_EQ(second.Create(name.c_str()), NamedLock::kCreated);
}

TEST(NamedLock, AnotherProcessSeesTheLockHeldAndFreed) {
  std::string name = UniqueName("other");
  {
    NamedLock lock;
    ASSERT_EQ(lock.Create(name.c_str()), NamedLock::kCreated);
    EXPECT_EQ(ProbeTry(name), 1);
  }
  EXPECT_EQ(ProbeTry(name), 0);  // released by the destructor
}

TEST(NamedLock, LockOfAnotherProcessIsSeenHereAndGoesWithItsCrash) {
  std::string name = UniqueName("crash");
  Holder holder(name);
  ASSERT_TRUE(holder.holding);
  NamedLock lock;
  EXPECT_EQ(lock.Create(name.c_str()), NamedLock::kAlreadyExists);
  holder.Kill();  // the kernel drops a dead process's lock
  EXPECT_EQ(lock.Create(name.c_str()), NamedLock::kCreated);

  Holder refused(name);
  EXPECT_FALSE(refused.holding);
  EXPECT_EQ(refused.Finish(), 1);
}

TEST(NamedLock, DistinctNamesAreDistinctLocks) {
  std::string base = UniqueName("esc");
  NamedLock a, b, c;
  EXPECT_EQ(a.Create((base + "/x").c_str()), NamedLock::kCreated);
  EXPECT_EQ(b.Create((base + "_x").c_str()), NamedLock::kCreated);
  EXPECT_EQ(c.Create((base + "%2Fx").c_str()), NamedLock::kCreated);
  EXPECT_NE(NamedLock::LockFilePath((base + "/x").c_str()),
            NamedLock::LockFilePath((base + "%2Fx").c_str()));
  EXPECT_EQ(NamedLock::LockFilePath(""), "");
  NamedLock empty;
  EXPECT_EQ(empty.Create(""), NamedLock::kError);
}

TEST(NamedLock, FallbackFolderIsPrivateWhenNoRuntimeDir) {
  const char* saved = std::getenv("XDG_RUNTIME_DIR");
  std::string keep = saved ? saved : "";
  unsetenv("XDG_RUNTIME_DIR");
  std::string name = UniqueName("tmp");
  std::string path = NamedLock::LockFilePath(name.c_str());
  std::string folder = "/tmp/kr70-" + std::to_string(getuid());
  EXPECT_EQ(path, folder + "/" + name + ".lock");
  NamedLock lock;
  EXPECT_EQ(lock.Create(name.c_str()), NamedLock::kCreated);
  struct stat info;
  ASSERT_EQ(stat(folder.c_str(), &info), 0);
  EXPECT_EQ(info.st_mode & 0777, 0700u);
  lock.Release();
  if (saved) setenv("XDG_RUNTIME_DIR", keep.c_str(), 1);
}

TEST(NamedLock, FailingCallsAreReportedAsErrors) {
  std::string name = UniqueName("seam");
  {
    OsCallsOverride os;
    os->flock = [](int, int) { errno = EBUSY; return -1; };
    NamedLock lock;
    EXPECT_EQ(lock.Create(name.c_str()), NamedLock::kError);
    EXPECT_EQ(lock.LastErrno(), EBUSY);
    EXPECT_FALSE(lock.Held());
  }
  {
    OsCallsOverride os;
    os->open = [](const char*, int, mode_t) { errno = ENODEV; return -1; };
    NamedLock lock;
    EXPECT_EQ(lock.Create(name.c_str()), NamedLock::kError);
    EXPECT_EQ(lock.LastErrno(), ENODEV);
  }
  NamedLock lock;  // real calls again
  EXPECT_EQ(lock.Create(name.c_str()), NamedLock::kCreated);
}

// ---------------------------------------------------------------------------

TEST(GlobalMemory, BlocksAreZeroedSizedAndFreed) {
  auto* block = static_cast<double*>(GlobalAlloc(101 * sizeof(double)));
  ASSERT_NE(block, nullptr);
  EXPECT_EQ(reinterpret_cast<uintptr_t>(block) % 16, 0u);
  EXPECT_EQ(GlobalSize(block), 101 * sizeof(double));
  for (int i = 0; i < 101; ++i) EXPECT_EQ(block[i], 0.0);
  block[100] = 4.5;
  GlobalFree(block);
  GlobalFree(nullptr);
  EXPECT_EQ(GlobalSize(nullptr), 0u);
  EXPECT_EQ(GlobalAlloc(0), nullptr);
}

TEST(GlobalMemory, FailedAllocationGivesNull) {
  OsCallsOverride os;
  os->calloc = [](size_t, size_t) -> void* { errno = ENOMEM; return nullptr; };
  EXPECT_EQ(GlobalAlloc(64), nullptr);
}
