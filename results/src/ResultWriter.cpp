#include "ResultWriter.h"

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

void ResultWriter::Run() {
    std::unique_lock<std::mutex> lock(mutex_);
    for (;;) {
        const auto ready = [this] { return stopping_ || !queue_.empty(); };
        if (pending_ > 0) {
            if (!wake_.wait_for(lock, retryInterval_, ready)) {
                // Rows wait for the server and no verdict came: try to send them.
                lock.unlock();
                WriterReport report;
                report.status = store_->Flush();
                report.pending = pending_ = store_->PendingCount();
                report.error = report.status == kStoreOk ? std::string() : store_->LastError();
                if (report_) {
                    report_(report);
                }
                lock.lock();
                continue;
            }
        } else {
            wake_.wait(lock, ready);
        }
        if (queue_.empty()) {
            return;  // stopping with nothing left
        }
        ResultRecord record = std::move(queue_.front());
        queue_.pop_front();
        busy_ = true;
        lock.unlock();

        WriterReport report;
        if (!store_) {
            store_ = OpenResultStore(location_, &report.status, &report.error);
        }
        if (store_) {
            FillDigests(record);
            report.status = store_->Insert(record);
            report.error = store_->LastError();
            report.pending = pending_ = store_->PendingCount();
        }
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
