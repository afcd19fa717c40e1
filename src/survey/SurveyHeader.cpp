#include "survey/SurveyHeader.h"

#include <algorithm>
#include <cmath>
#include <cstdio>

#include "common/NumberText.h"

namespace sondrel {

namespace {

using K = SurveyFieldKind;

constexpr SurveyCode kDirections[] = {{"A", "with the flow"}, {"B", "against the flow"}};
constexpr SurveyCode kReferencePoints[] = {{"A", "centre of the start node"},
                                           {"B", "inside face of the start node's wall"},
                                           {"Z", "other"}};
constexpr SurveyCode kMethods[] = {
    {"A", "direct inspection"}, {"B", "camera"}, {"C", "sonar profiler"}, {"Z", "other"}};
constexpr SurveyCode kPurposes[] = {
    {"A", "handover"},     {"B", "end of warranty"}, {"C", "routine"}, {"D", "suspected problem"},
    {"E", "before works"}, {"F", "after works"},     {"Z", "other"}};
constexpr SurveyCode kShapes[] = {{"A", "circular"}, {"B", "rectangular"}, {"C", "egg-shaped"},
                                  {"D", "U-shaped"}, {"E", "arch-shaped"}, {"F", "oval"},
                                  {"Z", "other"}};
constexpr SurveyCode kMaterials[] = {{"AA", "asbestos cement"},
                                     {"AB", "bitumen"},
                                     {"AC", "brick"},
                                     {"AD", "cast iron"},
                                     {"AE", "concrete"},
                                     {"AF", "concrete segments"},
                                     {"AG", "fibre cement"},
                                     {"AH", "fibre reinforced plastics"},
                                     {"AI", "grey cast iron"},
                                     {"AJ", "ductile iron"},
                                     {"AK", "masonry (regular)"},
                                     {"AL", "masonry (irregular)"},
                                     {"AM", "miscellaneous metals"},
                                     {"AN", "polyester reinforced plastic"},
                                     {"AO", "polyethylene"},
                                     {"AP", "polypropylene"},
                                     {"AQ", "polyvinyl chloride"},
                                     {"AR", "reinforced concrete"},
                                     {"AS", "sprayed concrete"},
                                     {"AT", "steel"},
                                     {"AU", "unidentified material"},
                                     {"AV", "vitrified clay"},
                                     {"Z", "other"}};
constexpr SurveyCode kPrecipitation[] = {
    {"A", "no rain or snow"}, {"B", "rain"}, {"C", "melting snow or ice"}};
constexpr SurveyCode kTemperature[] = {{"A", "above freezing"}, {"B", "below freezing"}};

constexpr SurveyField text(std::string_view code, std::string_view caption) {
    return {.code = code, .caption = caption, .kind = K::Text};
}
constexpr SurveyField coded(std::string_view code, std::string_view caption,
                            std::span<const SurveyCode> codes) {
    return {.code = code, .caption = caption, .kind = K::Code, .codes = codes};
}
constexpr SurveyField number(std::string_view code, std::string_view caption, K kind, double lowest,
                             double highest, int decimals, std::string_view unit) {
    return {.code = code,
            .caption = caption,
            .kind = kind,
            .lowest = lowest,
            .highest = highest,
            .decimals = decimals,
            .unit = unit};
}

constexpr SurveyField kFields[] = {
    text("AAA", "pipe length reference"),
    text("AAB", "start node reference"),
    text("AAD", "finish node reference"),
    text("AAF", "other node reference"),
    text("AAJ", "location"),
    coded("AAK", "direction", kDirections),
    text("AAN", "town or village"),
    text("ABA", "standard"),
    coded("ABC", "longitudinal reference point", kReferencePoints),
    coded("ABE", "method of inspection", kMethods),
    {.code = "ABF", .caption = "date", .kind = K::Date},
    {.code = "ABG", .caption = "time", .kind = K::Time},
    text("ABH", "surveyor"),
    coded("ABP", "purpose", kPurposes),
    number("ABQ", "anticipated length, m", K::Decimal, 0.0, 10000.0, 2, "m"),
    coded("ACA", "shape", kShapes),
    number("ACB", "height, mm", K::Whole, 50, 10000, 0, "mm"),
    number("ACC", "width, mm", K::Whole, 50, 10000, 0, "mm"),
    coded("ACD", "material", kMaterials),
    number("ACG", "pipe unit length, m", K::Decimal, 0.1, 100.0, 2, "m"),
    number("ACN", "year of construction", K::Whole, 1800, 2100, 0, ""),
    coded("ADA", "precipitation", kPrecipitation),
    coded("ADB", "temperature", kTemperature),
    text("ADE", "remark"),
};
static_assert(std::size(kFields) <= 32, "SurveyHeader keeps up to 32 values");

std::size_t fieldIndex(std::string_view code) {
    for (std::size_t i = 0; i < std::size(kFields); ++i) {
        if (kFields[i].code == code) return i;
    }
    return std::size(kFields);
}

bool digits(std::string_view text) {
    return !text.empty() &&
           std::all_of(text.begin(), text.end(), [](char c) { return c >= '0' && c <= '9'; });
}

int numberOf(std::string_view text) {
    int n = 0;
    for (char c : text) n = n * 10 + (c - '0');
    return n;
}

bool legalDate(std::string_view v) {
    if (v.size() != 10 || v[4] != '-' || v[7] != '-') return false;
    if (!digits(v.substr(0, 4)) || !digits(v.substr(5, 2)) || !digits(v.substr(8, 2))) return false;
    const int year = numberOf(v.substr(0, 4));
    const int month = numberOf(v.substr(5, 2));
    const int day = numberOf(v.substr(8, 2));
    if (year < 1900 || month < 1 || month > 12 || day < 1) return false;
    constexpr int kDays[] = {31, 29, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
    const bool leap = (year % 4 == 0 && year % 100 != 0) || year % 400 == 0;
    const int last = month == 2 && !leap ? 28 : kDays[month - 1];
    return day <= last;
}

bool legalTime(std::string_view v) {
    if (v.size() != 5 || v[2] != ':' || !digits(v.substr(0, 2)) || !digits(v.substr(3, 2)))
        return false;
    return numberOf(v.substr(0, 2)) < 24 && numberOf(v.substr(3, 2)) < 60;
}

// The number a field's text holds, read strictly: the whole text a number.
std::optional<double> strictNumber(std::string_view text, bool whole) {
    if (whole) {
        const std::optional<long long> n = parseWholeNumber(text);
        if (!n) return std::nullopt;
        return static_cast<double>(*n);
    }
    return parseRealNumber(text);
}

std::string rangeText(double v, int decimals) {
    char text[64];
    std::snprintf(text, sizeof text, "%.*f", decimals, v);
    std::string s = text;
    // "0.10" reads better as "0.1" in a rule.
    if (s.find('.') != std::string::npos) {
        while (s.back() == '0') s.pop_back();
        if (s.back() == '.') s.pop_back();
    }
    return s;
}

}  // namespace

std::span<const SurveyField> surveyFields() {
    return kFields;
}

const SurveyField* surveyField(std::string_view code) {
    const std::size_t i = fieldIndex(code);
    return i < std::size(kFields) ? &kFields[i] : nullptr;
}

std::string surveyFieldRule(const SurveyField& field) {
    std::string rule = std::string(field.code) + " (" + std::string(field.caption) + "): ";
    switch (field.kind) {
        case K::Text:
            return rule + "a text of at most " + std::to_string(kMaxSurveyTextLength) +
                   " characters";
        case K::Date:
            return rule + "a date as YYYY-MM-DD";
        case K::Time:
            return rule + "a time as HH:MM";
        case K::Whole:
            return rule + "a whole number from " + rangeText(field.lowest, 0) + " to " +
                   rangeText(field.highest, 0);
        case K::Decimal:
            return rule + "a number from " + rangeText(field.lowest, field.decimals) + " to " +
                   rangeText(field.highest, field.decimals);
        case K::Code: {
            rule += "one of ";
            for (std::size_t i = 0; i < field.codes.size(); ++i) {
                if (i > 0) rule += i + 1 == field.codes.size() ? " or " : ", ";
                rule += field.codes[i].code;
            }
            return rule;
        }
    }
    return rule;
}

std::string surveyFieldProblem(const SurveyField& field, std::string_view value) {
    if (value.empty()) return {};
    bool legal = false;
    switch (field.kind) {
        case K::Text: {
            // Characters, not bytes: a UTF-8 sequence counts once.
            const auto characters = std::count_if(value.begin(), value.end(), [](char c) {
                return (static_cast<unsigned char>(c) & 0xC0) != 0x80;
            });
            legal = static_cast<std::size_t>(characters) <= kMaxSurveyTextLength &&
                    value.find_first_of("\r\n", 0) == std::string_view::npos &&
                    value.find('\0') == std::string_view::npos;
            break;
        }
        case K::Date:
            legal = legalDate(value);
            break;
        case K::Time:
            legal = legalTime(value);
            break;
        case K::Whole:
        case K::Decimal: {
            const std::optional<double> v = strictNumber(value, field.kind == K::Whole);
            legal = v && *v >= field.lowest && *v <= field.highest;
            break;
        }
        case K::Code:
            legal = std::any_of(field.codes.begin(), field.codes.end(),
                                [&](const SurveyCode& c) { return c.code == value; });
            break;
    }
    return legal ? std::string() : surveyFieldRule(field);
}

SurveyHeader::SurveyHeader() = default;

const std::string& SurveyHeader::value(std::string_view code) const {
    static const std::string kEmpty;
    const std::size_t i = fieldIndex(code);
    return i < std::size(kFields) ? values_[i] : kEmpty;
}

bool SurveyHeader::set(std::string_view code, std::string_view value, std::string* problem) {
    const std::size_t i = fieldIndex(code);
    if (i == std::size(kFields)) {
        if (problem) *problem = std::string(code) + ": no field of the survey header";
        return false;
    }
    std::string why = surveyFieldProblem(kFields[i], value);
    if (!why.empty()) {
        if (problem) *problem = std::move(why);
        return false;
    }
    values_[i] = value;
    return true;
}

bool SurveyHeader::empty() const {
    return startChainage == 0.0 &&
           std::all_of(values_.begin(), values_.end(), [](const auto& v) { return v.empty(); });
}

std::optional<double> SurveyHeader::number(std::string_view code) const {
    const std::string& v = value(code);
    if (v.empty()) return std::nullopt;
    return strictNumber(v, false);
}

std::optional<double> SurveyHeader::nominalSize() const {
    const std::optional<double> height = number(kSurveyHeight);
    const std::optional<double> width = number(kSurveyWidth);
    if (height && width) return (*height + *width) / 2000.0;
    if (height) return *height / 1000.0;
    if (width) return *width / 1000.0;
    return std::nullopt;
}

std::string SurveyHeader::problems() const {
    std::string all;
    for (std::size_t i = 0; i < std::size(kFields); ++i) {
        const std::string p = surveyFieldProblem(kFields[i], values_[i]);
        if (!p.empty()) all += p + "\n";
    }
    if (!std::isfinite(startChainage)) all += "Start Chainage: a number of metres\n";
    return all;
}

}  // namespace sondrel
