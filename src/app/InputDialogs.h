#pragma once
// The rules of the small dialogs where the operator types one value: the head's
// IP address, the sound velocity, the reference circle's diameter and the
// profile minimum range. The dialogs only show these texts and pass clicks and
// typed text here.

#include <optional>
#include <string>
#include <string_view>

namespace sondrel {

// ---- IP address
inline constexpr std::string_view kIpAddressTitle = "Change IP Address";
inline constexpr std::string_view kIpAddressLabel = "IP Address:";
inline constexpr std::string_view kIpAddressMessage =
    "Please enter an IP address as four numbers from 0 to 255 separated by dots, "
    "for example 192.168.0.5";

// What the address field shows on opening: the four numbers of an address
// longer than six characters, otherwise nothing.
std::string ipAddressFieldText(std::string_view address);
// A literal IPv4 address ("10.0.0.7", blanks around it allowed) in the form the
// program stores it; nothing for any other text, host names included.
std::optional<std::string> literalIpv4(std::string_view text);

// ---- values typed with an up-down control beside them
// Each dialog's limits, its spin, its field format and its refusal message.
struct ValueDialogRule {
    std::string_view title;
    std::string_view label;
    std::string_view unit;
    double minimum;  // what the up-down control steps within
    double maximum;
    double step;        // one click
    double spinOrigin;  // spin position = (value - origin) / step
    int spinMinimum;
    int spinMaximum;
    int decimals;           // of the field
    std::size_t textLimit;  // characters of the field that count
    double acceptMinimum;   // what OK takes
    double acceptMaximum;
    std::string_view message;            // when OK is refused
    std::optional<double> defaultValue;  // the "Default" button, when the dialog has one
};

extern const ValueDialogRule kSoundVelocityDialog;
extern const ValueDialogRule kCircleDiameterDialog;
extern const ValueDialogRule kMinimumRangeDialog;

std::string valueFieldText(const ValueDialogRule& rule, double value);
int valueSpinPosition(const ValueDialogRule& rule, double value);
// One click of the up-down control: nothing at the limit it points past.
double steppedValue(const ValueDialogRule& rule, double value, int step);

// What every value dialog and the key-in window read from their field: the
// first `limit` characters, blanks around the number allowed, as one decimal
// number. Nothing when they hold anything else (letters, nothing at all, a
// number followed by more), so a slip on the keyboard never becomes 0.
std::optional<double> typedNumber(std::string_view text, std::size_t limit);

// OK pressed with the field's text.
struct ValueEntry {
    bool accepted = false;  // within the limits
    double value = 0.0;     // what the dialog now holds
};
// The field is read as far as the rule's limit (typedNumber). Outside the
// limits, and when the text is no number, the dialog keeps its value.
ValueEntry enteredValue(const ValueDialogRule& rule, std::string_view text, double current);
// The circle diameter dialog closes whatever is typed: a diameter above its
// limit is cut to it, a negative one or a text that is no number keeps the
// diameter (the message is shown in each case).
ValueEntry enteredCircleDiameter(std::string_view text, double current);

}  // namespace sondrel
