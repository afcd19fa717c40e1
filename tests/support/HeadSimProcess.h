#pragma once
// Test fixture: runs the sondrel-headsim program as a child process, reads the
// port and pseudo-terminals it announces, changes its switches while it runs,
// and reads back the commands it logged. Header-only and free of Qt and gtest,
// so core, Qt and end-to-end tests can all use it.
//
//   sondrel::test::HeadSimProcess sim({"--pty", "--split", "2"});
//   ASSERT_TRUE(sim.start()) << sim.error();
//   connect to 127.0.0.1:sim.port(), or open sim.ptyPath()
//   sim.control("silent-every 3");            // waits for the simulator's "ok"
//   auto cmds = sim.waitForCommands(5);        // the commands it received, from its log
//   sim.stop();                                // also done by the destructor
//
// The binary is $SONDREL_HEADSIM if set, else SONDREL_BIN_DIR/sondrel-headsim
// (SONDREL_BIN_DIR is a compile definition the test targets get from CMake).

#include <arpa/inet.h>
#include <fcntl.h>
#include <netinet/in.h>
#include <netinet/tcp.h>
#include <poll.h>
#include <signal.h>
#include <sys/prctl.h>
#include <sys/socket.h>
#include <sys/types.h>
#include <sys/wait.h>
#include <unistd.h>

#include <array>
#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <functional>
#include <mutex>
#include <optional>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

namespace sondrel::test {

// One command line of the simulator's log: "cmd SEQ MS HEX...".
struct LoggedCommand {
    std::uint64_t sequence = 0;
    double milliseconds = 0.0;  // since the simulator started
    std::array<std::uint8_t, 27> bytes{};
};

// The simulator's counters, as printed by its "stats" control line.
struct HeadSimCounters {
    std::uint64_t commands = 0;
    std::uint64_t malformed = 0;
    std::uint64_t skipped = 0;
    std::uint64_t replies = 0;
    std::uint64_t blocksSent = 0;
    std::uint64_t connections = 0;
    std::uint64_t sentences = 0;
};

class HeadSimProcess {
  public:
    using Milliseconds = std::chrono::milliseconds;

    // `args` are the simulator's options. Unless they say otherwise the fixture
    // adds "--port 0" (a free port) and "--log" into a private temporary folder.
    explicit HeadSimProcess(std::vector<std::string> args = {}) : args_(std::move(args)) {}
    ~HeadSimProcess() {
        stop();
        if (!tempDir_.empty()) {
            std::error_code ec;
            std::filesystem::remove_all(tempDir_, ec);
        }
    }
    HeadSimProcess(const HeadSimProcess&) = delete;
    HeadSimProcess& operator=(const HeadSimProcess&) = delete;

    static std::string binary() {
        if (const char* env = std::getenv("SONDREL_HEADSIM"); env && *env) return env;
#ifdef SONDREL_BIN_DIR
        return std::string(SONDREL_BIN_DIR) + "/sondrel-headsim";
#else
        return "sondrel-headsim";
#endif
    }

    // Starts the simulator and waits (at most `timeout`) until it reports
    // "ready". False with error() set when it could not start.
    bool start(Milliseconds timeout = Milliseconds(10000)) {
        if (pid_ > 0) return true;
        char pattern[] = "/tmp/headsim-XXXXXX";
        if (!mkdtemp(pattern)) return fail("cannot create a temporary folder");
        tempDir_ = pattern;

        std::vector<std::string> args = args_;
        if (!has(args, "--port") && !has(args, "--no-tcp")) {
            args.push_back("--port");
            args.push_back("0");
        }
        if (!has(args, "--log")) {
            logPath_ = tempDir_ + "/headsim.log";
            args.push_back("--log");
            args.push_back(logPath_);
        } else {
            logPath_ = valueOf(args, "--log");
        }
        const std::string exe = binary();
        std::vector<std::string> argvStore;
        argvStore.push_back(exe);
        argvStore.insert(argvStore.end(), args.begin(), args.end());
        std::vector<char*> argv;
        for (auto& a : argvStore) argv.push_back(a.data());
        argv.push_back(nullptr);

        int toChild[2], fromChild[2];
        if (pipe2(toChild, O_CLOEXEC) != 0) return fail("pipe failed");
        if (pipe2(fromChild, O_CLOEXEC) != 0) {
            close(toChild[0]);
            close(toChild[1]);
            return fail("pipe failed");
        }
        const pid_t parent = getpid();
        const pid_t pid = fork();
        if (pid < 0) return fail("fork failed");
        if (pid == 0) {
            // Only async-signal-safe calls between fork and exec. The simulator
            // ends with the thread that started it, even if the test crashes.
            prctl(PR_SET_PDEATHSIG, SIGTERM);
            if (getppid() != parent) _exit(127);
            dup2(toChild[0], STDIN_FILENO);
            dup2(fromChild[1], STDOUT_FILENO);
            execv(exe.c_str(), argv.data());
            _exit(127);
        }
        close(toChild[0]);
        close(fromChild[1]);
        pid_ = pid;
        stdin_ = toChild[1];
        stdout_ = fromChild[0];
        reader_ = std::thread([this] { readLoop(); });

        const auto line = waitForLine([](const std::string& l) { return l == "ready"; }, timeout);
        if (!line) {
            stop();
            return fail("the simulator did not report ready (" + exe + ")");
        }
        for (const std::string& l : lines()) {
            if (l.rfind("listening tcp 127.0.0.1 ", 0) == 0) port_ = std::stoi(l.substr(24));
            if (l.rfind("sonar-pty ", 0) == 0) ptyPath_ = l.substr(10);
            if (l.rfind("orientation-pty ", 0) == 0) orientationPtyPath_ = l.substr(16);
        }
        return true;
    }

