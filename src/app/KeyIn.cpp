#include "app/KeyIn.h"

#include <algorithm>
#include <cctype>
#include <charconv>
#include <climits>

#include "acquisition/SondrelDoc.h"

namespace sondrel {

namespace {

// Skips leading blanks and a sign; returns the rest and whether it was negative.
std::string_view afterSign(std::string_view text, bool& negative) {
    std::size_t i = 0;
    while (i < text.size() && std::isspace(static_cast<unsigned char>(text[i]))) ++i;
    negative = false;
    if (i < text.size() && (text[i] == '+' || text[i] == '-')) {
        negative = text[i] == '-';
        ++i;
    }
    return text.substr(i);
}

bool startsLikeNumber(std::string_view rest) {
    return !rest.empty() && (std::isdigit(static_cast<unsigned char>(rest[0])) || rest[0] == '.');
}

}  // namespace

// std::from_chars rather than strtod: the program runs with the user's locale,
// and a decimal comma must not change what a typed "0.25" means.
double leadingNumber(std::string_view text, std::size_t limit) {
    bool negative = false;
    const std::string_view rest = afterSign(text.substr(0, limit), negative);
    if (!startsLikeNumber(rest)) return 0.0;
    double value = 0.0;
    const auto result = std::from_chars(rest.data(), rest.data() + rest.size(), value);
    if (result.ec != std::errc{}) return 0.0;
    return negative ? -value : value;
}

int leadingInteger(std::string_view text, std::size_t limit) {
    bool negative = false;
    const std::string_view rest = afterSign(text.substr(0, limit), negative);
    long long value = 0;
    for (const char c : rest) {
        if (!std::isdigit(static_cast<unsigned char>(c))) break;
        value = std::min(value * 10 + (c - '0'), static_cast<long long>(INT_MAX) + 1);
    }
    if (negative) value = -value;
    return static_cast<int>(std::clamp<long long>(value, INT_MIN, INT_MAX));
}

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
        if (!text.empty()) state.realValue = leadingNumber(text, kKeyInTextLimit);
        doc.keyInRange(state.realValue);
    } else {
        if (!text.empty()) state.integerValue = leadingInteger(text, kKeyInTextLimit);
        doc.keyInGain(state.integerValue);
    }
}

}  // namespace sondrel
