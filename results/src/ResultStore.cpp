#include "ResultStore.h"

#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <ctime>
#include <random>

#include "ResultSql.h"
#include "SqlConnection.h"

namespace kr70 {
namespace {

// After the server failed to answer, inserts queue at once for this long
// before the next attempt to reach it, so that a dead server costs one
// connect timeout per interval, not one per verdict.
constexpr auto kRetryInterval = std::chrono::seconds(10);
// Queued rows sent per local transaction.
constexpr int64_t kFlushBatch = 200;

// The URL without a password (user:password@ or password=…).
std::string WithoutPassword(std::string url) {
    const size_t scheme = url.find("://");
    const size_t at = url.find('@');
    if (scheme != std::string::npos && at != std::string::npos) {
        const size_t colon = url.find(':', scheme + 3);
        if (colon != std::string::npos && colon < at) {
            url.erase(colon, at - colon);
        }
    }
    const size_t password = url.find("password=");
    if (password != std::string::npos) {
        const size_t end = url.find('&', password);
        url.erase(password, end == std::string::npos ? std::string::npos : end - password);
    }
    return url;
}

std::unique_ptr<SqlConnection> OpenMigrated(const std::string& location, bool server, int32_t& status,
                                            std::string& error) {
    std::unique_ptr<SqlConnection> connection =
        server ? OpenPostgresConnection(location, error) : OpenSqliteConnection(location, error);
    if (!connection) {
        status = server ? kStoreUnreachable : kStoreCannotOpen;
        return nullptr;
    }
    status = MigrateSchema(*connection, error);
    return status == kStoreOk ? std::move(connection) : nullptr;
}

// A server store with a local queue: a verdict the server does not take
// (unreachable, or the connection lost) waits in the local SQLite file's
// outbox and is sent, oldest first, before the next verdict.
class ServerResultStore : public ResultStore {
public:
    ServerResultStore(std::string url, std::unique_ptr<SqlConnection> queue, std::string queuePath)
        : url_(std::move(url)), target_(WithoutPassword(url_)), queue_(std::move(queue)),
          queuePath_(std::move(queuePath)) {}

    // Tries to reach the server (also right after a failure).
    int32_t Connect() {
        int32_t status = kStoreOk;
        std::string error;
        std::unique_ptr<SqlConnection> connection = OpenMigrated(url_, true, status, error);
        if (!connection) {
            lastFailure_ = std::chrono::steady_clock::now();
            error_ = error;
            return status;
        }
        server_ = MakeSqlResultStore(std::move(connection), target_);
        return kStoreOk;
    }

    int32_t Insert(ResultRecord& record) override {
        if (record.uid.empty()) {
            record.uid = NewResultUid();
        }
        if (record.recordedAtUtc.empty()) {
            record.recordedAtUtc = UtcNowText();
        }
        if (Reachable(false) && SendQueued() == kStoreOk) {
            const int32_t status = server_->Insert(record);
            if (status != kStoreUnreachable) {
                error_ = server_->LastError();
                return status;
            }
            Lost(server_->LastError());
        }
        record.serial = 0;
        const int32_t status = InsertRecord(*queue_, record, "outbox", target_);
        if (status != kStoreOk) {
            error_ = "the server is unreachable and the local queue " + queuePath_ +
                     " failed: " + queue_->Error();
            return status;
        }
        return kStoreQueued;
    }

    int32_t Query(const ResultFilter& filter, const std::function<bool(const ResultRecord&)>& each) override {
        return OnServer([&] { return server_->Query(filter, each); });
    }
    int32_t QuerySummaries(const ResultFilter& filter,
                           const std::function<bool(const ResultSummary&)>& each) override {
        return OnServer([&] { return server_->QuerySummaries(filter, each); });
    }
    int32_t QueryJudgements(const ResultFilter& filter,
                            const std::function<bool(const ResultJudgement&)>& each) override {
        return OnServer([&] { return server_->QueryJudgements(filter, each); });
    }
    int32_t SetLabelBySerial(int64_t serial, const std::string& label, int64_t* changed) override {
        return OnServer([&] { return server_->SetLabelBySerial(serial, label, changed); });
    }
    int32_t SetLabelByFile(const std::string& file, const std::string& label, int64_t* changed) override {
        return OnServer([&] { return server_->SetLabelByFile(file, label, changed); });
    }

    int64_t PendingCount() override { return CountOutbox(*queue_, target_); }

    int32_t Flush() override {
        if (!Reachable(true)) {
            return kStoreUnreachable;
        }
        return SendQueued();
    }

    std::string LastError() const override { return error_; }
    std::string Describe() const override { return target_; }

private:
    // A connected server, or one more attempt when force or the retry
    // interval has passed.
    bool Reachable(bool force) {
        if (server_) {
            return true;
        }
        if (!force && lastFailure_ && std::chrono::steady_clock::now() - *lastFailure_ < kRetryInterval) {
            return false;
        }
        return Connect() == kStoreOk;
    }

