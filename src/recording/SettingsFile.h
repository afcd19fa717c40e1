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

#include <string>

namespace sondrel {

class CSondrelDoc;
class IniFile;

inline constexpr const char* kSettingsFileName = "Sondrel.INI";
inline constexpr const char* kSystemSettingsSection = "System Settings";
inline constexpr const char* kSonarSettingsSection = "Sonar Settings";

// Reads the file into the document. A missing, unreadable or garbled file is not
// reported: every key it lacks takes its default.
void loadSettings(CSondrelDoc& doc, const std::string& path);
// Writes the document's settings into the file, keeping every other line of it.
// Returns false when the file could not be written (nothing is reported; the
// document is untouched either way).
bool saveSettings(const CSondrelDoc& doc, const std::string& path);

// The same on a file already in memory.
void loadSettings(CSondrelDoc& doc, const IniFile& ini);
void saveSettings(const CSondrelDoc& doc, IniFile& ini);

}  // namespace sondrel
