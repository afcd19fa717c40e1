#pragma once
// Closes, behind its owner's back, the descriptor this process holds open on
// a file: what a device that goes away under an open file looks like to the
// program (its sync and its close then fail). Single-threaded tests only: the
// number is free for reuse until the owner next touches it.

#include <unistd.h>

#include <filesystem>
#include <string>

namespace sondrel::test {

// True when a descriptor open on `path` was found and closed.
inline bool closeDescriptorOf(const std::string& path) {
    namespace fs = std::filesystem;
    std::error_code ec;
    const fs::path wanted = fs::canonical(path, ec);
    if (ec) return false;
    for (const auto& entry : fs::directory_iterator("/proc/self/fd", ec)) {
        const fs::path target = fs::read_symlink(entry.path(), ec);
        if (ec || target != wanted) continue;
        return ::close(std::stoi(entry.path().filename().string())) == 0;
    }
    return false;
}

}  // namespace sondrel::test
