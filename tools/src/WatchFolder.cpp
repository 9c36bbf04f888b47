#include "WatchFolder.h"

#include <poll.h>
#include <sys/inotify.h>
#include <sys/signalfd.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <cctype>
#include <filesystem>
#include <system_error>
#include <vector>

namespace kr70 {

bool IsWatchedName(const std::string& name) {
    if (name.size() < 5 || name[0] == '.') {
        return false;
    }
    std::string extension = name.substr(name.size() - 4);
    std::transform(extension.begin(), extension.end(), extension.begin(),
                   [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
    return extension == ".wav" || extension == ".rdt";
}

FolderWatch::~FolderWatch() {
    if (inotify_ >= 0) close(inotify_);
    if (signals_ >= 0) close(signals_);
    if (masked_) sigprocmask(SIG_SETMASK, &previousMask_, nullptr);
}

int FolderWatch::Open(const std::string& directory, bool includePresent) {
    directory_ = directory;
    sigset_t stopSignals;
    sigemptyset(&stopSignals);
    sigaddset(&stopSignals, SIGINT);
    sigaddset(&stopSignals, SIGTERM);
    if (sigprocmask(SIG_BLOCK, &stopSignals, &previousMask_) != 0) return errno;
    masked_ = true;
    signals_ = signalfd(-1, &stopSignals, SFD_CLOEXEC | SFD_NONBLOCK);
    if (signals_ < 0) return errno;
    inotify_ = inotify_init1(IN_CLOEXEC | IN_NONBLOCK);
    if (inotify_ < 0) return errno;
    // The watch is in place before the scan, so no file falls between them;
    // one seen by both is delivered once thanks to its identity.
    if (inotify_add_watch(inotify_, directory.c_str(),
                          IN_CLOSE_WRITE | IN_MOVED_TO | IN_DELETE_SELF | IN_MOVE_SELF | IN_ONLYDIR) < 0) {
        return errno;
    }
    Scan(includePresent);
    return 0;
}

void FolderWatch::Scan(bool deliver) {
    std::vector<std::string> names;
    std::error_code error;
    for (const auto& entry : std::filesystem::directory_iterator(directory_, error)) {
        const std::string name = entry.path().filename().string();
        if (IsWatchedName(name)) names.push_back(name);
    }
    std::sort(names.begin(), names.end());
    for (const std::string& name : names) {
        if (deliver) {
            pending_.push_back(name);
            continue;
        }
        struct stat info {};
        if (stat((directory_ + "/" + name).c_str(), &info) == 0) {
            delivered_[name] = {info.st_dev, info.st_ino, info.st_size, info.st_mtim.tv_sec, info.st_mtim.tv_nsec};
        }
    }
}

bool FolderWatch::TakePending(std::string& path) {
    while (!pending_.empty()) {
        const std::string name = pending_.front();
        pending_.pop_front();
        const std::string candidate = directory_ + "/" + name;
        struct stat info {};
        if (stat(candidate.c_str(), &info) != 0 || !S_ISREG(info.st_mode)) {
            continue;  // gone again, or not a file
        }
        const Identity identity{info.st_dev, info.st_ino, info.st_size, info.st_mtim.tv_sec, info.st_mtim.tv_nsec};
        auto known = delivered_.find(name);
        if (known != delivered_.end() && known->second == identity) {
            continue;
        }
        delivered_[name] = identity;
        path = candidate;
        return true;
    }
    return false;
}

bool FolderWatch::ReadEvents() {
    alignas(struct inotify_event) char buffer[64 * 1024];
    for (;;) {
        const ssize_t length = read(inotify_, buffer, sizeof buffer);
        if (length < 0) {
            return errno == EAGAIN || errno == EINTR;
        }
        for (ssize_t offset = 0; offset < length;) {
            const auto* event = reinterpret_cast<const struct inotify_event*>(buffer + offset);
            offset += static_cast<ssize_t>(sizeof(struct inotify_event) + event->len);
            if (event->mask & IN_Q_OVERFLOW) {
                ++overflows_;
                Scan(true);
            } else if (event->mask & (IN_DELETE_SELF | IN_MOVE_SELF | IN_IGNORED | IN_UNMOUNT)) {
                return false;
            } else if (event->len > 0 && IsWatchedName(event->name)) {
                pending_.push_back(event->name);
            }
        }
    }
}

FolderWatch::Wake FolderWatch::Next(std::string& path, int timeoutMs) {
    using Clock = std::chrono::steady_clock;
    const Clock::time_point deadline = Clock::now() + std::chrono::milliseconds(std::max(timeoutMs, 0));
    for (;;) {
        // A stop request wins over files still waiting.
        signalfd_siginfo signal{};
        if (read(signals_, &signal, sizeof signal) == static_cast<ssize_t>(sizeof signal)) {
            return Wake::Stop;
        }
        if (TakePending(path)) {
            return Wake::File;
        }
        if (failed_) {
            return Wake::Failed;
        }
        int waitMs = -1;
        if (timeoutMs >= 0) {
            const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(deadline - Clock::now());
            waitMs = static_cast<int>(std::max<std::chrono::milliseconds::rep>(0, left.count()));
        }
        pollfd fds[2] = {{signals_, POLLIN, 0}, {inotify_, POLLIN, 0}};
        const int ready = poll(fds, 2, waitMs);
        if (ready < 0 && errno != EINTR) {
            return Wake::Failed;
        }
        if (ready == 0) {
            return Wake::Timeout;
        }
        if ((fds[1].revents & POLLIN) && !ReadEvents()) {
            failed_ = true;  // deliver what is already queued first
        }
    }
}

}  // namespace kr70
