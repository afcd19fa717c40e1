// sondrel-headsim: the simulated head and orientation instrument as a program.
// One thread, one poll loop: the TCP listener (loopback only), at most one TCP
// client, the head's pseudo-terminal, the instrument's pseudo-terminal, the
// control lines on standard input and a self-pipe for signals. Replies are
// queued with the time they are due, so delays and split blocks never stall
// the other links.

#include <arpa/inet.h>
#include <fcntl.h>
#include <netinet/in.h>
#include <netinet/tcp.h>
#include <poll.h>
#include <signal.h>
#include <sys/socket.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <cstdarg>
#include <cstdio>
#include <cstring>
#include <optional>
#include <span>
#include <sstream>
#include <string>
#include <vector>

#include "EventLog.h"
#include "HeadSimOptions.h"
#include "Pty.h"
#include "ReplyQueue.h"
#include "simulation/Scenario.h"
#include "simulation/SimulatedHead.h"
#include "simulation/SimulatedInstruments.h"

using headsim::Clock;
using headsim::machineLine;
using headsim::Settings;

namespace {

int signalPipe[2] = {-1, -1};

void onSignal(int) {
    const char c = 'x';
    [[maybe_unused]] auto n = write(signalPipe[1], &c, 1);
}

// One place replies go: the TCP client or the head's pseudo-terminal.
struct HeadLink {
    int fd = -1;
    bool isTcp = false;
    sondrel::CommandFramer framer;
    headsim::ReplyQueue queue;

    void reset() {
        framer.reset();
        queue.clear();
    }
};

class Simulator {
  public:
    Simulator(Settings settings, std::optional<sondrel::Scenario> scenario)
        : s_(std::move(settings)),
          head_(s_.head, s_.pipe, s_.faults),
          start_(Clock::now()),
          scenario_(std::move(scenario)) {
        if (scenario_) {
            crawlerRun_.emplace(*scenario_);
            if (s_.crawlerHeld) crawlerRun_->pause(0.0);
        }
    }

    int run();

  private:
    double seconds() const { return std::chrono::duration<double>(Clock::now() - start_).count(); }
    void info(const char* fmt, ...) __attribute__((format(printf, 2, 3)));

    bool setUp();
    void tearDown();
    bool openListener();
    void acceptClient();
    void dropClient(const char* why, const char* logWhy = "error");
    std::string linkName(const HeadLink& link) const;
    void readHead(HeadLink& link);
    void onCommand(HeadLink& link, const sondrel::CommandBuffer& command);
    void onMalformed(const sondrel::CommandFramer::Malformed& bad);
    void flushQueue(HeadLink& link, Clock::time_point now);
    void readOrientation();
    void orientationTick();
    void writeOrientation(const std::vector<std::uint8_t>& bytes);
    void readControl();
    void controlLine(const std::string& line);
    void syncSettings();
    std::string counters() const;
    double elapsedMs() const { return seconds() * 1000.0; }
    sondrel::CrawlerReading crawlerNow();

