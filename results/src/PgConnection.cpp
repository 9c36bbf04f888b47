#include <libpq-fe.h>

#include <charconv>
#include <cmath>
#include <unordered_map>

#include "ResultStore.h"
#include "SqlConnection.h"

namespace kr70 {
namespace {

// Seconds libpq waits for a server that does not answer.
constexpr const char* kConnectTimeout = "5";

// "?" placeholders to "$1", "$2", … (the store's SQL has no "?" inside literals).
std::string NumberedPlaceholders(const std::string& sql) {
    std::string out;
    int number = 0;
    for (const char c : sql) {
        if (c == '?') {
            out += '$' + std::to_string(++number);
        } else {
            out += c;
        }
    }
    return out;
}

std::string ValueText(const SqlValue& value) {
    if (const auto* number = std::get_if<int64_t>(&value)) {
        return std::to_string(*number);
    }
    if (const auto* real = std::get_if<double>(&value)) {
        if (std::isnan(*real)) {
            return "NaN";
        }
        if (std::isinf(*real)) {
            return *real > 0 ? "Infinity" : "-Infinity";
        }
        char buffer[40];
        return std::string(buffer, std::to_chars(buffer, buffer + sizeof buffer, *real).ptr);
    }
    return std::get<std::string>(value);
}

class PgRow : public SqlRow {
public:
    explicit PgRow(const PGresult* result) : result_(result) {}
    bool IsNull(int column) const override { return PQgetisnull(result_, 0, column) != 0; }
    int64_t Int(int column) const override {
        int64_t value = 0;
        const char* text = PQgetvalue(result_, 0, column);
        std::from_chars(text, text + PQgetlength(result_, 0, column), value);
        return value;
    }
    double Real(int column) const override {
        const std::string_view text = TextView(column);
        if (text == "Infinity" || text == "-Infinity") {
            return text[0] == '-' ? -HUGE_VAL : HUGE_VAL;
        }
        if (text == "NaN") {
            return std::nan("");
        }
        double value = 0.0;
        std::from_chars(text.data(), text.data() + text.size(), value);
        return value;
    }
    std::string_view TextView(int column) const override {
        return std::string_view(PQgetvalue(result_, 0, column), static_cast<size_t>(PQgetlength(result_, 0, column)));
    }

private:
    const PGresult* result_;
};

class PgConnection : public SqlConnection {
public:
    explicit PgConnection(PGconn* connection) : connection_(connection) {}
    ~PgConnection() override { PQfinish(connection_); }

    SqlDialect Dialect() const override { return SqlDialect::Postgres; }

    int32_t Run(const std::string& sql, const std::vector<SqlValue>& params,
                const std::function<bool(const SqlRow&)>& each) override {
        auto found = translated_.find(sql);
        if (found == translated_.end()) {
            found = translated_.emplace(sql, NumberedPlaceholders(sql)).first;
        }
        std::vector<std::string> texts;
        std::vector<const char*> values;
        texts.reserve(params.size());
        for (const SqlValue& value : params) {
            const bool null = std::holds_alternative<std::monostate>(value);
            texts.push_back(null ? std::string() : ValueText(value));
            values.push_back(null ? nullptr : texts.back().c_str());
        }
        changes_ = 0;
        if (!PQsendQueryParams(connection_, found->second.c_str(), static_cast<int>(values.size()), nullptr,
                               values.data(), nullptr, nullptr, 0) ||
            !PQsetSingleRowMode(connection_)) {
            return Failed(nullptr);
        }
        // Rows arrive one at a time, so a large query never sits in memory whole.
        bool wanted = true;
        int32_t status = kStoreOk;
        while (PGresult* result = PQgetResult(connection_)) {
            const ExecStatusType kind = PQresultStatus(result);
            if (kind == PGRES_SINGLE_TUPLE) {
                if (wanted && each) {
                    wanted = each(PgRow(result));
                }
            } else if (kind == PGRES_COMMAND_OK || kind == PGRES_TUPLES_OK) {
                const char* count = PQcmdTuples(result);
                std::from_chars(count, count + std::char_traits<char>::length(count), changes_);
            } else if (status == kStoreOk) {
                status = Failed(result);
            }
            PQclear(result);
        }
        if (status == kStoreOk && PQstatus(connection_) != CONNECTION_OK) {
            status = Failed(nullptr);
        }
        return status;
    }

    int64_t Changes() const override { return changes_; }
    std::string Error() const override { return error_; }

private:
    int32_t Failed(const PGresult* result) {
        error_ = result ? PQresultErrorMessage(result) : PQerrorMessage(connection_);
        while (!error_.empty() && error_.back() == '\n') {
            error_.pop_back();
        }
        // Class 08 (connection exception) and 57P0x (server shutting down or
        // starting) mean the server is not there, not that the SQL is wrong.
        const char* state = result ? PQresultErrorField(result, PG_DIAG_SQLSTATE) : nullptr;
        const std::string code = state ? state : "";
        const bool gone = PQstatus(connection_) != CONNECTION_OK || code.rfind("08", 0) == 0 ||
                          code.rfind("57P0", 0) == 0;
        return gone ? kStoreUnreachable : kStoreSqlError;
    }

    PGconn* connection_;
    std::unordered_map<std::string, std::string> translated_;
    int64_t changes_ = 0;
    std::string error_;
};

}  // namespace

std::unique_ptr<SqlConnection> OpenPostgresConnection(const std::string& url, std::string& error) {
    // libpq takes the URL as the "dbname" value of a keyword list, so a
    // connect_timeout given here applies unless the URL names its own.
    const bool hasTimeout = url.find("connect_timeout=") != std::string::npos;
    const char* keywords[] = {"dbname", hasTimeout ? nullptr : "connect_timeout", nullptr};
    const char* values[] = {url.c_str(), hasTimeout ? nullptr : kConnectTimeout, nullptr};
    PGconn* connection = PQconnectdbParams(keywords, values, 1);
    if (!connection || PQstatus(connection) != CONNECTION_OK) {
        error = connection ? PQerrorMessage(connection) : "out of memory";
        while (!error.empty() && error.back() == '\n') {
            error.pop_back();
        }
        PQfinish(connection);
        return nullptr;
    }
    // Notices (for example "relation already exists, skipping") are not printed.
    PQsetNoticeProcessor(connection, [](void*, const char*) {}, nullptr);
    return std::make_unique<PgConnection>(connection);
}

}  // namespace kr70
