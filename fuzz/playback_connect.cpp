// A data file played, then "Connect to Sonar Head" with any settings file: the
// path by which a played record once silenced the head until restart.
//
// Input: two bytes giving the length N of the played file (big-endian), N
// bytes of records, and the rest as the text of the settings file. The
// settings choose the head; an Ethernet head gets a block back after its first
// command, a serial head is polled for three seconds.
//
// Checks: every command that goes out opens with 0xFE, closes with 0xFD and
// holds neither in between, and the bytes only playback changes are back at
// their real-time values.

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <memory>
#include <span>
#include <string_view>

#include "FuzzChecks.h"
#include "acquisition/AcquisitionCycle.h"
#include "common/IniFile.h"
#include "recording/RecordFormat.h"
#include "recording/SettingsFile.h"
#include "support/CycleFakes.h"
#include "support/VirtualTimerHost.h"

namespace {

using namespace sondrel;

struct SettingsText : SettingsStore {
    IniFile ini;
    void load(CSondrelDoc& doc) override { loadSettings(doc, ini); }
    void save(CSondrelDoc&) override {}
};

void checkSent(const std::uint8_t* bytes, std::size_t size, const char* when) {
    fuzz::check(size == kCommandLength, "a command of the wrong length", when);
    CommandBuffer command;
    std::copy_n(bytes, kCommandLength, command.begin());
    fuzz::checkSendable(command, when);
    const CommandBuffer initial = initialCommand();
    for (const std::size_t b : {cmd::kReserved4, cmd::kFixed9, cmd::kDataFormat, cmd::kFixed22})
        fuzz::check(command[b] == initial[b], "a played byte is still sent", when);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    if (size < 2) return 0;
    const std::size_t played =
        std::min<std::size_t>((std::size_t{data[0]} << 8) | data[1], size - 2);
    const std::span<const std::uint8_t> file(data + 2, played);
    const std::string_view text(reinterpret_cast<const char*>(data + 2 + played),
                                size - 2 - played);

    auto doc = std::make_unique<CSondrelDoc>();
    testing::VirtualClock clock;
    testing::VirtualTimerHost timers{clock};
    AcquisitionCycle cycle{*doc, timers, clock};
    testing::FakeEthernetLink ethernet;
    testing::FakeSerialLink serial;
    SettingsText settings;
    settings.ini.parse(text);
    serial.loop = &timers;
    serial.events = &cycle;
    timers.setDispatcher([&cycle](int id) { cycle.onTimer(id); });
    cycle.setEthernetLink(&ethernet);
    cycle.setSerialLink(&serial);
    cycle.setSettingsStore(&settings);

    doc->flags.playbackActive = true;
    std::size_t at = 0;
    while (file.size() - at >= kRecordHeaderSize) {
        const std::span<const std::uint8_t> rest = file.subspan(at);
        const std::int64_t recordSize = recordSizeFor(rest.first<kRecordHeaderSize>());
        const ReadStatus status = decodeRecord(*doc, rest);
        if (status == ReadStatus::EndOfFile || status == ReadStatus::Unsizable) break;
        at += static_cast<std::size_t>(recordSize);
    }

    cycle.connectToHead();
    if (doc->head.sonarType == kTypeQ) {
        cycle.onSocketConnected(0);
        timers.runPending();
        // The head answers with the range code it was sent.
        const std::uint8_t range = ethernet.sent.empty() ? 10 : ethernet.sent.back()[cmd::kRange];
        const testing::ByteVector block = testing::makeBlock("QSZ", range);
        cycle.onSocketBytes(block.data(), block.size());
        timers.runPending();
        fuzz::check(ethernet.sent.size() == 2, "the Ethernet head was not polled twice");
        for (const auto& sent : ethernet.sent) checkSent(sent.data(), sent.size(), "on Ethernet");
    } else {
        for (int i = 0; i < 3; ++i) serial.replies.push_back(testing::makeBlock("QSZ", 10, 0x11));
        timers.advanceMs(3000);
        fuzz::check(!serial.polls.empty(), "the serial head was not polled");
        for (const auto& poll : serial.polls)
            checkSent(poll.command.data(), poll.command.size(), "on the serial line");
    }
    cycle.shutdown();
    return 0;
}