    Settings s_;
    sondrel::SimulatedHead head_;
    Clock::time_point start_;
    int listenFd_ = -1;
    HeadLink client_;
    HeadLink serial_;
    headsim::Pty headPty_;
    headsim::Pty orientationPty_;
    sondrel::SimulatedReach reach_;
    Clock::time_point nextOrientation_{};
    bool stdinOpen_ = true;
    std::string controlBuffer_;
    headsim::EventLog log_;
    bool quit_ = false;
    // skipped and replies are the framers' and the head's own.
    headsim::Counters counted_;
    std::optional<sondrel::Scenario> scenario_;
    std::optional<sondrel::CrawlerRun> crawlerRun_;
};

sondrel::CrawlerReading Simulator::crawlerNow() {
    const double t = seconds();
    sondrel::CrawlerReading reading = sondrel::crawlerAt(s_.crawler, t);
    if (crawlerRun_) reading.distanceM = crawlerRun_->chainageAt(t);
    return reading;
}

void Simulator::info(const char* fmt, ...) {
    if (s_.quiet) return;
    va_list args;
    va_start(args, fmt);
    std::vfprintf(stdout, fmt, args);
    va_end(args);
    std::fputc('\n', stdout);
    std::fflush(stdout);
}

std::string Simulator::counters() const {
    headsim::Counters c = counted_;
    c.skipped = client_.framer.skippedBytes() + serial_.framer.skippedBytes();
    c.replies = head_.replyCount();
    return headsim::countersLine(c);
}

bool Simulator::openListener() {
    listenFd_ = socket(AF_INET, SOCK_STREAM, 0);
    if (listenFd_ < 0) return false;
    const int one = 1;
    setsockopt(listenFd_, SOL_SOCKET, SO_REUSEADDR, &one, sizeof one);
    sockaddr_in addr{};
    addr.sin_family = AF_INET;
    addr.sin_port = htons(static_cast<std::uint16_t>(s_.port));
    addr.sin_addr.s_addr = htonl(INADDR_LOOPBACK);  // never any other interface
    if (bind(listenFd_, reinterpret_cast<sockaddr*>(&addr), sizeof addr) != 0 ||
        listen(listenFd_, 4) != 0) {
        std::fprintf(stderr, "sondrel-headsim: cannot listen on 127.0.0.1:%d: %s\n", s_.port,
                     std::strerror(errno));
        return false;
    }
    socklen_t len = sizeof addr;
    getsockname(listenFd_, reinterpret_cast<sockaddr*>(&addr), &len);
    headsim::setNonBlocking(listenFd_);
    machineLine("listening tcp 127.0.0.1 " + std::to_string(ntohs(addr.sin_port)));
    return true;
}

bool Simulator::setUp() {
    std::string error;
    if (!s_.logPath.empty() && !log_.open(s_.logPath, error)) {
        std::fprintf(stderr, "sondrel-headsim: %s\n", error.c_str());
        return false;
    }
    if (s_.tcp && !openListener()) return false;
    if (s_.pty) {
        if (!headPty_.open(error) ||
            (!s_.ptyLink.empty() && !headPty_.makeLink(s_.ptyLink, error))) {
            std::fprintf(stderr, "sondrel-headsim: %s\n", error.c_str());
            return false;
        }
        serial_.fd = headPty_.master;
        machineLine("sonar-pty " + headPty_.path);
    }
    if (s_.orientationPty) {
        if (!orientationPty_.open(error) ||
            (!s_.orientationLink.empty() && !orientationPty_.makeLink(s_.orientationLink, error))) {
            std::fprintf(stderr, "sondrel-headsim: %s\n", error.c_str());
            return false;
        }
        machineLine("orientation-pty " + orientationPty_.path);
        nextOrientation_ = Clock::now();
    }
    machineLine("ready");
    return true;
}

void Simulator::tearDown() {
    const std::string summary = counters();
    log_.line(summary);
    info("%s", summary.c_str());
    if (client_.fd >= 0) close(client_.fd);
    if (listenFd_ >= 0) close(listenFd_);
    headPty_.close();
    orientationPty_.close();
    log_.close();
}

std::string Simulator::linkName(const HeadLink& link) const {
    return link.isTcp ? "tcp#" + std::to_string(counted_.connections) : std::string("pty");
}

void Simulator::acceptClient() {
    sockaddr_in peer{};
    socklen_t len = sizeof peer;
    const int fd = accept(listenFd_, reinterpret_cast<sockaddr*>(&peer), &len);
    if (fd < 0) return;
    if (client_.fd >= 0) dropClient("replaced by a new connection", "replaced");
    const int one = 1;
    setsockopt(fd, IPPROTO_TCP, TCP_NODELAY, &one, sizeof one);
    headsim::setNonBlocking(fd);
    client_.fd = fd;
    client_.isTcp = true;
    client_.reset();
    head_.linkOpened();
    ++counted_.connections;
    info("connected %s:%u", inet_ntoa(peer.sin_addr), ntohs(peer.sin_port));
    log_.opened(linkName(client_), elapsedMs());
}

void Simulator::dropClient(const char* why, const char* logWhy) {
    if (client_.fd < 0) return;
    if (log_.enabled()) {
        // Replies still queued never reach the program.
        for (const std::string& note : client_.queue.pendingNotes())
            log_.unsent(note, linkName(client_));
        log_.closed(linkName(client_), elapsedMs(), logWhy);
    }
    close(client_.fd);
    client_.fd = -1;
    client_.reset();
    info("disconnected (%s)", why);
}

void Simulator::onCommand(HeadLink& link, const sondrel::CommandBuffer& command) {
    ++counted_.commands;
    log_.command(counted_.commands, elapsedMs(), command);
    const double t = seconds();
    if (crawlerRun_) head_.setSection(scenario_->sectionAt(crawlerRun_->chainageAt(t)));
    const sondrel::Reply reply = head_.answer(command, t);
    link.queue.add(reply, Clock::now(), link.isTcp,
                   log_.enabled() && !reply.silent ? headsim::replyNote(reply) : std::string());
    // Sent by the loop once the framer is done with this read: sending here
    // could drop the link, and its framer, while the framer is still at work.
}

void Simulator::onMalformed(const sondrel::CommandFramer::Malformed& bad) {
    ++counted_.malformed;
    log_.malformed(counted_.malformed, elapsedMs(), sondrel::commandFaultName(bad.fault),
                   bad.bytes);
}

void Simulator::readHead(HeadLink& link) {
    std::uint8_t buffer[4096];
    const ssize_t n = read(link.fd, buffer, sizeof buffer);
    if (n == 0 || (n < 0 && errno != EAGAIN && errno != EINTR)) {
        if (link.isTcp)
            dropClient(n == 0 ? "closed by the program" : std::strerror(errno),
                       n == 0 ? "by-program" : "error");
        return;
    }
    if (n < 0) return;
    link.framer.feed(
        std::span<const std::uint8_t>(buffer, static_cast<std::size_t>(n)),
        [&](const sondrel::CommandBuffer& c) { onCommand(link, c); },
        [&](const sondrel::CommandFramer::Malformed& m) { onMalformed(m); });
}

void Simulator::flushQueue(HeadLink& link, Clock::time_point now) {
    while (link.fd >= 0) {
        const auto bytes = link.queue.due(now);
        if (!bytes) return;
        const ssize_t n = link.isTcp ? send(link.fd, bytes->data(), bytes->size(), MSG_NOSIGNAL)
                                     : write(link.fd, bytes->data(), bytes->size());
        if (n < 0) {
            if (errno == EAGAIN || errno == EINTR) return;  // wait for POLLOUT
            if (link.isTcp)
                dropClient(std::strerror(errno));
            else
                link.queue.clear();
            return;
        }
        const headsim::ReplyQueue::Progress progress = link.queue.sent(static_cast<std::size_t>(n));
        if (!progress.pieceOut) return;
        if (progress.replyOut) {
            ++counted_.blocksSent;
            log_.sent(progress.note, elapsedMs(), linkName(link));
        }
        if (progress.closeAfter) {
            dropClient("closing after the planned number of replies", "by-head");
            return;
        }
    }
}

void Simulator::writeOrientation(const std::vector<std::uint8_t>& bytes) {
    // An instrument talks whether or not anyone listens; what the line cannot
    // take is lost, as on a real serial line.
    if (orientationPty_.master < 0 || bytes.empty()) return;
    if (write(orientationPty_.master, bytes.data(), bytes.size()) > 0) ++counted_.sentences;
}

void Simulator::readOrientation() {
    std::uint8_t buffer[256];
    const ssize_t n = read(orientationPty_.master, buffer, sizeof buffer);
    if (n <= 0) return;
    const bool measure =
        reach_.receive(std::span<const std::uint8_t>(buffer, static_cast<std::size_t>(n)));
    if (measure && s_.sentenceType == 3) {
        writeOrientation(sondrel::orientationSentence(3, crawlerNow()));
    }
}

void Simulator::orientationTick() {
    const auto period = std::chrono::duration_cast<Clock::duration>(
        std::chrono::duration<double>(1.0 / s_.orientationHz));
    nextOrientation_ += period;
    const Clock::time_point now = Clock::now();
    if (nextOrientation_ < now) nextOrientation_ = now + period;  // after a stall, no burst
    if (s_.sentenceType == 3 && !reach_.streaming()) return;
    writeOrientation(sondrel::orientationSentence(s_.sentenceType, crawlerNow()));
}

void Simulator::syncSettings() {
    head_.config().blockType = s_.head.blockType;
    head_.config().formatCode = s_.head.formatCode;
    head_.pipe() = s_.pipe;
    head_.faults() = s_.faults;
    if (crawlerRun_) {
        const double t = seconds();
        if (s_.crawler.speed != crawlerRun_->speed()) crawlerRun_->setSpeed(s_.crawler.speed, t);
        if (s_.crawlerHeld && !crawlerRun_->paused()) crawlerRun_->pause(t);
        if (!s_.crawlerHeld && crawlerRun_->paused()) crawlerRun_->resume(t);
    }
}

void Simulator::controlLine(const std::string& raw) {
    std::istringstream in(raw);
    std::string name, value, extra;
    in >> name;
    if (name.empty()) return;
    while (name.rfind("-", 0) == 0) name.erase(0, 1);
    const bool hasValue = static_cast<bool>(in >> value);
    if (in >> extra) {
        machineLine("error too many words: " + raw);
        return;
    }
    if (name == "quit" || name == "exit") {
        machineLine("ok quit");
        quit_ = true;
        return;
    }
    if (name == "stats") {
        machineLine(counters());
        return;
    }
    if (name == "help") {
        std::fputs(headsim::helpText().c_str(), stdout);
        std::fflush(stdout);
        return;
    }
    if (const std::string error = headsim::applyControl(s_, name, hasValue ? &value : nullptr);
        !error.empty()) {
        machineLine("error " + error);
        return;
    }
    syncSettings();
    if (name == "sentence") reach_.reset();
    machineLine("ok " + name + (hasValue ? " " + value : std::string()));
}

void Simulator::readControl() {
    char buffer[1024];
    const ssize_t n = read(STDIN_FILENO, buffer, sizeof buffer);
    if (n <= 0) {
        if (n == 0 || (errno != EAGAIN && errno != EINTR)) stdinOpen_ = false;  // keep serving
        return;
    }
    controlBuffer_.append(buffer, static_cast<std::size_t>(n));
    std::size_t eol;
    while ((eol = controlBuffer_.find('\n')) != std::string::npos) {
        std::string line = controlBuffer_.substr(0, eol);
        controlBuffer_.erase(0, eol + 1);
        if (!line.empty() && line.back() == '\r') line.pop_back();
        controlLine(line);
    }
    if (controlBuffer_.size() > 4096) controlBuffer_.clear();  // not a control line
}

int Simulator::run() {
    if (!setUp()) {
        tearDown();
        return 1;
    }
    enum Slot { kSignal, kStdin, kListen, kClient, kSerial, kOrientation, kSlots };
    while (!quit_) {
        pollfd fds[kSlots];
        const auto watch = [&](Slot slot, int fd, short events) {
            fds[slot] = pollfd{fd, events, 0};
        };
        watch(kSignal, signalPipe[0], POLLIN);
        watch(kStdin, stdinOpen_ ? STDIN_FILENO : -1, POLLIN);
        watch(kListen, listenFd_, POLLIN);
        watch(kClient, client_.fd,
              static_cast<short>(POLLIN | (!client_.queue.empty() ? POLLOUT : 0)));
        watch(kSerial, serial_.fd, POLLIN);
        watch(kOrientation, orientationPty_.master, POLLIN);

        // Sleep until the next reply or sentence is due; POLLOUT only matters
        // once a due chunk is actually waiting on a full socket.
        Clock::time_point now = Clock::now();
        std::optional<Clock::time_point> wake;
        const auto consider = [&](Clock::time_point t) {
            if (!wake || t < *wake) wake = t;
        };
        if (const auto due = client_.queue.nextDue()) {
            consider(*due);
            if (*due > now) fds[kClient].events = POLLIN;
        }
        if (const auto due = serial_.queue.nextDue()) {
            consider(*due);
            if (*due <= now) fds[kSerial].events |= POLLOUT;
        }
        if (orientationPty_.master >= 0) consider(nextOrientation_);
        int timeout = -1;
        if (wake) {
            const auto ms = std::chrono::ceil<std::chrono::milliseconds>(*wake - now).count();
            timeout = static_cast<int>(std::clamp<long long>(ms, 0, 60000));
        }

        const int ready = poll(fds, kSlots, timeout);
        if (ready < 0 && errno != EINTR) {
            std::fprintf(stderr, "sondrel-headsim: poll: %s\n", std::strerror(errno));
            break;
        }
        if (ready > 0 && (fds[kSignal].revents & POLLIN)) break;
        if (ready > 0) {
            if (fds[kStdin].revents & (POLLIN | POLLHUP | POLLERR | POLLNVAL)) readControl();
            if (fds[kListen].revents & POLLIN) acceptClient();
            if (client_.fd >= 0 && fds[kClient].fd == client_.fd &&
                (fds[kClient].revents & (POLLIN | POLLHUP | POLLERR))) {
                readHead(client_);
            }
            if (fds[kSerial].revents & POLLIN) readHead(serial_);
            if (fds[kOrientation].revents & POLLIN) readOrientation();
        }
        now = Clock::now();
        flushQueue(client_, now);
        flushQueue(serial_, now);
        if (orientationPty_.master >= 0 && nextOrientation_ <= now) orientationTick();
    }
    tearDown();
    return 0;
}

int writeTruth(const sondrel::Scenario& scenario, double step, const std::string& path) {
    const std::string text = sondrel::truthCsv(scenario, step);
    std::FILE* out = std::fopen(path.c_str(), "wb");
    const bool written = out && std::fwrite(text.data(), 1, text.size(), out) == text.size();
    const bool closed = out && std::fclose(out) == 0;
    if (!written || !closed) {
        std::fprintf(stderr, "sondrel-headsim: cannot write %s: %s\n", path.c_str(),
                     std::strerror(errno));
        if (out) std::remove(path.c_str());
        return 1;
    }
    return 0;
}

}  // namespace

