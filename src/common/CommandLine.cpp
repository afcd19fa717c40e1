#include "common/CommandLine.h"

#include <algorithm>
#include <charconv>
#include <sstream>
#include <utility>

#include "common/NumberText.h"

namespace sondrel::cli {

namespace {

std::string fixedText(double v) {
    char buffer[64];
    const auto [end, error] =
        std::to_chars(buffer, buffer + sizeof buffer, v, std::chars_format::fixed);
    return error == std::errc() ? std::string(buffer, end) : std::to_string(v);
}

std::string_view withoutDashes(std::string_view name) {
    while (name.starts_with('-')) name.remove_prefix(1);
    return name;
}

const Option* findWritten(const OptionTable& table, std::string_view name) {
    for (const Option& o : table)
        for (const std::string& n : o.names)
            if (n == name) return &o;
    return nullptr;
}

const Option* findTyped(const OptionTable& table, std::string_view name) {
    for (const Option& o : table)
        for (const std::string& n : o.names)
            if (withoutDashes(n) == name) return &o;
    return nullptr;
}

// The one place the texts of a refused option are made, `name` as the person
// wrote it.
std::string take(const Option& o, std::string_view name, const std::string* value) {
    const Value& v = o.value;
    if (!v.required) {
        if (value) return std::string(name) + " takes no value";
        v.store(std::string());
        return {};
    }
    if (!value || !v.store(*value)) return std::string(name) + " needs " + v.needs;
    return {};
}

}  // namespace

Value flag(bool& target) {
    return action([&target] { target = true; });
}

Value action(std::function<void()> what) {
    return Value{false,
                 [what = std::move(what)](const std::string&) {
                     what();
                     return true;
                 },
                 {},
                 false};
}

Value stop(bool& target) {
    Value v = flag(target);
    v.endsLine = true;
    return v;
}

Value text(std::string& target, std::string needs) {
    return checked(
        [&target](const std::string& t) {
            target = t;
            return true;
        },
        std::move(needs));
}

Value text(std::function<void(const std::string&)> set, std::string needs) {
    return checked(
        [set = std::move(set)](const std::string& t) {
            set(t);
            return true;
        },
        std::move(needs));
}

Value nonEmptyText(std::string& target, std::string needs) {
    return checked(
        [&target](const std::string& t) {
            if (t.empty()) return false;
            target = t;
            return true;
        },
        std::move(needs));
}

Value nonEmptyText(std::optional<std::string>& target, std::string needs) {
    return checked(
        [&target](const std::string& t) {
            if (t.empty()) return false;
            target = t;
            return true;
        },
        std::move(needs));
}

Value checked(Store store, std::string needs) {
    return Value{true, std::move(store), std::move(needs), false};
}

Value wholeNumber(long long lo, long long hi, std::function<void(long long)> set,
                  std::string needs) {
    if (needs.empty())
        needs = "a whole number from " + std::to_string(lo) + " to " + std::to_string(hi);
    return checked(
        [=](const std::string& t) {
            const std::optional<long long> v = parseWholeNumber(t, lo, hi);
            if (v) set(*v);
            return v.has_value();
        },
        std::move(needs));
}

Value realNumber(double lo, double hi, std::function<void(double)> set, std::string needs) {
    if (needs.empty()) needs = "a number from " + fixedText(lo) + " to " + fixedText(hi);
    return checked(
        [=](const std::string& t) {
            const std::optional<double> v = parseRealNumber(t, lo, hi);
            if (v) set(*v);
            return v.has_value();
        },
        std::move(needs));
}

Option::Option(std::string_view names, std::string valueName, std::string help, Value value,
               Scope scope)
    : valueName(std::move(valueName)),
      help(std::move(help)),
      value(std::move(value)),
      scope(scope) {
    constexpr std::string_view kBetween = ", ";
    for (std::size_t from = 0; from <= names.size();) {
        const std::size_t to = std::min(names.find(kBetween, from), names.size());
        this->names.emplace_back(names.substr(from, to - from));
        from = to + kBetween.size();
    }
}

std::string parse(const OptionTable& table, const std::vector<std::string>& args,
                  const OperandHandler& operand) {
    bool optionsEnded = false;
    for (std::size_t i = 0; i < args.size(); ++i) {
        const std::string& arg = args[i];
        if (optionsEnded || arg.size() < 2 || arg[0] != '-') {
            if (!operand) return "unexpected argument " + arg;
            if (std::string error = operand(arg); !error.empty()) return error;
            continue;
        }
        if (arg == "--") {
            optionsEnded = true;
            continue;
        }
        std::string name = arg;
        std::optional<std::string> inlineValue;
        if (arg.starts_with("--")) {
            if (const auto eq = arg.find('='); eq != std::string::npos) {
                inlineValue = arg.substr(eq + 1);
                name.resize(eq);
            }
        }
        const Option* o = findWritten(table, name);
        if (!o) return "unknown option " + arg;
        const std::string* value = inlineValue ? &*inlineValue : nullptr;
        if (o->value.required && !value && i + 1 < args.size()) value = &args[++i];
        if (std::string error = take(*o, name, value); !error.empty()) return error;
        if (o->value.endsLine) return {};
    }
    return {};
}

std::string applyLater(const OptionTable& table, std::string_view name, const std::string* value) {
    const Option* o = findTyped(table, name);
    if (!o) return "unknown option " + std::string(name);
    if (o->scope == Scope::StartOnly)
        return std::string(name) + " can only be given on the command line";
    return take(*o, name, value);
}

std::string optionList(const OptionTable& table, const HelpLayout& layout) {
    const std::size_t markWidth = layout.markRunTime ? 2 : 0;
    const std::size_t namesColumn = layout.column - markWidth;
    // Names and help are parted by a space at least, and the mark by two.
    const std::size_t gap = layout.markRunTime ? 2 : 1;
    const std::string indent(layout.column, ' ');
    std::ostringstream s;
    for (const Option& o : table) {
        if (o.help.empty()) continue;
        std::string left = "  ";
        for (std::size_t k = 0; k < o.names.size(); ++k) left += (k > 0 ? ", " : "") + o.names[k];
        if (!o.valueName.empty()) left += " " + o.valueName;
        s << left;
        if (left.size() + gap <= namesColumn)
            s << std::string(namesColumn - left.size(), ' ');
        else
            s << "\n" << std::string(namesColumn, ' ');
        if (layout.markRunTime) s << (o.scope == Scope::StartOnly ? "  " : "* ");
        if (layout.width == 0) {
            for (const char c : o.help) {
                s << c;
                if (c == '\n') s << indent;
            }
        } else {
            std::istringstream words(o.help);
            std::string word;
            std::size_t used = layout.column;
            bool lineStart = true;
            while (words >> word) {
                if (!lineStart && used + 1 + word.size() > layout.width) {
                    s << "\n" << indent;
                    used = layout.column;
                    lineStart = true;
                }
                if (!lineStart) {
                    s << ' ';
                    ++used;
                }
                s << word;
                used += word.size();
                lineStart = false;
            }
        }
        s << "\n";
    }
    return s.str();
}

}  // namespace sondrel::cli
