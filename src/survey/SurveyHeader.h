#pragma once
// The header of a survey: the EN 13508-2 fields a sonar survey of one pipe
// length fills, each known by its code, plus the start chainage. One table
// describes every field (its caption, its kind, its range or its codes); the
// checks, the sidecar, the coded file and the survey dialog all read it, so a
// field's rule is written once.

#include <array>
#include <optional>
#include <span>
#include <string>
#include <string_view>

namespace sondrel {

enum class SurveyFieldKind : unsigned char {
    Text,     // free text, at most kMaxSurveyTextLength characters
    Date,     // YYYY-MM-DD
    Time,     // HH:MM
    Whole,    // a whole number from `lowest` to `highest`
    Decimal,  // a number from `lowest` to `highest` in `unit`, with `decimals`
    Code,     // one of `codes`
};

struct SurveyCode {
    std::string_view code;
    std::string_view meaning;
};

struct SurveyField {
    std::string_view code;     // "ACB"
    std::string_view caption;  // "height, mm"
    SurveyFieldKind kind = SurveyFieldKind::Text;
    double lowest = 0.0, highest = 0.0;
    int decimals = 0;
    std::string_view unit{};
    std::span<const SurveyCode> codes{};
};

inline constexpr std::size_t kMaxSurveyTextLength = 120;

// Every field, in the order the coded file and the dialog give them.
std::span<const SurveyField> surveyFields();
// The field of `code`; null for a code the header has not.
const SurveyField* surveyField(std::string_view code);
// Codes of the fields the rest of the program reads.
inline constexpr std::string_view kSurveyDirection = "AAK";  // A with the flow, B against
inline constexpr std::string_view kSurveyShape = "ACA";
inline constexpr std::string_view kSurveyHeight = "ACB";
inline constexpr std::string_view kSurveyWidth = "ACC";
inline constexpr std::string_view kSurveyMaterial = "ACD";
inline constexpr std::string_view kSurveyUnitLength = "ACG";
inline constexpr std::string_view kSurveyDate = "ABF";

// "ACB (height, mm): a whole number from 50 to 10000": what a value of the
// field must be, said the same way by every check.
std::string surveyFieldRule(const SurveyField& field);
// Empty when `value` is a legal value of `field` (an empty value always is:
// the field is not filled); else the message naming the field.
std::string surveyFieldProblem(const SurveyField& field, std::string_view value);

// The values of one survey's header, by field; an empty text is a field not
// filled. Values are kept as texts, as the operator typed them and as the
// coded file writes them.
class SurveyHeader {
  public:
    SurveyHeader();

    const std::string& value(std::string_view code) const;
    // Sets a field's value; false with `problem` naming the field when the
    // value is not legal (the header is then left as it was).
    bool set(std::string_view code, std::string_view value, std::string* problem = nullptr);
    bool filled(std::string_view code) const { return !value(code).empty(); }
    // No field filled and the start chainage at 0.
    bool empty() const;

    // Metres: the longitudinal location of the start node.
    double startChainage = 0.0;

    // With the flow unless the header says against.
    bool againstFlow() const { return value(kSurveyDirection) == "B"; }
    // A number field's value; nullopt when not filled.
    std::optional<double> number(std::string_view code) const;
    // The pipe's nominal size in metres from the height and the width: the
    // mean of those given, or nullopt with neither.
    std::optional<double> nominalSize() const;

    // Every field's problem, one per line; empty when the header holds together.
    std::string problems() const;

    bool operator==(const SurveyHeader&) const = default;

  private:
    std::array<std::string, 32> values_;
};

}  // namespace sondrel
