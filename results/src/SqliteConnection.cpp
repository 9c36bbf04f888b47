#include <sqlite3.h>

#include <filesystem>
#include <unordered_map>

#include "ResultStore.h"
#include "SqlConnection.h"

namespace kr70 {
namespace {

// How long a writer waits for another process's transaction before giving up.
constexpr int kBusyTimeoutMs = 30000;

class SqliteRow : public SqlRow {
public:
    explicit SqliteRow(sqlite3_stmt* statement) : statement_(statement) {}
    bool IsNull(int column) const override { return sqlite3_column_type(statement_, column) == SQLITE_NULL; }
    int64_t Int(int column) const override { return sqlite3_column_int64(statement_, column); }
    double Real(int column) const override { return sqlite3_column_double(statement_, column); }
    std::string_view TextView(int column) const override {
        const unsigned char* text = sqlite3_column_text(statement_, column);
        return text ? std::string_view(reinterpret_cast<const char*>(text),
                                       static_cast<size_t>(sqlite3_column_bytes(statement_, column)))
                    : std::string_view();
    }

private:
    sqlite3_stmt* statement_;
};

class SqliteConnection : public SqlConnection {
public:
    explicit SqliteConnection(sqlite3* db) : db_(db) {}
    ~SqliteConnection() override {
        for (auto& entry : statements_) {
            sqlite3_finalize(entry.second);
        }
        sqlite3_close(db_);
    }

    SqlDialect Dialect() const override { return SqlDialect::Sqlite; }

    int32_t Run(const std::string& sql, const std::vector<SqlValue>& params,
                const std::function<bool(const SqlRow&)>& each) override {
        sqlite3_stmt* statement = Prepared(sql);
        if (!statement) {
            return kStoreSqlError;
        }
        for (size_t i = 0; i < params.size(); ++i) {
            const int index = static_cast<int>(i + 1);
            const SqlValue& value = params[i];
            if (const auto* number = std::get_if<int64_t>(&value)) {
                sqlite3_bind_int64(statement, index, *number);
            } else if (const auto* real = std::get_if<double>(&value)) {
                sqlite3_bind_double(statement, index, *real);
            } else if (const auto* text = std::get_if<std::string>(&value)) {
                sqlite3_bind_text(statement, index, text->data(), static_cast<int>(text->size()),
                                  SQLITE_TRANSIENT);
            } else {
                sqlite3_bind_null(statement, index);
            }
        }
        SqliteRow row(statement);
        int result = SQLITE_ROW;
        while ((result = sqlite3_step(statement)) == SQLITE_ROW) {
            if (each && !each(row)) {
                result = SQLITE_DONE;
                break;
            }
        }
        if (result != SQLITE_DONE) {
            error_ = sqlite3_errmsg(db_);
        }
        sqlite3_reset(statement);
        sqlite3_clear_bindings(statement);
        return result == SQLITE_DONE ? kStoreOk : kStoreSqlError;
    }

    int64_t Changes() const override { return sqlite3_changes64(db_); }
    std::string Error() const override { return error_; }

private:
    sqlite3_stmt* Prepared(const std::string& sql) {
        auto found = statements_.find(sql);
        if (found != statements_.end()) {
            return found->second;
        }
        sqlite3_stmt* statement = nullptr;
        if (sqlite3_prepare_v2(db_, sql.c_str(), static_cast<int>(sql.size()), &statement, nullptr) !=
            SQLITE_OK) {
            error_ = sqlite3_errmsg(db_);
            sqlite3_finalize(statement);
            return nullptr;
        }
        statements_.emplace(sql, statement);
        return statement;
    }

    sqlite3* db_;
    std::unordered_map<std::string, sqlite3_stmt*> statements_;
    std::string error_;
};

}  // namespace

std::unique_ptr<SqlConnection> OpenSqliteConnection(const std::string& path, std::string& error) {
    std::error_code folderError;
    const std::filesystem::path parent = std::filesystem::path(path).parent_path();
    if (!parent.empty()) {
        std::filesystem::create_directories(parent, folderError);
    }
    sqlite3* db = nullptr;
    if (sqlite3_open_v2(path.c_str(), &db, SQLITE_OPEN_READWRITE | SQLITE_OPEN_CREATE | SQLITE_OPEN_NOMUTEX,
                        nullptr) != SQLITE_OK) {
        error = "cannot open " + path + ": " + (db ? sqlite3_errmsg(db) : "out of memory");
        sqlite3_close(db);
        return nullptr;
    }
    sqlite3_busy_timeout(db, kBusyTimeoutMs);
    std::unique_ptr<SqlConnection> connection = std::make_unique<SqliteConnection>(db);
    // WAL lets readers run beside one writer; NORMAL synchronisation keeps
    // every committed verdict through a crash of the process (not of the
    // machine's power) at a fraction of the cost of FULL.
    std::string mode;
    const int32_t status = connection->Run("PRAGMA journal_mode=WAL", {}, [&](const SqlRow& row) {
        mode = row.Text(0);
        return true;
    });
    if (status != kStoreOk || mode != "wal" || connection->Run("PRAGMA synchronous=NORMAL") != kStoreOk) {
        error = "cannot use " + path + " as a results store: " +
                (status != kStoreOk ? connection->Error() : "no WAL mode (" + mode + ")");
        return nullptr;
    }
    return connection;
}

}  // namespace kr70
