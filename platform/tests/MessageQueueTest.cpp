#include <gtest/gtest.h>

#include <atomic>
#include <thread>
#include <vector>

#include "LmPlatform.h"

using namespace lmp;

namespace {

struct Recorded {
  std::vector<MSG> messages;
  std::vector<std::thread::id> threads;
};

WindowProc Recorder(Recorded* into, LRESULT answer = 0) {
  return [into, answer](HWND h, UINT m, WPARAM w, LPARAM l) {
    into->messages.push_back(MSG{h, m, w, l});
    into->threads.push_back(std::this_thread::get_id());
    return answer;
  };
}

}  // namespace

TEST(MessageQueue, PostFromOtherThreadsWakesOwnerInOrderPerSender) {
  HWND window = CreateWindowHandle();
  ASSERT_TRUE(IsWindow(window));
  constexpr int kSenders = 4, kEach = 200;
  std::vector<std::thread> senders;
  for (int s = 0; s < kSenders; ++s)
    senders.emplace_back([=] {
      for (int i = 0; i < kEach; ++i) ASSERT_TRUE(PostMessage(window, WM_USER + s, i, -i));
    });
  std::vector<int> next(kSenders, 0);
  for (int n = 0; n < kSenders * kEach; ++n) {
    MSG msg;
    ASSERT_TRUE(GetMessage(&msg, nullptr, 5000));
    int sender = int(msg.message - WM_USER);
    ASSERT_GE(sender, 0);
    ASSERT_LT(sender, kSenders);
    EXPECT_EQ(msg.hwnd, window);
    EXPECT_EQ(msg.wParam, WPARAM(next[sender]));
    EXPECT_EQ(msg.lParam, -LPARAM(next[sender]));
    ++next[sender];
  }
  for (auto& t : senders) t.join();
  EXPECT_EQ(PendingMessageCount(), 0u);
  EXPECT_TRUE(DestroyWindowHandle(window));
}

TEST(MessageQueue, DestroyedHandleRefusesPostsAndDropsItsMessages) {
  Recorded seen;
  HWND keep = CreateWindowHandle(Recorder(&seen));
  HWND gone = CreateWindowHandle(Recorder(&seen));
  EXPECT_TRUE(PostMessage(gone, WM_USER, 1, 0));
  EXPECT_TRUE(PostMessage(keep, WM_USER, 2, 0));
  EXPECT_TRUE(DestroyWindowHandle(gone));
  EXPECT_FALSE(IsWindow(gone));
  EXPECT_FALSE(PostMessage(gone, WM_USER, 3, 0));
  EXPECT_FALSE(DestroyWindowHandle(gone));
  EXPECT_EQ(SendMessage(gone, WM_USER, 4, 0), 0);
  EXPECT_EQ(PendingMessageCount(), 1u);
  EXPECT_TRUE(PumpMessage(0));
  ASSERT_EQ(seen.messages.size(), 1u);
  EXPECT_EQ(seen.messages[0].wParam, 2u);
  EXPECT_FALSE(PumpMessage(0));
  EXPECT_TRUE(DestroyWindowHandle(keep));
}

TEST(MessageQueue, OnlyTheOwnerMayDestroy) {
  HWND window = CreateWindowHandle();
  bool destroyed = true;
  std::thread([&] { destroyed = DestroyWindowHandle(window); }).join();
  EXPECT_FALSE(destroyed);
  EXPECT_TRUE(IsWindow(window));
  EXPECT_TRUE(DestroyWindowHandle(window));
}

TEST(MessageQueue, FilterTakesOnlyThatWindowsMessages) {
  HWND a = CreateWindowHandle();
  HWND b = CreateWindowHandle();
  PostMessage(a, WM_USER, 1, 0);
  PostMessage(b, WM_USER, 2, 0);
  MSG msg;
  ASSERT_TRUE(PeekMessage(&msg, b, false));
  EXPECT_EQ(msg.wParam, 2u);
  EXPECT_EQ(PendingMessageCount(), 2u);  // not removed
  ASSERT_TRUE(GetMessage(&msg, b, 0));
  EXPECT_EQ(msg.wParam, 2u);
  EXPECT_FALSE(GetMessage(&msg, b, 10));
  ASSERT_TRUE(PeekMessage(&msg, nullptr, true));
  EXPECT_EQ(msg.hwnd, a);
  DestroyWindowHandle(a);
  DestroyWindowHandle(b);
}