int main(int argc, char** argv) {
    const headsim::CommandLine line =
        headsim::parseCommandLine(std::vector<std::string>(argv + 1, argv + argc));
    if (!line.error.empty()) {
        std::fprintf(stderr, "sondrel-headsim: %s (see --help)\n", line.error.c_str());
        return 2;
    }
    if (line.help) {
        std::fputs(headsim::helpText().c_str(), stdout);
        return 0;
    }
    if (line.version) {
        std::printf("sondrel-headsim %s\n", SONDREL_VERSION);
        return 0;
    }
    Settings settings = line.settings;
    std::optional<sondrel::Scenario> scenario;
    if (!settings.scenarioPath.empty()) {
        sondrel::ScenarioParse parsed = sondrel::loadScenario(settings.scenarioPath);
        if (!parsed.scenario) {
            std::fprintf(stderr, "sondrel-headsim: %s\n", parsed.error.c_str());
            return 2;
        }
        scenario = std::move(parsed.scenario);
        // The scenario's head replaces the options' at start; control lines
        // change them later as without one.
        settings.pipe.noise = scenario->noise;
        settings.pipe.dropouts = scenario->dropouts;
        settings.pipe.offsetX = scenario->offsetX;
        settings.pipe.offsetY = scenario->offsetY;
        settings.pipe.wander = scenario->wander;
        settings.crawler.speed = scenario->speed;
    }
    if (!settings.truthPath.empty()) {
        if (!scenario) {
            std::fprintf(stderr, "sondrel-headsim: --truth needs --scenario (see --help)\n");
            return 2;
        }
        return writeTruth(*scenario, settings.truthStep, settings.truthPath);
    }
    if (!settings.tcp && !settings.pty && !settings.orientationPty) {
        std::fprintf(
            stderr, "sondrel-headsim: nothing to serve (no TCP, no --pty, no --orientation-pty)\n");
        return 2;
    }

    // Started with standard input closed, the first socket would take its place
    // and be mistaken for the control channel.
    if (fcntl(STDIN_FILENO, F_GETFD) < 0) open("/dev/null", O_RDONLY);
    if (pipe(signalPipe) != 0) return 1;
    headsim::setNonBlocking(signalPipe[1]);
    struct sigaction sa {};
    sa.sa_handler = onSignal;
    sigemptyset(&sa.sa_mask);
    sigaction(SIGINT, &sa, nullptr);
    sigaction(SIGTERM, &sa, nullptr);
    signal(SIGPIPE, SIG_IGN);

    Simulator simulator(settings, std::move(scenario));
    return simulator.run();
}
