#include "app/KeyIn.h"

#include <algorithm>
#include <cmath>
#include <optional>

#include "acquisition/SondrelDoc.h"
#include "app/InputDialogs.h"

namespace sondrel {

void prepareKeyIn(KeyInState& state, int kind, const CSondrelDoc& doc) {
    if (kind == kKeyInGain) {
        state.prompt = kKeyInGainPrompt;
        state.kind = kKeyInGain;
        return;
    }
    if (doc.display.unitsFeet == 0) state.prompt = kKeyInRangePrompt;
    state.kind = kKeyInRange;
}

bool commitKeyIn(KeyInState& state, CSondrelDoc& doc, std::string_view text) {
    std::optional<double> typed;
    if (!text.empty()) {
        typed = typedNumber(text, kKeyInTextLimit);
        if (!typed) return false;
    }
    if (state.kind == kKeyInRange) {
        if (typed) state.realValue = *typed;
        doc.head.keyInRange(state.realValue);
    } else {
        // Four characters hold at most 9e99: bounded before it becomes an int.
        if (typed) state.integerValue = static_cast<int>(std::trunc(std::clamp(*typed, -1e6, 1e6)));
        doc.head.keyInGain(state.integerValue);
    }
    return true;
}

std::string_view keyInRefusal(const KeyInState& state) {
    return state.kind == kKeyInRange ? kKeyInRangeRefused : kKeyInGainRefused;
}

}  // namespace sondrel