    // SIGTERM, then SIGKILL if it has not ended within `grace`. Returns the
    // exit status (as waitpid reports it), or -1 when it was not running.
    int stop(Milliseconds grace = Milliseconds(5000)) {
        if (pid_ <= 0) return -1;
        kill(pid_, SIGTERM);
        int status = -1;
        const auto until = std::chrono::steady_clock::now() + grace;
        while (true) {
            const pid_t r = waitpid(pid_, &status, WNOHANG);
            if (r == pid_ || r < 0) break;
            if (std::chrono::steady_clock::now() > until) {
                kill(pid_, SIGKILL);
                waitpid(pid_, &status, 0);
                break;
            }
            std::this_thread::sleep_for(Milliseconds(5));
        }
        pid_ = -1;
        if (stdin_ >= 0) close(stdin_);
        stdin_ = -1;
        if (reader_.joinable()) reader_.join();
        if (stdout_ >= 0) close(stdout_);
        stdout_ = -1;
        return status;
    }

    bool running() const {
        return pid_ > 0;
    }
    pid_t pid() const {
        return pid_;
    }
    int port() const {
        return port_;
    }
    const std::string& ptyPath() const {
        return ptyPath_;
    }
    const std::string& orientationPtyPath() const {
        return orientationPtyPath_;
    }
    const std::string& logPath() const {
        return logPath_;
    }
    const std::string& tempDir() const {
        return tempDir_;
    }
    const std::string& error() const {
        return error_;
    }

    // Sends one control line ("split 2", "faults-off", "format 1", ...) and
    // waits for the simulator's answer. True when it answered "ok".
    bool control(const std::string& line, Milliseconds timeout = Milliseconds(5000)) {
        if (stdin_ < 0) return false;
        const std::size_t seen = lineCount();
        const std::string text = line + "\n";
        if (write(stdin_, text.data(), text.size()) != static_cast<ssize_t>(text.size())) {
            return false;
        }
        const auto answer = waitForLine(
            [](const std::string& l) {
                return l.rfind("ok ", 0) == 0 || l.rfind("error ", 0) == 0;
            },
            timeout, seen);
        return answer && answer->rfind("ok ", 0) == 0;
    }

    std::optional<HeadSimCounters> counters(Milliseconds timeout = Milliseconds(5000)) {
        if (stdin_ < 0) return std::nullopt;
        const std::size_t seen = lineCount();
        if (write(stdin_, "stats\n", 6) != 6) return std::nullopt;
        const auto line = waitForLine(
            [](const std::string& l) { return l.rfind("counters ", 0) == 0; }, timeout, seen);
        if (!line) return std::nullopt;
        return parseCounters(*line);
    }

    // Every line the simulator printed so far.
    std::vector<std::string> lines() const {
        std::lock_guard<std::mutex> lock(mutex_);
        return lines_;
    }

