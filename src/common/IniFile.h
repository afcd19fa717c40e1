#pragma once
// A profile file ("INI") in memory: [sections] of key=value lines.
//
// Sections and keys are found without regard to case (ASCII); keys may hold
// blanks ("Speed of Sound") and are kept as written. Lines starting with ';' or
// '#' are comments. A key that occurs twice is read from, and updated at, its
// first occurrence (a section that occurs twice is searched in file order).
// Lines before the first section belong to none. Every line the program does
// not write (other sections, comments, blank lines, unknown keys, even binary
// junk) survives a save in its place; missing keys and sections are appended.
//
// Reading accepts CR LF and LF line ends and a last line without one; writing
// uses CR LF throughout.

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace sondrel {

// Values longer than this are cut when read.
inline constexpr std::size_t kMaxIniValueLength = 255;
// A file larger than this is not a settings file: it is neither read nor replaced.
inline constexpr std::uintmax_t kMaxIniFileSize = 64u * 1024u * 1024u;

// The leading decimal integer of a text: optional blanks and sign, then digits;
// anything else after it is ignored, and a text without one gives 0. Values
// beyond the range of int saturate at INT_MIN / INT_MAX.
int parseLeadingInt(std::string_view text);
// The leading decimal number of a text: optional blanks and sign, digits with an
// optional fraction and exponent; 0 without one. Never infinite or NaN: "inf",
// "nan" and hexadecimal forms are not numbers here, overflow saturates at the
// largest finite double and underflow gives 0. Independent of the C locale.
double parseLeadingReal(std::string_view text);
// value in fixed notation with the given number of decimals, always with a '.'
// ("%.2f" without the locale).
std::string formatFixed(double value, int decimals);

class IniFile {
  public:
    enum class LoadResult {
        Loaded,
        Missing,     // no file: the contents are empty
        Unreadable,  // there is something, but not a readable settings file
    };

    // Replaces the contents with the file's. Never throws on bad content.
    LoadResult load(const std::string& path);
    void parse(std::string_view text);
    // The whole file as it would be written.
    std::string text() const;
    // Writes text() to path: through a temporary file renamed over the target
    // when that can be done without changing the file's owner, mode, links or
    // symbolic link, else in place. A file that is read-only to this process is
    // left alone. Returns false on failure, the old file then being untouched
    // as far as the system allows, with the system's reason in `reason`.
    bool save(const std::string& path, std::string* reason = nullptr) const;

    bool empty() const { return lines_.empty(); }

    // The value of a key, blanks around it and one pair of enclosing quotes
    // removed, cut to kMaxIniValueLength bytes (never inside a UTF-8 sequence).
    std::optional<std::string> value(std::string_view section, std::string_view key) const;
    std::string readString(std::string_view section, std::string_view key,
                           std::string_view fallback) const;
    int readInt(std::string_view section, std::string_view key, int fallback) const;
    double readReal(std::string_view section, std::string_view key, double fallback) const;

    // Sets a key, in place when it exists. Line breaks and NULs in the value are
    // dropped (they would split the line); a value that reading would trim or
    // unquote is written in double quotes so that it reads back unchanged.
    void setValue(std::string_view section, std::string_view key, std::string_view value);
    void setInt(std::string_view section, std::string_view key, long long value);
    void setReal(std::string_view section, std::string_view key, double value, int decimals);

  private:
    // save() without its reason: errno tells it.
    bool saveTo(const std::string& path) const;
    enum class Kind { Other, Section, Key };
    struct Line {
        std::string raw;  // the line without its line end
        Kind kind = Kind::Other;
        std::string name;         // lower-case section or key name
        std::size_t keyEnd = 0;   // Key: end of the key as written (blanks trimmed)
        std::size_t valueAt = 0;  // Key: first byte after the '='
    };

    static Line classify(std::string raw);
    // Index of the first line of key in section, or npos.
    std::size_t find(std::string_view section, std::string_view key) const;

    std::vector<Line> lines_;
};

}  // namespace sondrel
