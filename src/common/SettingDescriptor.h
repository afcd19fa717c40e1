#pragma once
// A setting described once: its key in the settings file, its unit, the range
// it is held in, one step of a control, the decimals it is shown and saved
// with, and its default. The document's setters, the settings file, the
// panels' spins, the value dialogs and key-in all read the same entry, so a
// limit or a unit is never written twice.

#include <algorithm>
#include <string_view>

namespace sondrel {

struct SettingDescriptor {
    std::string_view key;
    std::string_view unit;
    double minimum = 0.0;
    double maximum = 0.0;
    double step = 1.0;
    int decimals = 0;
    double defaultValue = 0.0;

    constexpr bool contains(double value) const { return value >= minimum && value <= maximum; }
    constexpr double clamped(double value) const { return std::clamp(value, minimum, maximum); }
    constexpr int clamped(int value) const {
        return std::clamp(value, static_cast<int>(minimum), static_cast<int>(maximum));
    }
    // One step of a spin or key, within the range.
    constexpr int stepped(int value, int steps) const {
        return clamped(value + steps * static_cast<int>(step));
    }
    // The whole number of steps the range holds, for a spin counting them.
    constexpr int spinSteps() const { return static_cast<int>((maximum - minimum) / step + 0.5); }
};

}  // namespace sondrel
