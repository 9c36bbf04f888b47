// The small database seam under the results store: run one statement with
// "?" placeholders and read its rows. SQLite and libpq implement it, so that
// the schema, the queries and the record mapping (ResultSql.cpp) exist once.
#ifndef KR70_RESULTS_SQLCONNECTION_H
#define KR70_RESULTS_SQLCONNECTION_H

#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <string_view>
#include <variant>
#include <vector>

#include "ResultRecord.h"

namespace kr70 {

using SqlValue = ResultField;

enum class SqlDialect { Sqlite, Postgres };

// One result row; columns count from 0.
class SqlRow {
public:
    virtual ~SqlRow() = default;
    virtual bool IsNull(int column) const = 0;
    virtual int64_t Int(int column) const = 0;
    virtual double Real(int column) const = 0;
    // The text in place, valid until the next row (empty for null).
    virtual std::string_view TextView(int column) const = 0;
    std::string Text(int column) const { return std::string(TextView(column)); }
};

class SqlConnection {
public:
    virtual ~SqlConnection() = default;
    virtual SqlDialect Dialect() const = 0;
    // Runs sql with params bound to its "?" in order; each (when set) sees
    // every row until it returns false. 0, or kStoreSqlError / kStoreUnreachable
    // (the connection is gone) with Error() set.
    virtual int32_t Run(const std::string& sql, const std::vector<SqlValue>& params = {},
                        const std::function<bool(const SqlRow&)>& each = {}) = 0;
    // Rows changed by the last data-changing Run.
    virtual int64_t Changes() const = 0;
    virtual std::string Error() const = 0;
};

// SQLite file at path (created with its folder): WAL mode, busy timeout,
// prepared statements kept per SQL text. Null with error set on failure.
std::unique_ptr<SqlConnection> OpenSqliteConnection(const std::string& path, std::string& error);

// libpq connection to a server URL (a connect_timeout is added when the URL
// has none). Null with error set when the server does not answer.
std::unique_ptr<SqlConnection> OpenPostgresConnection(const std::string& url, std::string& error);

}  // namespace kr70

#endif