    // Waits for a printed line (from index `from` on) that satisfies `match`.
    std::optional<std::string> waitForLine(const std::function<bool(const std::string&)>& match,
                                           Milliseconds timeout, std::size_t from = 0) {
        std::unique_lock<std::mutex> lock(mutex_);
        std::size_t next = from;
        const auto until = std::chrono::steady_clock::now() + timeout;
        while (true) {
            for (; next < lines_.size(); ++next) {
                if (match(lines_[next])) return lines_[next];
            }
            if (closed_) return std::nullopt;
            if (cv_.wait_until(lock, until) == std::cv_status::timeout) {
                for (; next < lines_.size(); ++next) {
                    if (match(lines_[next])) return lines_[next];
                }
                return std::nullopt;
            }
        }
    }

    // The commands the simulator has logged so far, in order.
    std::vector<LoggedCommand> commands() const {
        std::vector<LoggedCommand> out;
        for (const std::string& line : logLines()) {
            std::istringstream in(line);
            std::string kind;
            LoggedCommand c;
            in >> kind >> c.sequence >> c.milliseconds;
            if (kind != "cmd") continue;
            std::size_t i = 0;
            std::string hex;
            while (i < c.bytes.size() && in >> hex) {
                c.bytes[i++] = static_cast<std::uint8_t>(std::stoul(hex, nullptr, 16));
            }
            if (i == c.bytes.size()) out.push_back(c);
        }
        return out;
    }

    // Log lines of malformed commands ("bad N MS FAULT HEX...").
    std::vector<std::string> malformedLines() const {
        std::vector<std::string> out;
        for (const std::string& line : logLines()) {
            if (line.rfind("bad ", 0) == 0) out.push_back(line);
        }
        return out;
    }

    // Waits until at least `count` commands are logged (or `timeout` passes)
    // and returns what is logged then.
    std::vector<LoggedCommand> waitForCommands(std::size_t count,
                                               Milliseconds timeout = Milliseconds(10000)) const {
        const auto until = std::chrono::steady_clock::now() + timeout;
        while (true) {
            auto c = commands();
            if (c.size() >= count || std::chrono::steady_clock::now() > until) return c;
            std::this_thread::sleep_for(Milliseconds(10));
        }
    }

    static std::optional<HeadSimCounters> parseCounters(const std::string& line) {
        std::istringstream in(line);
        std::string word;
        in >> word;
        if (word != "counters") return std::nullopt;
        HeadSimCounters c;
        while (in >> word) {
            const auto eq = word.find('=');
            if (eq == std::string::npos) continue;
            const std::string key = word.substr(0, eq);
            const std::uint64_t v = std::stoull(word.substr(eq + 1));
            if (key == "commands")
                c.commands = v;
            else if (key == "malformed")
                c.malformed = v;
            else if (key == "skipped")
                c.skipped = v;
            else if (key == "replies")
                c.replies = v;
            else if (key == "blocks-sent")
                c.blocksSent = v;
            else if (key == "connections")
                c.connections = v;
            else if (key == "sentences")
                c.sentences = v;
        }
        return c;
    }

  private:
    static bool has(const std::vector<std::string>& args, const std::string& name) {
        for (const auto& a : args) {
            if (a == name || a.rfind(name + "=", 0) == 0) return true;
        }
        return false;
    }
    static std::string valueOf(const std::vector<std::string>& args, const std::string& name) {
        for (std::size_t i = 0; i < args.size(); ++i) {
            if (args[i] == name && i + 1 < args.size()) return args[i + 1];
            if (args[i].rfind(name + "=", 0) == 0) return args[i].substr(name.size() + 1);
        }
        return {};
    }

    bool fail(std::string message) {
        error_ = std::move(message);
        return false;
    }

    std::size_t lineCount() const {
        std::lock_guard<std::mutex> lock(mutex_);
        return lines_.size();
    }

    std::vector<std::string> logLines() const {
        std::vector<std::string> out;
        std::ifstream in(logPath_);
        std::string line;
        while (std::getline(in, line)) {
            if (!in.eof()) out.push_back(line);  // a line still being written has no newline yet
        }
        return out;
    }

    void readLoop() {
        std::string pending;
        char buffer[4096];
        while (true) {
            const ssize_t n = read(stdout_, buffer, sizeof buffer);
            if (n <= 0) {
                if (n < 0 && errno == EINTR) continue;
                break;
            }
            pending.append(buffer, static_cast<std::size_t>(n));
            std::size_t eol;
            std::lock_guard<std::mutex> lock(mutex_);
            while ((eol = pending.find('\n')) != std::string::npos) {
                lines_.push_back(pending.substr(0, eol));
                pending.erase(0, eol + 1);
            }
            cv_.notify_all();
        }
        std::lock_guard<std::mutex> lock(mutex_);
        closed_ = true;
        cv_.notify_all();
    }

