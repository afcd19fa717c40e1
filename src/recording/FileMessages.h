#pragma once
// What the operator is told when a data or export file cannot be opened or
// written, or would be left unfinished. Recording, capture and the XYZ
// conversion all word these the same.

#include <string>

namespace sondrel {

// The file layer's own message for a failed create or open: a specific text for
// the causes an operator can act on, "Failed to open document." otherwise.
std::string fileOpenFailureText(const std::string& path, int error);

// A data file that cannot be played: the file layer's "Error opening file !   "
// followed by the file and the reason.
std::string playbackOpenFailureText(const std::string& path, const std::string& reason);

// A write that failed part-way (full disk, file too large, device gone).
std::string fileWriteFailureText(const std::string& path, const std::string& reason,
                                 const std::string& consequence);

// The settings file could not be written as the program closed.
std::string settingsSaveFailureText(const std::string& path, const std::string& reason);

// The question asked before the program closes while a recording or an XYZ
// conversion is under way (a path is empty when that one is not); empty when
// nothing is under way. Its answers are kExitAnswer and kKeepRunningAnswer.
std::string exitQuestionText(const std::string& recordingPath, const std::string& conversionPath);
inline constexpr const char* kExitAnswer = "Exit";
inline constexpr const char* kKeepRunningAnswer = "Keep Running";

}  // namespace sondrel
