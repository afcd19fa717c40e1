#pragma once
// An operator who cancels every dialog and only counts messages, for runs
// where nobody is there to answer (benchmarks, headless checks).

#include <cstdio>
#include <optional>
#include <string>

#include "common/OperatorPort.h"

namespace sondrel::testing {

struct SilentOperator : OperatorPort {
    int messages = 0;
    // Messages also go to standard error, so a benchmark that meets one says why.
    bool echo = false;
    void showMessage(const std::string& text, MessageKind kind) override {
        if (kind == MessageKind::Note) return;  // nothing to answer
        ++messages;
        if (echo) std::fprintf(stderr, "message: %s\n", text.c_str());
    }
    std::optional<std::string> chooseOpenFile(const FileDialogRequest&) override { return {}; }
    std::optional<std::string> chooseSaveFile(const FileDialogRequest&) override { return {}; }
    std::optional<std::string> chooseFolder(const std::string&, const std::string&) override {
        return {};
    }
    std::optional<Colour> chooseColour(Colour) override { return {}; }
};

}  // namespace sondrel::testing
