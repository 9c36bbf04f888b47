// The subcommands of kr70-results. Each lives in a source file of its own
// and registers itself with a static ResultsCommandRegistration, so a new
// command is a new file in the program's sources and nothing else:
//
//   namespace { int RunQuery(kr70::ResultsContext& context) { … }
//   const kr70::ResultsCommandRegistration kQuery{{"query", "SUMMARY", "USAGE", RunQuery}}; }
//
// Commands are listed in --help in name order.
#ifndef KR70_TOOLS_RESULTSCOMMAND_H
#define KR70_TOOLS_RESULTSCOMMAND_H

#include <cstdio>
#include <memory>
#include <string>
#include <vector>

#include "ResultStore.h"

namespace kr70 {

// Exit codes of every subcommand.
inline constexpr int kResultsExitOk = 0;
inline constexpr int kResultsExitFailed = 1;  // the store failed or a row was not found
inline constexpr int kResultsExitUsage = 2;   // bad arguments

struct ResultsContext {
    std::string command;            // the subcommand's name
    std::string db;                 // --db value (empty: the default SQLite file)
    std::vector<std::string> args;  // the subcommand's own arguments, --db removed
    std::FILE* out = stdout;
    std::FILE* err = stderr;

    // The store --db names; on failure prints why and returns null.
    std::unique_ptr<ResultStore> OpenStore() const;
    // "kr70-results COMMAND: text" on err; returns code.
    int Fail(int code, const std::string& text) const;
};

struct ResultsCommand {
    const char* name;
    const char* summary;  // one line for the program's --help
    const char* usage;    // the command's --help text
    int (*run)(ResultsContext& context);
};

struct ResultsCommandRegistration {
    explicit ResultsCommandRegistration(ResultsCommand command);
};

// Every registered command, in name order.
std::vector<ResultsCommand> ResultsCommands();

// Writes text to stream; false when the write failed (a full disk, a closed pipe).
bool WriteAll(std::FILE* stream, const std::string& text);

}  // namespace kr70

#endif
