#pragma once
// Test fixture: runs one of our programs as a child process, collects its
// standard output line by line, waits for lines or for its end, and can send it
// a signal. Header-only and free of Qt and gtest.
//
//   sondrel::test::ChildProcess rec(SONDREL_BIN_DIR "/sondrel-record", {"-o", path, ...});
//   ASSERT_TRUE(rec.start()) << rec.error();
//   rec.waitForLine([](const std::string& l) { return l == "link connected"; });
//   rec.signal(SIGTERM);
//   int status = rec.wait(std::chrono::seconds(10));   // -1 on timeout

#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <sys/prctl.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <condition_variable>
#include <functional>
#include <mutex>
#include <optional>
#include <string>
#include <thread>
#include <vector>

namespace sondrel::test {

class ChildProcess {
  public:
    using Milliseconds = std::chrono::milliseconds;

    ChildProcess(std::string program, std::vector<std::string> args)
        : program_(std::move(program)), args_(std::move(args)) {}
    ~ChildProcess() {
        if (pid_ > 0) {
            kill(pid_, SIGKILL);
            waitpid(pid_, nullptr, 0);
        }
        if (reader_.joinable()) reader_.join();
        if (stdout_ >= 0) close(stdout_);
    }
    ChildProcess(const ChildProcess&) = delete;
    ChildProcess& operator=(const ChildProcess&) = delete;

    // Standard error goes with standard output, so failures show in the lines.
    bool start() {
        std::vector<std::string> store{program_};
        store.insert(store.end(), args_.begin(), args_.end());
        std::vector<char*> argv;
        for (auto& a : store) argv.push_back(a.data());
        argv.push_back(nullptr);
        int out[2];
        if (pipe2(out, O_CLOEXEC) != 0) return fail("pipe failed");
        const pid_t parent = getpid();
        const pid_t pid = fork();
        if (pid < 0) return fail("fork failed");
        if (pid == 0) {
            prctl(PR_SET_PDEATHSIG, SIGKILL);
            if (getppid() != parent) _exit(127);
            dup2(out[1], STDOUT_FILENO);
            dup2(out[1], STDERR_FILENO);
            execv(program_.c_str(), argv.data());
            _exit(127);
        }
        close(out[1]);
        pid_ = pid;
        stdout_ = out[0];
        reader_ = std::thread([this] { readLoop(); });
        return true;
    }

    pid_t pid() const { return pid_; }

    void signal(int sig) {
        if (pid_ > 0) kill(pid_, sig);
    }

    // The exit status as waitpid reports it, or -1 if it did not end in time
    // (it is then killed).
    int wait(Milliseconds timeout) {
        if (pid_ <= 0) return status_;
        const auto until = std::chrono::steady_clock::now() + timeout;
        while (true) {
            int status = 0;
            const pid_t r = waitpid(pid_, &status, WNOHANG);
            if (r == pid_) {
                status_ = status;
                break;
            }
            if (r < 0 || std::chrono::steady_clock::now() > until) {
                kill(pid_, SIGKILL);
                waitpid(pid_, nullptr, 0);
                status_ = -1;
                break;
            }
            std::this_thread::sleep_for(Milliseconds(10));
        }
        pid_ = -1;
        if (reader_.joinable()) reader_.join();
        return status_;
    }

    // True when the child ended normally with exit code 0.
    static bool exitedCleanly(int status) {
        return status >= 0 && WIFEXITED(status) && WEXITSTATUS(status) == 0;
    }

    std::optional<std::string> waitForLine(const std::function<bool(const std::string&)>& match,
                                           Milliseconds timeout = Milliseconds(15000)) {
        std::unique_lock lock(mutex_);
        std::optional<std::string> found;
        changed_.wait_for(lock, timeout, [&] {
            for (const auto& l : lines_) {
                if (match(l)) {
                    found = l;
                    return true;
                }
            }
            return ended_;
        });
        return found;
    }

    std::vector<std::string> lines() const {
        std::lock_guard lock(mutex_);
        return lines_;
    }
    std::string output() const {
        std::string all;
        for (const auto& l : lines()) all += l + "\n";
        return all;
    }
    const std::string& error() const { return error_; }

  private:
    bool fail(std::string why) {
        error_ = std::move(why);
        return false;
    }
    void readLoop() {
        std::string partial;
        char buffer[4096];
        while (true) {
            const ssize_t n = read(stdout_, buffer, sizeof buffer);
            if (n <= 0) break;
            partial.append(buffer, static_cast<std::size_t>(n));
            std::size_t eol;
            while ((eol = partial.find('\n')) != std::string::npos) {
                std::lock_guard lock(mutex_);
                lines_.push_back(partial.substr(0, eol));
                partial.erase(0, eol + 1);
                changed_.notify_all();
            }
        }
        std::lock_guard lock(mutex_);
        if (!partial.empty()) lines_.push_back(partial);
        ended_ = true;
        changed_.notify_all();
    }

    std::string program_;
    std::vector<std::string> args_;
    pid_t pid_ = -1;
    int stdout_ = -1;
    int status_ = -1;
    std::thread reader_;
    mutable std::mutex mutex_;
    std::condition_variable changed_;
    std::vector<std::string> lines_;
    bool ended_ = false;
    std::string error_;
};

}  // namespace sondrel::test
