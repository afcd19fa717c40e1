#pragma once
// The key-in window's rules: range or gain typed from the keyboard. The window
// only shows the prompt and hands the typed text to commitKeyIn.

#include <string>
#include <string_view>

#include "acquisition/SettingDescriptors.h"

namespace sondrel {

class CSondrelDoc;

inline constexpr std::string_view kKeyInInitialPrompt = "Key In ";
inline constexpr std::string_view kKeyInRangePrompt = "Range (0.25, 0.5, 0.75, 1,..,6)";
inline constexpr std::string_view kKeyInGainPrompt = "Key In Gain: (0-20dB)";
// Only this many characters of the typed text count.
inline constexpr std::size_t kKeyInTextLimit = 4;
// The gain's texts name its range.
static_assert(setting::kGain.minimum == 0 && setting::kGain.maximum == 20);
// What the window says to a text that is no number, by kind.
inline constexpr std::string_view kKeyInRangeRefused =
    "The range must be a number of metres, for example 1.5";
inline constexpr std::string_view kKeyInGainRefused =
    "The gain must be a number of dB from 0 to 20";

enum KeyInKind : int { kKeyInRange = 0, kKeyInGain = 1 };

// The window's state; it lives as long as the window, so an empty entry reuses
// the value typed before.
struct KeyInState {
    std::string prompt{kKeyInInitialPrompt};
    int kind = kKeyInRange;
    int integerValue = -10;
    double realValue = -10.0;
};

// Key-in range and gain (and the "r"/"g" keys of the view): set the prompt and
// the kind. In feet the range prompt keeps whatever it said before.
void prepareKeyIn(KeyInState& state, int kind, const CSondrelDoc& doc);

// OK in the key-in window: a range (negative ignored) or a gain (negative or
// unchanged ignored, at most 20; a fraction is cut off) goes into the document
// and the command buffer. Only the first kKeyInTextLimit characters count, read
// as the value dialogs read theirs; an empty text takes the value typed before.
// Nothing else happens: the next poll carries the new bytes. False, with
// nothing changed, when the text is no number.
bool commitKeyIn(KeyInState& state, CSondrelDoc& doc, std::string_view text);
// The refusal of commitKeyIn for the window's kind.
std::string_view keyInRefusal(const KeyInState& state);

}  // namespace sondrel
