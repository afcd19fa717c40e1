#pragma once
// The hot-keys help list: which commands it describes, in which groups, with a
// few rows of its own. The names, keys and descriptions of the commands come
// from the command table.

#include <string>
#include <vector>

namespace sondrel {

// A row: command, key, description. A separator row has only its hyphens in
// the description.
struct HotKeyHelpRow {
    std::string command;
    std::string key;
    std::string description;
};
std::vector<HotKeyHelpRow> hotKeyHelpRows();

}  // namespace sondrel