    void Lost(const std::string& error) {
        server_.reset();
        lastFailure_ = std::chrono::steady_clock::now();
        error_ = error;
    }

    // Queries and labels go to the server only; the queue holds inserts.
    int32_t OnServer(const std::function<int32_t()> run) {
        if (!Reachable(true)) {
            return kStoreUnreachable;
        }
        const int32_t status = run();
        error_ = server_->LastError();
        if (status == kStoreUnreachable) {
            Lost(error_);
        }
        return status;
    }

    // Sends the queue in batches. The local transaction keeps other processes
    // from sending the same rows; a row the server already has (same uid) is
    // skipped there, so a crash between the two commits sends nothing twice.
    int32_t SendQueued() {
        while (CountOutbox(*queue_, target_) > 0) {
            if (BeginExclusive(*queue_) != kStoreOk) {
                error_ = queue_->Error();
                return kStoreSqlError;
            }
            int32_t status = kStoreOk;
            int64_t sent = 0;
            ReadOutbox(*queue_, target_, kFlushBatch, [&](const ResultRecord& queued, int64_t queueId) {
                ResultRecord record = queued;
                status = server_->Insert(record);
                if (status == kStoreOk) {
                    status = DeleteFromOutbox(*queue_, queueId);
                    ++sent;
                }
                return status == kStoreOk;
            });
            const std::string serverError = server_->LastError();
            if (queue_->Run("COMMIT") != kStoreOk) {
                error_ = queue_->Error();
                queue_->Run("ROLLBACK");
                return kStoreSqlError;
            }
            if (status != kStoreOk) {
                error_ = serverError;
                if (status == kStoreUnreachable) {
                    Lost(serverError);
                }
                return status;
            }
            if (sent == 0) {
                break;  // only rows this program cannot read remain
            }
        }
        return kStoreOk;
    }

    std::string url_;
    std::string target_;
    std::unique_ptr<SqlConnection> queue_;
    std::string queuePath_;
    std::unique_ptr<ResultStore> server_;
    std::optional<std::chrono::steady_clock::time_point> lastFailure_;
    std::string error_;
};

}  // namespace

bool IsServerLocation(const std::string& location) {
    return location.rfind("postgresql://", 0) == 0 || location.rfind("postgres://", 0) == 0;
}

std::string DefaultStorePath() {
    const char* data = std::getenv("XDG_DATA_HOME");
    std::string base;
    if (data && data[0] == '/') {
        base = data;
    } else {
        const char* home = std::getenv("HOME");
        base = std::string(home && home[0] ? home : ".") + "/.local/share";
    }
    return base + "/Ostrel/KR70/results.sqlite";
}

std::string UtcNowText() {
    const auto now = std::chrono::system_clock::now();
    const auto milliseconds =
        std::chrono::duration_cast<std::chrono::milliseconds>(now.time_since_epoch()).count();
    const std::time_t seconds = static_cast<std::time_t>(milliseconds / 1000);
    std::tm utc{};
    gmtime_r(&seconds, &utc);
    char text[64];
    std::snprintf(text, sizeof text, "%04d-%02d-%02dT%02d:%02d:%02d.%03dZ", utc.tm_year + 1900, utc.tm_mon + 1,
                  utc.tm_mday, utc.tm_hour, utc.tm_min, utc.tm_sec, static_cast<int>(milliseconds % 1000));
    return text;
}

std::string NewResultUid() {
    thread_local std::mt19937_64 generator = [] {
        std::random_device device;
        std::seed_seq seed{device(), device(), device(), device(), static_cast<unsigned>(getpid())};
        return std::mt19937_64(seed);
    }();
    char text[33];
    std::snprintf(text, sizeof text, "%016llx%016llx", static_cast<unsigned long long>(generator()),
                  static_cast<unsigned long long>(generator()));
    return text;
}

std::unique_ptr<ResultStore> OpenResultStore(const std::string& location, int32_t* status, std::string* error,
                                             const std::string& queueFile, bool requireServer) {
    int32_t result = kStoreOk;
    std::string message;
    std::unique_ptr<ResultStore> store;
    const bool server = IsServerLocation(location);
    const std::string localPath = server ? (queueFile.empty() ? DefaultStorePath() : queueFile)
                                         : (location.empty() ? DefaultStorePath() : location);
    std::unique_ptr<SqlConnection> local = OpenMigrated(localPath, false, result, message);
    if (local && !server) {
        store = MakeSqlResultStore(std::move(local), "sqlite:" + localPath);
    } else if (local) {
        auto serverStore = std::make_unique<ServerResultStore>(location, std::move(local), localPath);
        result = serverStore->Connect();
        if (result == kStoreOk || !requireServer) {
            store = std::move(serverStore);
            result = kStoreOk;
        } else {
            message = serverStore->LastError();
        }
    }
    if (status) {
        *status = result;
    }
    if (error) {
        *error = message;
    }
    return store;
}

}  // namespace kr70
