#include "app/InputDialogs.h"

#include <algorithm>
#include <cmath>

#include <deque>
#include <string>

#include "acquisition/SettingDescriptors.h"
#include "common/IniFile.h"
#include "common/NumberText.h"
#include "display/TextFormat.h"

namespace sondrel {

namespace {

// A dialog that steps and accepts exactly its setting's range, and says so
// when it refuses a value.
ValueDialogRule ruleFor(const SettingDescriptor& setting, std::string_view title,
                        std::string_view label, std::size_t textLimit) {
    // The rules live as long as the program; a deque keeps each text in place.
    static std::deque<std::string> messages;
    messages.push_back(formatted("Wrong Input!!! Make sure the input is between %.1f and %.1f   ",
                                 setting.minimum, setting.maximum));
    return {
        .title = title,
        .label = label,
        .unit = setting.unit,
        .minimum = setting.minimum,
        .maximum = setting.maximum,
        .step = setting.step,
        .spinOrigin = setting.minimum,
        .spinMinimum = 0,
        .spinMaximum = setting.spinSteps(),
        .decimals = setting.decimals,
        .textLimit = textLimit,
        .acceptMinimum = setting.minimum,
        .acceptMaximum = setting.maximum,
        .message = messages.back(),
        .defaultValue = setting.defaultValue,
    };
}

}  // namespace

const ValueDialogRule kSoundVelocityDialog =
    ruleFor(setting::kSoundVelocity, "Input Sound Velocity", "Sound Velocity:", 7);

const ValueDialogRule kCircleDiameterDialog = {
    .title = "Input Circle Diameter",
    .label = "Circle Diameter:",
    .unit = "m",
    .minimum = 0.1,
    .maximum = 12.0,
    .step = 0.01,
    .spinOrigin = 0.0,
    .spinMinimum = 10,
    .spinMaximum = 1200,
    .decimals = 2,
    .textLimit = 4,
    .acceptMinimum = 0.0,
    .acceptMaximum = 12.0,
    .message = "Wrong Input!!! Make sure the input is between 0.0 and 12.0   ",
    .defaultValue = std::nullopt,
};

const ValueDialogRule kMinimumRangeDialog =
    ruleFor(setting::kProfileMinRange, "Set Profile Minimum Range:", "Profile Minimum Range:", 4);

namespace {

bool isDigit(char c) {
    return c >= '0' && c <= '9';
}

std::string_view trimmed(std::string_view text) {
    while (!text.empty() && (text.front() == ' ' || text.front() == '\t')) text.remove_prefix(1);
    while (!text.empty() && (text.back() == ' ' || text.back() == '\t')) text.remove_suffix(1);
    return text;
}

}  // namespace

std::string ipAddressFieldText(std::string_view address) {
    if (address.size() <= 6) return {};
    int fields[4] = {0, 0, 0, 0};
    for (int i = 0; i < 4 && !address.empty(); ++i) {
        const std::size_t dot = address.find('.');
        fields[i] = parseLeadingInt(address.substr(0, dot));
        address = dot == std::string_view::npos ? std::string_view{} : address.substr(dot + 1);
    }
    return formatted("%d.%d.%d.%d", fields[0], fields[1], fields[2], fields[3]);
}

std::optional<std::string> literalIpv4(std::string_view text) {
    text = trimmed(text);
    int fields[4];
    for (int i = 0; i < 4; ++i) {
        std::size_t digits = 0;
        int value = 0;
        while (digits < text.size() && isDigit(text[digits])) {
            value = value * 10 + (text[digits] - '0');
            if (++digits > 3) return std::nullopt;
        }
        if (digits == 0 || value > 255) return std::nullopt;
        fields[i] = value;
        text.remove_prefix(digits);
        if (i < 3) {
            if (text.empty() || text.front() != '.') return std::nullopt;
            text.remove_prefix(1);
        }
    }
    if (!text.empty()) return std::nullopt;
    return formatted("%d.%d.%d.%d", fields[0], fields[1], fields[2], fields[3]);
}

std::string valueFieldText(const ValueDialogRule& rule, double value) {
    return formatFixed(value, rule.decimals);
}

int valueSpinPosition(const ValueDialogRule& rule, double value) {
    const long position = std::lround((value - rule.spinOrigin) / rule.step);
    return static_cast<int>(std::clamp<long>(position, rule.spinMinimum, rule.spinMaximum));
}

double steppedValue(const ValueDialogRule& rule, double value, int step) {
    if ((step > 0 && value >= rule.maximum) || (step < 0 && value <= rule.minimum)) return value;
    const double next = value + (step > 0 ? rule.step : -rule.step);
    // Kept on the step's grid so that repeated clicks land on the limits exactly.
    const double onGrid = std::round(next / rule.step) * rule.step;
    return std::clamp(onGrid, rule.minimum, rule.maximum);
}

std::optional<double> typedNumber(std::string_view text, std::size_t limit) {
    text = trimmed(text.substr(0, limit));
    // A plus sign is as good as none; a second sign is not a number.
    if (!text.empty() && text.front() == '+') {
        text.remove_prefix(1);
        if (!text.empty() && (text.front() == '+' || text.front() == '-')) return std::nullopt;
    }
    return parseRealNumber(text);
}

ValueEntry enteredValue(const ValueDialogRule& rule, std::string_view text, double current) {
    const std::optional<double> typed = typedNumber(text, rule.textLimit);
    if (typed && *typed >= rule.acceptMinimum && *typed <= rule.acceptMaximum)
        return {true, *typed};
    return {false, current};
}

ValueEntry enteredCircleDiameter(std::string_view text, double current) {
    const ValueDialogRule& rule = kCircleDiameterDialog;
    ValueEntry entry = enteredValue(rule, text, current);
    const std::optional<double> typed = typedNumber(text, rule.textLimit);
    if (!entry.accepted && typed && *typed > rule.acceptMaximum) entry.value = rule.acceptMaximum;
    return entry;
}

}  // namespace sondrel
