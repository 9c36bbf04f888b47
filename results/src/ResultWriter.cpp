#include "ResultWriter.h"

#include <cstdio>

namespace kr70 {

ResultWriter::ResultWriter(std::string location, std::function<void(const WriterReport&)> report,
                           std::chrono::milliseconds retryInterval)
    : location_(std::move(location)), report_(std::move(report)), retryInterval_(retryInterval),
      worker_([this] { Run(); }) {}

ResultWriter::~ResultWriter() {
    {
        std::lock_guard<std::mutex> lock(mutex_);
        stopping_ = true;
    }
    wake_.notify_all();
    worker_.join();
}

void ResultWriter::Submit(ResultRecord record) {
    {
        std::lock_guard<std::mutex> lock(mutex_);
        queue_.push_back(std::move(record));
    }
    wake_.notify_all();
}

void ResultWriter::Drain() {
    std::unique_lock<std::mutex> lock(mutex_);
    idle_.wait(lock, [this] { return queue_.empty() && !busy_; });
}

WriterReport ResultWriter::StoreHeld() {
    WriterReport report;
    if (!store_) {
        store_ = OpenResultStore(location_, &report.status, &report.error);
    }
    if (store_) {
        std::deque<ResultRecord> failed;
        for (ResultRecord& record : held_) {
            const int32_t status = store_->Insert(record);
            if (status < 0) {
                report.status = status;
                report.error = store_->LastError();
                failed.push_back(std::move(record));
            } else if (report.status >= 0) {
                report.status = status;
                report.error = store_->LastError();
            }
        }
        held_ = std::move(failed);
        report.pending = pending_ = store_->PendingCount();
        if (!held_.empty()) {
            store_.reset();  // opened afresh for the next attempt
        }
    }
    report.held = static_cast<int64_t>(held_.size());
    return report;
}

void ResultWriter::Run() {
    std::unique_lock<std::mutex> lock(mutex_);
    for (;;) {
        const auto ready = [this] { return stopping_ || !queue_.empty(); };
        if (pending_ > 0 || !held_.empty()) {
            if (!wake_.wait_for(lock, retryInterval_, ready)) {
                // Rows wait and no verdict came: try to store or send them.
                lock.unlock();
                WriterReport report;
                if (!held_.empty()) {
                    report = StoreHeld();
                } else {
                    report.status = store_->Flush();
                    report.pending = pending_ = store_->PendingCount();
                    report.error = report.status == kStoreOk ? std::string() : store_->LastError();
                }
                if (report_) {
                    report_(report);
                }
                lock.lock();
                continue;
            }
        } else {
            wake_.wait(lock, ready);
        }
        if (queue_.empty()) {  // stopping with nothing new: a last attempt for the held verdicts
            if (!held_.empty()) {
                lock.unlock();
                const WriterReport report = StoreHeld();
                if (report_) {
                    report_(report);
                }
                if (report.held > 0) {
                    std::fprintf(stderr, "kr70: %lld verdict(s) could not be stored in the results store: %s\n",
                                 static_cast<long long>(report.held), report.error.c_str());
                }
            }
            return;
        }
        ResultRecord record = std::move(queue_.front());
        queue_.pop_front();
        busy_ = true;
        lock.unlock();

        FillDigests(record);
        held_.push_back(std::move(record));
        const WriterReport report = StoreHeld();
        if (report_) {
            report_(report);
        }

        lock.lock();
        busy_ = false;
        if (queue_.empty()) {
            idle_.notify_all();
        }
    }
}

}  // namespace kr70
