#include "app/KeyIn.h"

#include "acquisition/SondrelDoc.h"
#include "common/IniFile.h"

namespace sondrel {

void prepareKeyIn(KeyInState& state, int kind, const CSondrelDoc& doc) {
    if (kind == kKeyInGain) {
        state.prompt = kKeyInGainPrompt;
        state.kind = kKeyInGain;
        return;
    }
    if (doc.unitsFeet == 0) state.prompt = kKeyInRangePrompt;
    state.kind = kKeyInRange;
}

void commitKeyIn(KeyInState& state, CSondrelDoc& doc, std::string_view text) {
    if (state.kind == kKeyInRange) {
        if (!text.empty()) state.realValue = parseLeadingReal(text.substr(0, kKeyInTextLimit));
        doc.keyInRange(state.realValue);
    } else {
        if (!text.empty()) state.integerValue = parseLeadingInt(text.substr(0, kKeyInTextLimit));
        doc.keyInGain(state.integerValue);
    }
}

}  // namespace sondrel
