#include "recording/SettingsLocation.h"

#include <fcntl.h>
#include <pwd.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string_view>
#include <system_error>

#include "acquisition/SondrelDoc.h"
#include "recording/SettingsFile.h"

namespace sondrel {

namespace {

constexpr std::string_view kSettingsOption = "--settings";

std::string withSlash(std::string folder) {
    if (!folder.empty() && folder.back() != '/') folder += '/';
    return folder;
}

bool writableFolder(const std::string& folder) {
    return !folder.empty() && ::faccessat(AT_FDCWD, folder.c_str(), W_OK | X_OK, AT_EACCESS) == 0;
}

std::string homeFolder() {
    if (const char* home = std::getenv("HOME"); home && *home) return home;
    if (const passwd* entry = ::getpwuid(::geteuid()); entry && entry->pw_dir) return entry->pw_dir;
    return {};
}

// The user's configuration folder for this program, created when missing; empty
// when there is no home to put it in.
std::string userConfigFolder() {
    std::string base;
    // Relative values are to be ignored, by the rules of that variable.
    if (const char* xdg = std::getenv("XDG_CONFIG_HOME"); xdg && xdg[0] == '/') {
        base = xdg;
    } else if (const std::string home = homeFolder(); !home.empty()) {
        base = withSlash(home) + ".config";
    } else {
        return {};
    }
    const std::string folder = withSlash(base) + "Sondrel/";
    std::error_code error;
    std::filesystem::create_directories(folder, error);
    return folder;
}

// A folder named in the user's user-dirs.dirs, as in
// XDG_DOCUMENTS_DIR="$HOME/Papers"; empty when it is not there. Only the two forms
// that file is written in are understood: "$HOME/..." and an absolute path.
std::string userDirsEntry(const std::string& home, std::string_view key) {
    std::string config;
    if (const char* xdg = std::getenv("XDG_CONFIG_HOME"); xdg && xdg[0] == '/') {
        config = xdg;
    } else {
        config = withSlash(home) + ".config";
    }
    std::ifstream in(withSlash(config) + "user-dirs.dirs");
    std::string line;
    while (std::getline(in, line)) {
        if (!line.starts_with(key) || line.size() <= key.size() || line[key.size()] != '=')
            continue;
        std::string value = line.substr(key.size() + 1);
        if (value.size() >= 2 && value.front() == '"' && value.back() == '"')
            value = value.substr(1, value.size() - 2);
        if (value.starts_with("$HOME")) value = home + value.substr(5);
        // "$HOME/" alone means the folder is switched off; the default then holds.
        if (!value.starts_with('/') || withSlash(value) == withSlash(home)) return {};
        return value;
    }
    return {};
}

}  // namespace

std::optional<std::string> settingsOptionFrom(int argc, char** argv) {
    std::optional<std::string> found;
    for (int i = 1; i < argc && argv[i]; ++i) {
        const std::string_view arg = argv[i];
        if (arg == "--") break;
        if (arg == kSettingsOption) {
            if (i + 1 < argc && argv[i + 1] && *argv[i + 1]) found = argv[++i];
        } else if (arg.size() > kSettingsOption.size() + 1 && arg.starts_with(kSettingsOption) &&
                   arg[kSettingsOption.size()] == '=') {
            found = std::string(arg.substr(kSettingsOption.size() + 1));
        }
    }
    return found;
}

std::string executableDirectory() {
    std::error_code error;
    const std::filesystem::path exe = std::filesystem::read_symlink("/proc/self/exe", error);
    if (error || !exe.has_parent_path()) return {};
    return withSlash(exe.parent_path().string());
}

std::string defaultSettingsPath(const std::string& executableDir) {
    const std::string beside = withSlash(executableDir);
    if (writableFolder(beside)) return beside + kSettingsFileName;
    if (const std::string config = userConfigFolder(); !config.empty()) {
        return config + kSettingsFileName;
    }
    return beside + kSettingsFileName;
}

std::string settingsPathFor(int argc, char** argv) {
    if (std::optional<std::string> option = settingsOptionFrom(argc, argv)) return *option;
    return defaultSettingsPath(executableDirectory());
}

std::string userDocumentsFolder() {
    // Relative values are to be ignored, as for the configuration folder.
    if (const char* xdg = std::getenv("XDG_DOCUMENTS_DIR"); xdg && xdg[0] == '/')
        return withSlash(xdg);
    const std::string home = homeFolder();
    if (home.empty()) return {};
    if (const std::string named = userDirsEntry(home, "XDG_DOCUMENTS_DIR"); !named.empty())
        return withSlash(named);
    return withSlash(home) + "Documents/";
}

std::string defaultDataDirectory() {
    const std::string documents = userDocumentsFolder();
    return documents.empty() ? std::string("./") : documents + "Sondrel/";
}

void setProgramFolders(CSondrelDoc& doc) {
    const std::string folder = defaultDataDirectory();
    doc.files.readDirectory = folder;
    doc.files.writeDirectory = folder;
}

}  // namespace sondrel
