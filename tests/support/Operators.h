#pragma once
// Operators for tests and benchmarks: one that answers dialogs from a script
// and fails the test on anything it did not expect, and one that says nothing.

#include <gtest/gtest.h>

#include <deque>
#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "common/OperatorPort.h"
#include "support/SilentOperator.h"

namespace sondrel::testing {

// Answers dialogs from queues and fails the test on any dialog nobody expected.
class ScriptedOperator : public OperatorPort {
  public:
    std::vector<std::string> messages;
    std::vector<std::string> notes;  // MessageKind::Note: the status bar's, not a box
    std::deque<std::optional<std::string>> openAnswers, saveAnswers, folderAnswers;
    std::vector<FileDialogRequest> openRequests, saveRequests;
    std::vector<std::string> folderTitles;
    // Runs while a message is shown, as the window system would run the loop.
    std::function<void(const std::string&)> onMessage;

    void showMessage(const std::string& text, MessageKind kind) override {
        if (kind == MessageKind::Note) {
            notes.push_back(text);
            return;
        }
        messages.push_back(text);
        if (onMessage) onMessage(text);
    }
    std::optional<std::string> chooseOpenFile(const FileDialogRequest& request) override {
        openRequests.push_back(request);
        if (openAnswers.empty()) {
            ADD_FAILURE() << "unexpected open dialog: " << request.title;
            return std::nullopt;
        }
        auto answer = openAnswers.front();
        openAnswers.pop_front();
        return answer;
    }
    std::optional<std::string> chooseSaveFile(const FileDialogRequest& request) override {
        saveRequests.push_back(request);
        if (saveAnswers.empty()) {
            ADD_FAILURE() << "unexpected save dialog: " << request.title;
            return std::nullopt;
        }
        auto answer = saveAnswers.front();
        saveAnswers.pop_front();
        return answer;
    }
    std::optional<std::string> chooseFolder(const std::string& title, const std::string&) override {
        folderTitles.push_back(title);
        if (folderAnswers.empty()) {
            ADD_FAILURE() << "unexpected folder dialog: " << title;
            return std::nullopt;
        }
        auto answer = folderAnswers.front();
        folderAnswers.pop_front();
        return answer;
    }
    std::deque<std::optional<Colour>> colourAnswers;
    std::vector<Colour> colourRequests;  // the colour each chooser opened with
    std::optional<Colour> chooseColour(Colour current) override {
        colourRequests.push_back(current);
        if (colourAnswers.empty()) {
            ADD_FAILURE() << "unexpected colour dialog";
            return std::nullopt;
        }
        auto answer = colourAnswers.front();
        colourAnswers.pop_front();
        return answer;
    }
};

}  // namespace sondrel::testing
