// Stores verdicts on a worker thread so that the caller (the workstation's
// user-interface thread) never waits for a disk or a server. Records are
// queued in memory in order; the worker opens the store on first use, fills
// the files' digests (FillDigests) and inserts each record. While rows wait
// for an unreachable server, the worker tries to send them every
// retryInterval even when no new verdict comes.
//
// A verdict the store does not take (the file cannot be opened, a statement
// fails) is kept in memory and offered again with the next verdict and every
// retryInterval, the store reopened each time; reports count it as held
// until it is stored. Verdicts still held when the writer is destroyed are
// named on standard error, the one place left to say so.
#ifndef KR70_RESULTS_RESULTWRITER_H
#define KR70_RESULTS_RESULTWRITER_H

#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <deque>
#include <functional>
#include <memory>
#include <mutex>
#include <string>
#include <thread>

#include "ResultRecord.h"
#include "ResultStore.h"

namespace kr70 {

// What the writer tells its owner after each record (on the worker thread).
struct WriterReport {
    int32_t status = kStoreOk;  // of the last Insert (or of opening the store)
    int64_t pending = 0;        // rows queued locally for an unreachable server
    int64_t held = 0;           // verdicts kept in memory because the store failed
    std::string error;
};

class ResultWriter {
public:
    // location as for OpenResultStore. report is called on the worker thread.
    explicit ResultWriter(std::string location, std::function<void(const WriterReport&)> report = {},
                          std::chrono::milliseconds retryInterval = std::chrono::seconds(15));
    // Writes what is queued, then stops the worker.
    ~ResultWriter();
    ResultWriter(const ResultWriter&) = delete;
    ResultWriter& operator=(const ResultWriter&) = delete;

    // Never blocks on the store.
    void Submit(ResultRecord record);
    // Waits until everything submitted so far has been handled (tests, exit).
    void Drain();

private:
    void Run();
    // Offers every held verdict to the store (opened when needed); keeps the
    // ones it does not take.
    WriterReport StoreHeld();

    std::string location_;
    std::function<void(const WriterReport&)> report_;
    std::chrono::milliseconds retryInterval_;
    std::unique_ptr<ResultStore> store_;
    int64_t pending_ = 0;            // worker only
    std::deque<ResultRecord> held_;  // worker only: taken from queue_, not yet stored
    std::mutex mutex_;
    std::condition_variable wake_;
    std::condition_variable idle_;
    std::deque<ResultRecord> queue_;
    bool busy_ = false;
    bool stopping_ = false;
    std::thread worker_;
};

}  // namespace kr70

#endif
