// A program under test on pipes: feed its standard input, wait for text on its output.
#pragma once
#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <stdexcept>
#include <string>
#include <vector>

namespace vantor::testing {

class ChildProcess {
public:
    // Standard error joins standard output.
    ChildProcess(const std::string &program, const std::vector<std::string> &args, const std::string &directory = "") {
        int in[2], out[2];
        if (pipe(in) != 0 || pipe(out) != 0) throw std::runtime_error("pipe");
        pid_ = fork();
        if (pid_ == 0) {
            dup2(in[0], 0);
            dup2(out[1], 1);
            dup2(out[1], 2);
            close(in[1]);
            close(out[0]);
            if (!directory.empty() && chdir(directory.c_str()) != 0) _exit(126);
            std::vector<char *> argv{const_cast<char *>(program.c_str())};
            for (const auto &a : args) argv.push_back(const_cast<char *>(a.c_str()));
            argv.push_back(nullptr);
            execvp(program.c_str(), argv.data());
            _exit(127);
        }
        close(in[0]);
        close(out[1]);
        in_ = in[1];
        out_ = out[0];
    }
    ~ChildProcess() {
        if (in_ >= 0) close(in_);
        if (pid_ > 0) {
            kill(pid_, SIGKILL);
            waitpid(pid_, nullptr, 0);
        }
        close(out_);
    }
    ChildProcess(const ChildProcess &) = delete;
    ChildProcess &operator=(const ChildProcess &) = delete;

    void signal(int number) { kill(pid_, number); }
    bool send(const std::string &text) { return write(in_, text.data(), text.size()) == ssize_t(text.size()); }
    // Reads until `text` appears after the previous match; false after the time-out.
    bool waitFor(const std::string &text, int timeoutMs = 20000) {
        const auto end = std::chrono::steady_clock::now() + std::chrono::milliseconds(timeoutMs);
        while (output.find(text, mark_) == std::string::npos) {
            const auto left =
                std::chrono::duration_cast<std::chrono::milliseconds>(end - std::chrono::steady_clock::now());
            if (left.count() <= 0) return false;
            pollfd p{out_, POLLIN, 0};
            if (poll(&p, 1, int(left.count())) <= 0) continue;
            char buf[4096];
            const ssize_t n = read(out_, buf, sizeof buf);
            if (n <= 0) return output.find(text, mark_) != std::string::npos;
            output.append(buf, std::size_t(n));
        }
        mark_ = output.find(text, mark_) + text.size();
        return true;
    }
    // The output since the previous match up to `text`, which is consumed.
    std::string until(const std::string &text, int timeoutMs = 20000) {
        const std::size_t from = mark_;
        if (!waitFor(text, timeoutMs)) return output.substr(from);
        return output.substr(from, mark_ - from);
    }
    // Closes the input and waits for the exit status.
    int finish(int timeoutMs = 20000) {
        close(in_);
        in_ = -1;
        waitFor("\x01never", timeoutMs);
        int status = 0;
        waitpid(pid_, &status, 0);
        pid_ = -1;
        return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    }
    std::string output;

private:
    pid_t pid_ = -1;
    int in_ = -1, out_ = -1;
    std::size_t mark_ = 0;
};

}  // namespace vantor::testing
