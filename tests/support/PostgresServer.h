#pragma once
// A throwaway PostgreSQL server for tests: initdb into a temporary folder, listening only on
// a Unix socket in that folder. Run as root (CI), the server runs as `nobody`, since
// PostgreSQL refuses to run as root.
#include <cctype>
#include <cstdlib>
#include <memory>
#include <filesystem>
#include <fstream>
#include <optional>
#include <stdexcept>
#include <string>
#include <vector>

#include <gtest/gtest.h>
#include <grp.h>
#include <pwd.h>
#include <sys/wait.h>
#include <unistd.h>

#include "production/Connection.h"

namespace vantor::test {

class PostgresServer {
public:
    // The folder of initdb and pg_ctl, or empty when PostgreSQL's server is not installed.
    static std::filesystem::path binaries() {
        if (const char *dir = std::getenv("VANTOR_PG_BINDIR")) return dir;
        for (const char *dir :
             {"/usr/lib/postgresql/17/bin", "/usr/lib/postgresql/16/bin", "/usr/lib/postgresql/15/bin"})
            if (std::filesystem::exists(std::filesystem::path(dir) / "initdb")) return dir;
        return {};
    }
    static std::string missingReason() {
        return "PostgreSQL server binaries not found (install postgresql-15, or set VANTOR_PG_BINDIR)";
    }

    // One server for the whole test program, started on first use; null without the binaries.
    static PostgresServer *shared() {
        static const std::unique_ptr<PostgresServer> server =
            binaries().empty() ? nullptr : std::make_unique<PostgresServer>();
        return server.get();
    }
    // The test's own empty database (made again if an earlier run left it); its URI.
    std::string freshDatabase() const {
        std::string name = ::testing::UnitTest::GetInstance()->current_test_info()->name();
        for (auto &c : name) c = char(std::tolower(static_cast<unsigned char>(c)));
        production::Connection admin(uri());
        admin.exec("DROP DATABASE IF EXISTS " + name + " WITH (FORCE)");
        admin.exec("CREATE DATABASE " + name);
        return uri(name);
    }

    // Superuser "vantor" without password; every other role logs in with its password.
    PostgresServer() {
        char pattern[] = "/tmp/vantor-pg-XXXXXX";
        if (!::mkdtemp(pattern)) throw std::runtime_error("mkdtemp failed");
        dir_ = pattern;
        if (::geteuid() == 0) {
            const passwd *nobody = ::getpwnam("nobody");
            uid_ = nobody ? nobody->pw_uid : 65534;
            gid_ = nobody ? nobody->pw_gid : 65534;
            if (::chown(dir_.c_str(), uid_, gid_) != 0) throw std::runtime_error("cannot give the folder to nobody");
        }
        run({"initdb", "-D", data(), "-U", "vantor", "--auth=trust", "-E", "UTF8", "--locale=C", "--no-sync"});
        std::ofstream(data() + "/pg_hba.conf") << "local all vantor trust\nlocal all all scram-sha-256\n";
        std::ofstream(data() + "/postgresql.conf", std::ios::app)
            << "listen_addresses = ''\nunix_socket_directories = '" << dir_.string() << "'\nport = 5432\n"
            << "fsync = off\nmax_connections = 60\n"
            // Small and file-backed, so that a container with a tiny /dev/shm runs it too.
            << "shared_buffers = 16MB\ndynamic_shared_memory_type = mmap\n";
        start();
    }
    ~PostgresServer() {
        if (running_) run({"pg_ctl", "-D", data(), "-m", "immediate", "-w", "-s", "stop"}, false);
        std::error_code ec;
        std::filesystem::remove_all(dir_, ec);
    }
    PostgresServer(const PostgresServer &) = delete;
    PostgresServer &operator=(const PostgresServer &) = delete;

    void start() {
        run({"pg_ctl", "-D", data(), "-l", (dir_ / "server.log").string(), "-w", "-s", "start"});
        running_ = true;
    }
    // "fast" lets sessions end cleanly; "immediate" is a crash as the clients see it.
    void stop(const std::string &mode = "fast") {
        run({"pg_ctl", "-D", data(), "-m", mode, "-w", "-s", "stop"});
        running_ = false;
    }

    // A libpq URI for a user of a database.
    std::string uri(const std::string &database = "postgres", const std::string &user = "vantor",
                    const std::string &password = "") const {
        std::string host;
        for (char c : dir_.string()) host += c == '/' ? std::string("%2F") : std::string(1, c);
        return "postgresql://" + user + (password.empty() ? "" : ":" + password) + "@/" + database + "?host=" + host +
               "&port=5432";
    }
    const std::filesystem::path &folder() const { return dir_; }

private:
    std::string data() const { return (dir_ / "data").string(); }

    void run(const std::vector<std::string> &command, bool mustSucceed = true) const {
        const std::string program = (binaries() / command.front()).string();
        const pid_t pid = ::fork();
        if (pid == 0) {
            if (uid_) {
                ::setgroups(0, nullptr);
                if (::setgid(gid_) != 0 || ::setuid(uid_) != 0) ::_exit(126);
            }
            // Its output would only clutter the test log; the server's own log is in the folder.
            if (FILE *null = std::fopen("/dev/null", "w")) ::dup2(::fileno(null), 1);
            std::vector<char *> argv;
            argv.push_back(const_cast<char *>(program.c_str()));
            for (std::size_t i = 1; i < command.size(); ++i) argv.push_back(const_cast<char *>(command[i].c_str()));
            argv.push_back(nullptr);
            ::execv(program.c_str(), argv.data());
            ::_exit(127);
        }
        int status = 0;
        ::waitpid(pid, &status, 0);
        if (mustSucceed && !(WIFEXITED(status) && WEXITSTATUS(status) == 0))
            throw std::runtime_error(command.front() + " failed (status " + std::to_string(status) + "), see " +
                                     (dir_ / "server.log").string());
    }

    std::filesystem::path dir_;
    uid_t uid_ = 0;
    gid_t gid_ = 0;
    bool running_ = false;
};

}  // namespace vantor::test
