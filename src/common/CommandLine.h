#pragma once
// The command lines of the tools are read through one table of options.
// An entry says everything about its option once: its names, the value it
// takes, its line in --help, and how that value is checked and stored. The
// parser, the help list and the error texts are derived from the table, so
// every tool refuses alike ("--count needs a whole number above 0",
// "unknown option --bogus") and a new option is one more entry.
//
//   bool quiet = false;
//   std::optional<long long> count;
//   const cli::OptionTable table = {
//       {"-q, --quiet", "", "no progress bar", cli::flag(quiet)},
//       {"--count", "N", "stop after N pings", cli::whole(count, 1, kMost)},
//   };
//   const std::string error = cli::parse(table, args);
//
// Rules: "--name value" and "--name=value" for long names, "-o value" for
// short ones; the last of a repeated option wins; "--" ends the options; "-"
// and any word without a leading dash is an operand. The first mistake ends the
// parse. An option that ends the line (help, version) leaves the rest unread.

#include <cstddef>
#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace sondrel::cli {

// Stores a value's text where the program keeps it; false refuses the text,
// which leaves the target as it was.
using Store = std::function<bool(const std::string& text)>;

struct Value {
    bool required = false;  // false for a switch, whose store is handed ""
    Store store;
    // Completes "<option> needs ..." when the value is missing or refused.
    std::string needs;
    bool endsLine = false;
};

// Switches.
Value flag(bool& target);
Value action(std::function<void()> what);
// Sets target and stops reading the line: help, version.
Value stop(bool& target);

// Texts. `needs` says what is expected: "a file name".
Value text(std::string& target, std::string needs);
Value text(std::function<void(const std::string&)> set, std::string needs);
Value nonEmptyText(std::string& target, std::string needs);
Value nonEmptyText(std::optional<std::string>& target, std::string needs);
// A text the store checks itself, as a choice of letters.
Value checked(Store store, std::string needs);

// Numbers in [lo, hi] as NumberText reads them. Without `needs` the range is
// said: "a whole number from 0 to 3", "a number from 0.01 to 20".
Value wholeNumber(long long lo, long long hi, std::function<void(long long)> set,
                  std::string needs = {});
Value realNumber(double lo, double hi, std::function<void(double)> set, std::string needs = {});

namespace detail {
template <typename T>
struct Element {
    using type = T;
};
template <typename T>
struct Element<std::optional<T>> {
    using type = T;
};
}  // namespace detail

// Into a number or an optional number of any type.
template <typename T>
Value whole(T& target, long long lo, long long hi, std::string needs = {}) {
    return wholeNumber(
        lo, hi,
        [&target](long long v) { target = static_cast<typename detail::Element<T>::type>(v); },
        std::move(needs));
}
template <typename T>
Value real(T& target, double lo, double hi, std::string needs = {}) {
    return realNumber(
        lo, hi, [&target](double v) { target = static_cast<typename detail::Element<T>::type>(v); },
        std::move(needs));
}

// Whether an option can be changed once the program runs (by a program that
// reads options at run time as well, as the simulated head does).
enum class Scope { Anytime, StartOnly };

struct Option {
    // `names` as the help lists them: "-o, --output".
    Option(std::string_view names, std::string valueName, std::string help, Value value,
           Scope scope = Scope::Anytime);

    std::vector<std::string> names;  // as written: "-o", "--output"
    std::string valueName;           // in the help: "FILE"
    // Its text in --help, lines broken by '\n' unless the list wraps; empty
    // leaves the option out of the list (the usage names it in its own words).
    std::string help;
    Value value;
    Scope scope;
};

using OptionTable = std::vector<Option>;

// Receives each operand in order; returns an error text, empty to accept it.
// Without one, an operand is refused as an unexpected argument.
using OperandHandler = std::function<std::string(const std::string& operand)>;

// Reads args (without the program's name); returns the first mistake, empty
// when the whole line was understood.
std::string parse(const OptionTable& table, const std::vector<std::string>& args,
                  const OperandHandler& operand = {});

// One option changed at run time by the name a person typed, without its
// dashes ("split" for --split), and its value if one was given. Options of
// Scope::StartOnly are refused. Returns the error text, empty when applied.
std::string applyLater(const OptionTable& table, std::string_view name, const std::string* value);

struct HelpLayout {
    std::size_t column = 22;  // where each option's help text starts
    // Wrap the help texts to lines of this length; 0 keeps their own lines.
    std::size_t width = 0;
    // Put "* " in the two columns before the text of options that can be
    // changed at run time.
    bool markRunTime = false;
};

// The "  -o, --output FILE   help" lines of every listed option, in table order.
std::string optionList(const OptionTable& table, const HelpLayout& layout);

}  // namespace sondrel::cli
