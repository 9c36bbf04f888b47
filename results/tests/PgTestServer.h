// A throwaway PostgreSQL server for tests: initdb into a temporary folder,
// the server listening only on a Unix socket there, stopped and removed at
// the end. Run as the user kr70pg when the tests run as root (the server
// refuses root; scripts/setup.sh creates the user).
#ifndef KR70_RESULTS_TESTS_PGTESTSERVER_H
#define KR70_RESULTS_TESTS_PGTESTSERVER_H

#include <pwd.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <memory>
#include <string>

namespace kr70::test {

class PgTestServer {
public:
    static constexpr const char* kBin = "/usr/lib/postgresql/15/bin";

    // Empty when the server can be started, else why not.
    static std::string Unavailable() {
        if (!std::filesystem::exists(std::string(kBin) + "/initdb")) {
            return "Debian's postgresql package (PostgreSQL 15) is not installed";
        }
        if (getuid() == 0 && getpwnam("kr70pg") == nullptr) {
            return "running as root and the user kr70pg is missing (run scripts/setup.sh)";
        }
        return "";
    }

    // One server for a whole test program, started on first use; null when
    // it cannot run (Why() says why). Tests take a database each.
    static PgTestServer* Shared() {
        static std::unique_ptr<PgTestServer> server;
        if (!server && Unavailable().empty()) {
            server = std::make_unique<PgTestServer>();
        }
        return server && server->Running() ? server.get() : nullptr;
    }
    static std::string Why() { return Unavailable().empty() ? "the server did not start" : Unavailable(); }

    // Creates and starts the server; check Running().
    PgTestServer() {
        char pattern[] = "/tmp/kr70pg-XXXXXX";
        if (!mkdtemp(pattern)) {
            return;
        }
        folder_ = pattern;
        if (getuid() == 0) {
            if (!Shell("chown kr70pg: " + folder_)) {
                return;
            }
            prefix_ = "runuser -u kr70pg -- ";
        }
        running_ = Shell(std::string(kBin) + "/initdb -D " + folder_ +
                         "/data -A trust -U kr70 -E UTF8 --no-sync >" + folder_ + "/initdb.log 2>&1") &&
                   Start();
    }
    ~PgTestServer() {
        if (running_) {
            Stop();
        }
        std::error_code error;
        std::filesystem::remove_all(folder_, error);
    }

    bool Running() const { return running_; }
    std::string Folder() const { return folder_; }
    // URL of a database (created by CreateDatabase, or "postgres").
    std::string Url(const std::string& database = "postgres") const {
        return "postgresql://kr70@/" + database + "?host=" + folder_;
    }
    bool CreateDatabase(const std::string& name) {
        return Shell(std::string(kBin) + "/createdb -h " + folder_ + " -U kr70 " + name);
    }

    bool Start() {
        running_ = Shell(std::string(kBin) + "/pg_ctl -D " + folder_ + "/data -l " + folder_ +
                         "/server.log -w -o \"-k " + folder_ + " -c listen_addresses='' -c fsync=off\" start >/dev/null");
        return running_;
    }
    bool Stop() {
        running_ = !Shell(std::string(kBin) + "/pg_ctl -D " + folder_ + "/data -m fast -w stop >/dev/null");
        return !running_;
    }

private:
    bool Shell(const std::string& command) const {
        return std::system((prefix_ + "sh -c '" + Quoted(command) + "'").c_str()) == 0;
    }
    // The command inside single quotes.
    static std::string Quoted(const std::string& command) {
        std::string out;
        for (const char c : command) {
            out += c == '\'' ? std::string("'\\''") : std::string(1, c);
        }
        return out;
    }

    std::string folder_;
    std::string prefix_;
    bool running_ = false;
};

}  // namespace kr70::test

#endif
