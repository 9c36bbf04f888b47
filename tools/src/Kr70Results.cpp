// kr70-results: the stored verdicts of the workstation and kr70-analyse.
// This file holds the dispatcher; each subcommand is a file of its own.
#include <algorithm>
#include <cstring>
#include <map>

#include "ResultsCommand.h"

namespace kr70 {
namespace {

std::map<std::string, ResultsCommand>& Registry() {
    static std::map<std::string, ResultsCommand> commands;
    return commands;
}

constexpr const char* kProgram = "kr70-results";

std::string ProgramHelp() {
    std::string text =
        "Usage: kr70-results [--db URL|PATH] COMMAND [ARGUMENTS]\n"
        "       kr70-results COMMAND --help\n"
        "\n"
        "The stored verdicts of the KR70 workstation and of kr70-analyse --db: one\n"
        "row per analysed recording with the recording's path, SHA-256 and size,\n"
        "the parameter file and every setting of the chain, the areas, the\n"
        "judgement, the five peaks, the station and the time (UTC).\n"
        "\n"
        "Commands:\n";
    for (const ResultsCommand& command : ResultsCommands()) {
        char line[256];
        std::snprintf(line, sizeof line, "  %-18s %s\n", command.name, command.summary);
        text += line;
    }
    text +=
        "\n"
        "Options (before or after COMMAND):\n"
        "  --db PATH   an SQLite results file (default: $XDG_DATA_HOME/Ostrel/KR70/\n"
        "              results.sqlite, else ~/.local/share/Ostrel/KR70/results.sqlite)\n"
        "  --db URL    a PostgreSQL server, postgresql://[user[:password]@][host]/db\n"
        "              (libpq's URL form, e.g. postgresql:///kr70?host=/run/postgresql)\n"
        "  --help      show this text\n"
        "\n"
        "Exit codes: 0 done; 1 the store could not be opened or a command failed;\n"
        "2 bad arguments.\n";
    return text;
}

}  // namespace

ResultsCommandRegistration::ResultsCommandRegistration(ResultsCommand command) {
    Registry()[command.name] = command;
}

std::vector<ResultsCommand> ResultsCommands() {
    std::vector<ResultsCommand> commands;
    for (const auto& entry : Registry()) {
        commands.push_back(entry.second);
    }
    return commands;
}

bool WriteAll(std::FILE* stream, const std::string& text) {
    return std::fwrite(text.data(), 1, text.size(), stream) == text.size() && !std::ferror(stream);
}

std::unique_ptr<ResultStore> ResultsContext::OpenStore() const {
    int32_t status = kStoreOk;
    std::string error;
    auto store = OpenResultStore(db, &status, &error, "", true);
    if (!store) {
        Fail(kResultsExitFailed, "cannot open the results store " + (db.empty() ? DefaultStorePath() : db) +
                                     ": " + error);
    }
    return store;
}

int ResultsContext::Fail(int code, const std::string& text) const {
    std::fprintf(err, "%s %s: %s\n", kProgram, command.c_str(), text.c_str());
    return code;
}

}  // namespace kr70

int main(int argc, char** argv) {
    using namespace kr70;
    ResultsContext context;
    bool help = false;
    for (int i = 1; i < argc; ++i) {
        const std::string argument = argv[i];
        if (argument == "--db") {
            if (i + 1 >= argc || argv[i + 1][0] == '\0') {
                std::fprintf(stderr, "%s: option --db needs a value\n", kProgram);
                return kResultsExitUsage;
            }
            context.db = argv[++i];
        } else if (argument.rfind("--db=", 0) == 0) {
            context.db = argument.substr(5);
        } else if (context.command.empty() && (argument == "--help" || argument == "-h")) {
            help = true;
        } else if (context.command.empty() && !argument.empty() && argument[0] != '-') {
            context.command = argument;
        } else if (context.command.empty()) {
            std::fprintf(stderr, "%s: unknown option %s\nTry 'kr70-results --help'.\n", kProgram, argv[i]);
            return kResultsExitUsage;
        } else {
            context.args.push_back(argument);
        }
    }
    if (help || context.command.empty()) {
        const bool written = WriteAll(help ? stdout : stderr, ProgramHelp()) && std::fflush(stdout) == 0;
        return help ? (written ? kResultsExitOk : kResultsExitFailed) : kResultsExitUsage;
    }
    const std::vector<ResultsCommand> commands = ResultsCommands();
    const auto found = std::find_if(commands.begin(), commands.end(), [&](const ResultsCommand& command) {
        return context.command == command.name;
    });
    if (found == commands.end()) {
        std::fprintf(stderr, "%s: unknown command %s\nTry 'kr70-results --help'.\n", kProgram,
                     context.command.c_str());
        return kResultsExitUsage;
    }
    if (std::find(context.args.begin(), context.args.end(), "--help") != context.args.end()) {
        return WriteAll(stdout, found->usage) && std::fflush(stdout) == 0 ? kResultsExitOk : kResultsExitFailed;
    }
    int code = found->run(context);
    if (std::fflush(stdout) != 0 || std::ferror(stdout)) {
        std::fprintf(stderr, "%s: cannot write the output\n", kProgram);
        code = kResultsExitFailed;
    }
    return code;
}