TEST(MessageQueue, MessagesGoToTheOwnerThreadsQueueOnly) {
  HWND mine = CreateWindowHandle();
  std::atomic<bool> otherSaw{true};
  std::thread([&] {
    PostMessage(mine, WM_USER, 0, 0);
    MSG msg;
    otherSaw = GetMessage(&msg, nullptr, 20);
  }).join();
  EXPECT_FALSE(otherSaw);
  EXPECT_EQ(PendingMessageCount(), 1u);
  DestroyWindowHandle(mine);
}

TEST(MessageQueue, SendOnOwnerThreadCallsTheProcedureAtOnce) {
  Recorded seen;
  HWND window = CreateWindowHandle(Recorder(&seen, 42));
  EXPECT_EQ(SendMessage(window, WM_USER + 5, 7, 8), 42);
  ASSERT_EQ(seen.messages.size(), 1u);
  EXPECT_EQ(seen.messages[0].message, WM_USER + 5);
  EXPECT_EQ(PendingMessageCount(), 0u);
  DestroyWindowHandle(window);
}

TEST(MessageQueue, SendFromOtherThreadRunsOnOwnerWhenItPumps) {
  Recorded seen;
  HWND window = CreateWindowHandle(Recorder(&seen, 99));
  std::atomic<LRESULT> answer{0};
  std::atomic<bool> returned{false};
  std::thread sender([&] {
    answer = SendMessage(window, WM_USER, 1, 2);
    returned = true;
  });
  Sleep(30);
  EXPECT_FALSE(returned);  // blocked until the owner handles it
  EXPECT_TRUE(seen.messages.empty());
  // A sent message is handled inside GetMessage and is not returned by it.
  MSG msg;
  bool returnedAMessage = false;
  for (int i = 0; i < 500 && !returned; ++i) returnedAMessage |= GetMessage(&msg, nullptr, 10);
  EXPECT_FALSE(returnedAMessage);
  sender.join();
  EXPECT_EQ(answer, 99);
  ASSERT_EQ(seen.threads.size(), 1u);
  EXPECT_EQ(seen.threads[0], std::this_thread::get_id());
  DestroyWindowHandle(window);
}

TEST(MessageQueue, MutualSendsBetweenTwoThreadsDoNotDeadlock) {
  HWND here = CreateWindowHandle([](HWND, UINT, WPARAM w, LPARAM) { return LRESULT(w * 2); });
  std::atomic<HWND> there{nullptr};
  std::atomic<LRESULT> fromHere{0};
  std::thread other([&] {
    HWND mine = CreateWindowHandle([&](HWND, UINT, WPARAM w, LPARAM) {
      // While this thread's own send waits, it must still answer ours.
      return LRESULT(w + 1);
    });
    there = mine;
    fromHere = SendMessage(here, WM_USER, 10, 0);
    DestroyWindowHandle(mine);
  });
  while (!there) Sleep(1);
  LRESULT fromThere = SendMessage(there, WM_USER, 5, 0);
  // Our send may land before or after theirs; either way both complete.
  MSG msg;
  while (fromHere == 0) GetMessage(&msg, nullptr, 10);
  other.join();
  EXPECT_EQ(fromHere, 20);
  EXPECT_TRUE(fromThere == 6 || fromThere == 0);  // 0 if their window went first
  DestroyWindowHandle(here);
}

TEST(MessageQueue, ThreadExitReleasesSendersAndInvalidatesItsHandles) {
  std::atomic<HWND> window{nullptr};
  Event created, finish;
  std::thread owner([&] {
    window = CreateWindowHandle([](HWND, UINT, WPARAM, LPARAM) { return LRESULT(1); });
    created.Set();
    finish.Wait();
  });
  created.Wait();
  std::atomic<LRESULT> answer{-1};
  std::thread sender([&] { answer = SendMessage(window, WM_USER, 0, 0); });
  Sleep(20);
  finish.Set();
  owner.join();
  sender.join();
  EXPECT_EQ(answer, 0);
  EXPECT_FALSE(IsWindow(window));
  EXPECT_FALSE(PostMessage(window, WM_USER, 0, 0));
}