    std::vector<std::string> args_;
    std::string tempDir_, logPath_, ptyPath_, orientationPtyPath_, error_;
    int port_ = -1;
    pid_t pid_ = -1;
    int stdin_ = -1;
    int stdout_ = -1;
    std::thread reader_;
    mutable std::mutex mutex_;
    std::condition_variable cv_;
    std::vector<std::string> lines_;
    bool closed_ = false;
};

// A plain blocking TCP client for 127.0.0.1 only, for tests that talk to the
// simulator directly.
class LoopbackClient {
  public:
    LoopbackClient() = default;
    ~LoopbackClient() { close(); }
    LoopbackClient(const LoopbackClient&) = delete;
    LoopbackClient& operator=(const LoopbackClient&) = delete;

    bool connect(int port) {
        close();
        fd_ = socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
        if (fd_ < 0) return false;
        sockaddr_in addr{};
        addr.sin_family = AF_INET;
        addr.sin_port = htons(static_cast<std::uint16_t>(port));
        addr.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
        if (::connect(fd_, reinterpret_cast<sockaddr*>(&addr), sizeof addr) != 0) {
            close();
            return false;
        }
        const int one = 1;
        setsockopt(fd_, IPPROTO_TCP, TCP_NODELAY, &one, sizeof one);
        return true;
    }

    bool send(const std::uint8_t* data, std::size_t size) {
        while (size > 0) {
            const ssize_t n = ::send(fd_, data, size, MSG_NOSIGNAL);
            if (n <= 0) return false;
            data += n;
            size -= static_cast<std::size_t>(n);
        }
        return true;
    }
    template <typename Bytes>
    bool send(const Bytes& bytes) {
        return send(reinterpret_cast<const std::uint8_t*>(bytes.data()), bytes.size());
    }

    // Reads until `count` bytes came, the peer closed, or `timeout` passed
    // without a byte. Returns what was read.
    std::vector<std::uint8_t> read(
        std::size_t count, std::chrono::milliseconds timeout = std::chrono::milliseconds(5000)) {
        std::vector<std::uint8_t> out;
        std::vector<std::uint8_t> buffer(count);
        while (out.size() < count) {
            pollfd p{fd_, POLLIN, 0};
            if (poll(&p, 1, static_cast<int>(timeout.count())) <= 0) break;
            const ssize_t n = ::recv(fd_, buffer.data(), count - out.size(), 0);
            if (n <= 0) {
                peerClosed_ = n == 0;
                break;
            }
            out.insert(out.end(), buffer.begin(), buffer.begin() + n);
        }
        return out;
    }

    // One receive call's worth (what a single notification would deliver).
    std::vector<std::uint8_t> readSome(
        std::size_t max, std::chrono::milliseconds timeout = std::chrono::milliseconds(5000)) {
        std::vector<std::uint8_t> buffer(max);
        pollfd p{fd_, POLLIN, 0};
        if (poll(&p, 1, static_cast<int>(timeout.count())) <= 0) return {};
        const ssize_t n = ::recv(fd_, buffer.data(), max, 0);
        if (n <= 0) {
            peerClosed_ = n == 0;
            return {};
        }
        buffer.resize(static_cast<std::size_t>(n));
        return buffer;
    }

    bool peerClosed() const { return peerClosed_; }
    int fd() const { return fd_; }
    void close() {
        if (fd_ >= 0) ::close(fd_);
        fd_ = -1;
        peerClosed_ = false;
    }

  private:
    int fd_ = -1;
    bool peerClosed_ = false;
};

// A settings file for sondrel-record surveying a scenario: the simulated
// crawler's pseudo-terminal as the orientation input on COM9, a 2 m range,
// and the geometry against a 600 mm nominal with ovality over Dmean.
inline void writeCrawlerSurveySettings(const std::string& path, const std::string& crawlerPty) {
    std::ofstream(path) << "[System Settings]\r\nEnablePRDInput=1\r\nPRDComPort=9\r\n"
                           "PRDComPortBaud=38400\r\nSentenceType=0\r\n"
                           "[Sonar Settings]\r\nRange=2.00\r\nRange Index=4\r\n"
                           "[COM Ports]\r\nCOM9="
                        << crawlerPty
                        << "\r\n[Pipe Geometry]\r\nNominal Diameter=0.600\r\n"
                           "Ovality Definition=1\r\n";
}

}  // namespace sondrel::test
