#pragma once
// The operator's settings file, Sondrel.INI: links, folders, display options
// ("System Settings") and the head settings ("Sonar Settings").
//
// The head settings are neither loaded nor saved while a data file is played
// back: the document then holds the recorded settings, and the file must keep
// the live ones for the next connect. "Speed of Sound" follows the same rule on
// saving because playback overwrites it from the records.
//
// The file is outside input: every value that reaches the command buffer or
// indexes a table is brought into its legal range on loading.

#include <span>
#include <string>
#include <string_view>
#include <variant>

#include "common/Colour.h"

namespace sondrel {

class CSondrelDoc;
class IniFile;
struct DisplaySettings;
struct FileSettings;
struct HeadSettings;
struct LinkStatus;

inline constexpr const char* kSettingsFileName = "Sondrel.INI";
inline constexpr const char* kSystemSettingsSection = "System Settings";
inline constexpr const char* kSonarSettingsSection = "Sonar Settings";

// Reads the file into the document. A missing, unreadable or garbled file is not
// reported: every key it lacks takes its default.
void loadSettings(CSondrelDoc& doc, const std::string& path);
// Writes the document's settings into the file, keeping every other line of it.
// Returns false when the file could not be written, with the system's reason
// in `reason` (the document is untouched either way).
bool saveSettings(const CSondrelDoc& doc, const std::string& path, std::string* reason = nullptr);

// One key of the file, described once: loading and saving both walk the table
// of these in its order, which is the order the keys are written in.
struct SettingsKey {
    // The document's field the key holds; none for a key a custom function reads.
    using Field =
        std::variant<std::monostate, int HeadSettings::*, double HeadSettings::*, int LinkStatus::*,
                     std::string LinkStatus::*, int FileSettings::*, std::string FileSettings::*,
                     int DisplaySettings::*, double DisplaySettings::*, Colour DisplaySettings::*>;
    enum class Format { Decimal, Fixed1, Fixed2, Text };
    enum class Use {
        ReadWrite,
        WriteOnly,      // written for other programs, never read back
        LiveOnlySaved,  // not saved while a file plays back, which overwrites it
    };
    // What a missing key gives: the field's current value, or a value of the file's own.
    struct Fallback {
        bool keepsCurrent = true;
        double number = 0.0;
        std::string_view text;
    };

    std::string_view section;
    std::string_view key;
    Field field;
    Fallback fallback;
    Format format = Format::Decimal;
    // Load rules: the value read is passed through the rule of its type.
    int (*intRule)(int) = nullptr;
    double (*realRule)(double) = nullptr;
    std::string (*textRule)(const std::string& read, const std::string& current) = nullptr;
    Use use = Use::ReadWrite;
    // For keys that set more than their field; they replace the generic step.
    void (*load)(CSondrelDoc& doc, const IniFile& ini, const SettingsKey& key) = nullptr;
    void (*save)(const CSondrelDoc& doc, IniFile& ini, const SettingsKey& key) = nullptr;
};
std::span<const SettingsKey> settingsKeys();

// The same on a file already in memory.
void loadSettings(CSondrelDoc& doc, const IniFile& ini);
void saveSettings(const CSondrelDoc& doc, IniFile& ini);

}  // namespace sondrel