TEST(MessageQueue, PumpRunsTheHookThenDispatchesOneMessage) {
  Recorded seen;
  HWND window = CreateWindowHandle(Recorder(&seen));
  int hookRuns = 0;
  SetPumpHook([&] { ++hookRuns; });
  PostMessage(window, WM_USER, 1, 0);
  PostMessage(window, WM_USER, 2, 0);
  EXPECT_TRUE(PumpMessage(0));
  EXPECT_EQ(hookRuns, 1);
  EXPECT_EQ(seen.messages.size(), 1u);
  EXPECT_TRUE(PumpMessage(0));
  EXPECT_FALSE(PumpMessage(0));
  EXPECT_EQ(hookRuns, 3);
  SetPumpHook({});
  EXPECT_FALSE(PumpMessage(0));
  EXPECT_EQ(hookRuns, 3);
  ASSERT_EQ(seen.messages.size(), 2u);
  EXPECT_EQ(seen.messages[1].wParam, 2u);
  DestroyWindowHandle(window);
}

TEST(MessageQueue, PumpWaitsForAPostAndTheWakeHookRuns) {
  Recorded seen;
  HWND window = CreateWindowHandle(Recorder(&seen));
  std::atomic<int> wakes{0};
  SetWakeHook([&] { ++wakes; });
  std::thread poster([&] {
    Sleep(20);
    PostMessage(window, WM_USER, 3, 0);
  });
  auto start = GetTickCount();
  EXPECT_TRUE(PumpMessage(5000));
  EXPECT_LT(GetTickCount() - start, 4000u);
  poster.join();
  EXPECT_EQ(wakes, 1);
  ASSERT_EQ(seen.messages.size(), 1u);
  SetWakeHook({});
  PostMessage(window, WM_USER, 4, 0);
  EXPECT_EQ(wakes, 1);
  PumpMessage(0);
  DestroyWindowHandle(window);
}

TEST(MessageQueue, ProcedureMayPostAndDestroyReentrantly) {
  HWND window = nullptr;
  int calls = 0;
  window = CreateWindowHandle([&](HWND h, UINT, WPARAM w, LPARAM) {
    ++calls;
    if (w < 3) PostMessage(h, WM_USER, w + 1, 0);
    else DestroyWindowHandle(h);
    return LRESULT(0);
  });
  PostMessage(window, WM_USER, 0, 0);
  while (PumpMessage(0)) {
  }
  EXPECT_EQ(calls, 4);
  EXPECT_FALSE(IsWindow(window));
}

TEST(MessageQueue, GetMessageTimesOut) {
  MSG msg;
  auto start = GetTickCount();
  EXPECT_FALSE(GetMessage(&msg, nullptr, 50));
  EXPECT_GE(GetTickCount() - start, 45u);
}

TEST(RegisterWindowMessage, SameNameSameIdInTheRegisteredRange) {
  UINT a = RegisterWindowMessage("SYNCENDPLUS");
  UINT b = RegisterWindowMessage("SYNCGETWAVENDPLUS");
  EXPECT_GE(a, 0xC000u);
  EXPECT_LE(a, 0xFFFFu);
  EXPECT_GE(b, 0xC000u);
  EXPECT_NE(a, b);
  EXPECT_EQ(RegisterWindowMessage("SYNCENDPLUS"), a);
  EXPECT_EQ(RegisterWindowMessage("syncendplus"), a);
  EXPECT_EQ(RegisterWindowMessage(""), 0u);
  EXPECT_EQ(RegisterWindowMessage(nullptr), 0u);
}

TEST(RegisterWindowMessage, ConcurrentRegistrationsAgree) {
  std::vector<UINT> ids(8);
  std::vector<std::thread> threads;
  for (int i = 0; i < 8; ++i)
    threads.emplace_back([&, i] { ids[i] = RegisterWindowMessage("GETBOARDINFOPLUS-race"); });
  for (auto& t : threads) t.join();
  for (UINT id : ids) EXPECT_EQ(id, ids[0]);
  EXPECT_NE(ids[0], 0u);
}
