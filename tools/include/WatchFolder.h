// Waiting for complete recordings in one folder, for a test line whose
// control scripts drop files there.
//
// A file is complete once its writer has closed it after writing (inotify
// IN_CLOSE_WRITE) or once it has been renamed or moved into the folder
// (IN_MOVED_TO). Only names ending in ".wav" or ".rdt" (any case) that do not
// start with "." count, so a writer can fill "x.wav.part" or ".x.wav" and
// rename it when done. A file whose identity (device, inode, size,
// modification time) is the one last delivered under its name is not
// delivered again, so a second close without a change gives nothing. When the
// kernel's event queue overflows, the folder is scanned and every file not
// yet delivered in its present state is delivered.
//
// While a FolderWatch is open, SIGINT and SIGTERM are blocked and read as
// requests to stop; the previous signal mask comes back when it closes.
// Single-threaded use only.
#ifndef KR70_TOOLS_WATCHFOLDER_H
#define KR70_TOOLS_WATCHFOLDER_H

#include <signal.h>
#include <sys/types.h>

#include <deque>
#include <map>
#include <string>
#include <tuple>

namespace kr70 {

// True for the names the watch takes.
bool IsWatchedName(const std::string& name);

class FolderWatch {
public:
    FolderWatch() = default;
    ~FolderWatch();
    FolderWatch(const FolderWatch&) = delete;
    FolderWatch& operator=(const FolderWatch&) = delete;

    // Starts watching directory. Files already there are delivered first
    // (sorted by name) when includePresent, else they count as delivered.
    // 0, or the errno of the call that failed.
    int Open(const std::string& directory, bool includePresent);

    enum class Wake {
        File,     // path holds the next complete file
        Stop,     // SIGINT or SIGTERM arrived
        Timeout,  // nothing within timeoutMs
        Failed,   // the folder was removed or moved away, or reading failed
    };
    // Waits up to timeoutMs milliseconds (negative: without limit).
    Wake Next(std::string& path, int timeoutMs);

    // Events lost to a queue overflow so far (each answered by a scan).
    int Overflows() const { return overflows_; }

private:
    using Identity = std::tuple<dev_t, ino_t, off_t, long, long>;
    void Scan(bool deliver);
    bool TakePending(std::string& path);
    bool ReadEvents();

    std::string directory_;
    int inotify_ = -1;
    int signals_ = -1;
    bool masked_ = false;
    sigset_t previousMask_{};
    std::deque<std::string> pending_;  // names, oldest first
    std::map<std::string, Identity> delivered_;
    int overflows_ = 0;
    bool failed_ = false;
};

}  // namespace kr70

#endif
