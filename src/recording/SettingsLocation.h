#pragma once
// Where the settings file lives and which folders the program starts from.
// Every program of the project finds its settings the same way:
//   1. "--settings FILE" (or "--settings=FILE") on the command line;
//   2. Sondrel.INI beside the executable, when that folder is writable;
//   3. otherwise $XDG_CONFIG_HOME/Sondrel/Sondrel.INI (~/.config/Sondrel/ when
//      the variable is unset), the folder being created on demand.

#include <optional>
#include <string>

namespace sondrel {

class CSondrelDoc;

// The value of a "--settings FILE" or "--settings=FILE" option; the last one
// wins. Empty when there is none (or it lacks its file name).
std::optional<std::string> settingsOptionFrom(int argc, char** argv);

// The folder of the running executable, ending in '/'; empty if unknown.
std::string executableDirectory();

// The settings file for a program in executableDir (rules 2 and 3 above).
std::string defaultSettingsPath(const std::string& executableDir);

// Rules 1 to 3 together, for the running executable.
std::string settingsPathFor(int argc, char** argv);

// The user's documents folder, ending in '/', found as the desktop does:
// $XDG_DOCUMENTS_DIR, else its entry in $XDG_CONFIG_HOME/user-dirs.dirs, else
// ~/Documents. Empty when there is no home folder.
std::string userDocumentsFolder();

// The folder the program reads and writes data files in until the settings file
// names one: "Sondrel/" in the user's documents folder (an installed program's
// own folder cannot be written). It is created when the first file goes there.
std::string defaultDataDirectory();

// Points readDirectory and writeDirectory at the default data folder; done at
// document creation, before the first load, which may replace them.
void setProgramFolders(CSondrelDoc& doc);

}  // namespace sondrel
