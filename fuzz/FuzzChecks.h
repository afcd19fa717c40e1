#pragma once
// What every fuzz target checks besides memory safety: the rules that keep
// outside bytes from reaching the head, the screen or a file in a harmful form.
// A broken rule ends the run with a message, so libFuzzer keeps the input.

#include <cstdio>
#include <cstdlib>
#include <memory>
#include <string_view>

#include "acquisition/Orientation.h"
#include "acquisition/SondrelDoc.h"
#include "common/PrintableText.h"
#include "display/StatusTexts.h"
#include "display/ViewState.h"

namespace sondrel::fuzz {

[[noreturn]] inline void broken(const char* rule, std::string_view detail = {}) {
    std::fprintf(stderr, "broken rule: %s %.*s\n", rule, static_cast<int>(detail.size()),
                 detail.data());
    std::abort();
}

inline void check(bool holds, const char* rule, std::string_view detail = {}) {
    if (!holds) broken(rule, detail);
}

// Neither 0xFE nor 0xFD between the first and the last byte.
inline void checkSendable(const CommandBuffer& command, const char* when) {
    check(isSendable(command), "the command holds a framing byte inside", when);
}

inline bool showsNoNumber(std::string_view text) {
    return text.find("nan") != std::string_view::npos || text.find("inf") != std::string_view::npos;
}

inline bool holdsControlCharacter(std::string_view text) {
    for (const char c : text)
        if (isControlCharacter(c)) return true;
    return false;
}

// Whatever was read, the orientation is a number a record can hold, and the
// status bar shows neither "nan" nor "inf" nor a control character.
inline void checkShownState(const CSondrelDoc& doc) {
    const OrientationReadings& shown = doc.orientationOnShow();
    check(isRecordableReading(shown.pitchDeg), "pitch is no reading");
    check(isRecordableReading(shown.rollDeg), "roll is no reading");
    check(isRecordableReading(shown.distanceM), "distance is no reading");
    const StatusPaneTexts panes = statusPaneTexts(doc, CursorReadout{});
    for (const std::string* number : {&panes.pitch, &panes.roll, &panes.distance})
        check(!showsNoNumber(*number), "a status pane shows no number", *number);
    // The date and time are the record's own texts: any letters, but no control characters.
    for (const std::string* text : {&panes.pitch, &panes.roll, &panes.distance, &panes.dateTime})
        check(!holdsControlCharacter(*text), "a status pane holds a control character", *text);
}

// A document as a fresh one is, built in storage kept for the whole run: the
// document is large, and allocating it anew for each input spends the run on
// page faults rather than on the input.
inline CSondrelDoc& freshDocument(int slot = 0) {
    constexpr int kSlots = 2;
    alignas(CSondrelDoc) static unsigned char storage[kSlots][sizeof(CSondrelDoc)];
    static bool built[kSlots] = {};
    auto* doc = reinterpret_cast<CSondrelDoc*>(storage[slot]);
    if (built[slot]) std::destroy_at(doc);
    built[slot] = true;
    return *std::construct_at(doc);
}

}  // namespace sondrel::fuzz
