// The results schema and every statement on it, for both engines, and the
// store built on an SqlConnection.
#ifndef KR70_RESULTS_RESULTSQL_H
#define KR70_RESULTS_RESULTSQL_H

#include <memory>
#include <string>

#include "ResultStore.h"
#include "SqlConnection.h"

namespace kr70 {

// Creates or upgrades the schema to kResultSchemaVersion in one exclusive
// transaction. kStoreOk, kStoreNewerSchema or kStoreSqlError (error set).
int32_t MigrateSchema(SqlConnection& connection, std::string& error);

// Inserts record into table "results" or the local queue "outbox" (target:
// the server it waits for). An existing uid is skipped (a resend).
int32_t InsertRecord(SqlConnection& connection, ResultRecord& record, const char* table = "results",
                     const std::string& target = "");

// Queued rows for target, oldest first; each gets the record and its queue id.
int32_t ReadOutbox(SqlConnection& connection, const std::string& target, int64_t limit,
                   const std::function<bool(const ResultRecord&, int64_t)>& each);
int32_t DeleteFromOutbox(SqlConnection& connection, int64_t queueId);
int64_t CountOutbox(SqlConnection& connection, const std::string& target);

// The statement of ResultStore::QueryJudgements without filters: it reads
// only the columns of the index results_judgement.
const char* JudgementSelectSql();

// Starts a write transaction that excludes other writers (waiting for them).
int32_t BeginExclusive(SqlConnection& connection);

// The store on one connection; describe is what Describe() answers.
std::unique_ptr<ResultStore> MakeSqlResultStore(std::unique_ptr<SqlConnection> connection, std::string describe);

}  // namespace kr70

#endif
