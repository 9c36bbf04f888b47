// The results store: every verdict as one row, in an SQLite file (the
// embedded default) or on a PostgreSQL server shared by a plant. Both engines
// hold the same schema and run the same SQL (ResultSql.cpp).
//
// Status codes follow the system's convention: 0 fine, negative a failure,
// nothing thrown, nothing printed; LastError() says why in words.
//
// Threading: one store object is used by one thread at a time. Several
// processes (and several store objects) may write to the same SQLite file at
// once: WAL mode, a busy timeout and one transaction per verdict.
#ifndef KR70_RESULTS_RESULTSTORE_H
#define KR70_RESULTS_RESULTSTORE_H

#include <cstdint>
#include <functional>
#include <memory>
#include <string>

#include "ResultRecord.h"

namespace kr70 {

inline constexpr int32_t kStoreOk = 0;
// Insert only: the server could not be reached; the row waits in the local
// SQLite file and is sent by a later Insert or Flush.
inline constexpr int32_t kStoreQueued = 1;
inline constexpr int32_t kStoreCannotOpen = -1;   // file or server not usable
inline constexpr int32_t kStoreSqlError = -2;     // a statement failed
inline constexpr int32_t kStoreNewerSchema = -3;  // written by a newer program
inline constexpr int32_t kStoreBadArgument = -4;
inline constexpr int32_t kStoreUnreachable = -5;  // server not answering (queries, labels)
inline constexpr int32_t kStoreNotFound = -6;     // SetLabel matched no row

// The schema version this program writes (schema_version table).
inline constexpr int32_t kResultSchemaVersion = 2;

// Which rows a query returns; empty fields do not filter. Rows come in
// ascending serial order.
struct ResultFilter {
    std::string fromUtc;  // recorded at or after (a prefix such as "2026-12-01" works)
    std::string toUtc;    // recorded before
    std::string station;
    int32_t judgement = 0;    // 1 OK, 2 NG, 0 any
    std::string namePattern;  // file-name wildcard: * any run, ? one character
    std::string label;        // "good", "bad", "none" (unlabelled) or "" any
    int64_t limit = 0;        // 0: no limit
};

class ResultStore {
public:
    virtual ~ResultStore() = default;

    // Stores one verdict in one transaction. Fills serial (0 when queued),
    // uid and recordedAtUtc when empty. kStoreOk, kStoreQueued or a failure.
    virtual int32_t Insert(ResultRecord& record) = 0;

    // Calls each for every matching row until it returns false.
    virtual int32_t Query(const ResultFilter& filter,
                          const std::function<bool(const ResultRecord&)>& each) = 0;
    // The same rows with the lean columns only (faster on large stores).
    virtual int32_t QuerySummaries(const ResultFilter& filter,
                                   const std::function<bool(const ResultSummary&)>& each) = 0;
    // The same rows with serial, judgement, area and path only: without
    // other filters than judgement and limit, a scan of one narrow index.
    virtual int32_t QueryJudgements(const ResultFilter& filter,
                                    const std::function<bool(const ResultJudgement&)>& each) = 0;

    // Sets label ("good", "bad" or "" to clear) on the row with this serial.
    virtual int32_t SetLabelBySerial(int64_t serial, const std::string& label, int64_t* changed) = 0;
    // ... on every row of the recording: an absolute path matches the stored
    // path, a bare file name the stored file name.
    virtual int32_t SetLabelByFile(const std::string& file, const std::string& label, int64_t* changed) = 0;

    // Rows waiting in the local queue for the server (0 for an SQLite store).
    virtual int64_t PendingCount() { return 0; }
    // Sends queued rows when the server answers; kStoreOk when none is left.
    virtual int32_t Flush() { return kStoreOk; }

    virtual std::string LastError() const = 0;
    // "sqlite:PATH" or the server URL without its password.
    virtual std::string Describe() const = 0;
};

// Opens (creating and migrating when needed) the store at location: a path
// of an SQLite file, or a "postgresql://" / "postgres://" URL. An empty
// location means DefaultStorePath(). For a server, queueFile is the SQLite file
// that holds rows while it cannot be reached (empty: DefaultStorePath()); an
// unreachable server still opens (the store queues) unless requireServer.
// Returns null on failure with status and error set.
std::unique_ptr<ResultStore> OpenResultStore(const std::string& location, int32_t* status,
                                             std::string* error, const std::string& queueFile = "",
                                             bool requireServer = false);

// $XDG_DATA_HOME/Ostrel/KR70/results.sqlite, else
// ~/.local/share/Ostrel/KR70/results.sqlite (the folders are created on open).
std::string DefaultStorePath();

bool IsServerLocation(const std::string& location);

// Current time as recordedAtUtc text, and a fresh random uid.
std::string UtcNowText();
std::string NewResultUid();

}  // namespace kr70

#endif
