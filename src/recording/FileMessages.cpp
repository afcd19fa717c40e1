#include "recording/FileMessages.h"

#include <cerrno>

#include "recording/BinaryFile.h"

namespace sondrel {

std::string fileOpenFailureText(const std::string& path, int error) {
    switch (error) {
        case ENOENT:
        case ENOTDIR:
            return path + "\nThe folder was not found.";
        case EACCES:
        case EPERM:
        case EROFS:
            return path + "\nAccess to the file was denied.";
        case ENOSPC:
#ifdef EDQUOT
        case EDQUOT:
#endif
            return path + "\nThe disk is full.";
        case EISDIR:
            return path + "\nThis name is a folder, not a file.";
        case kNotRegularFile:
            return path + "\nThis name is a pipe or a device, not a file.";
        case ENAMETOOLONG:
            return path + "\nThe file name is too long.";
        default:
            return "Failed to open document.";
    }
}

std::string playbackOpenFailureText(const std::string& path, const std::string& reason) {
    std::string text = "Error opening file !   \n\n" + path;
    if (!reason.empty()) text += "\n" + reason;
    return text;
}

std::string fileWriteFailureText(const std::string& path, const std::string& reason,
                                 const std::string& consequence) {
    std::string text = "Error Writing File!\n\n" + path;
    if (!reason.empty()) text += "\n" + reason;
    if (!consequence.empty()) text += "\n\n" + consequence;
    return text;
}

std::string settingsSaveFailureText(const std::string& path, const std::string& reason) {
    return "The settings file could not be written:\n" + path + "\n" + reason +
           "\n\nThe settings of this session are not kept.";
}

std::string exitQuestionText(const std::string& recordingPath, const std::string& conversionPath) {
    if (recordingPath.empty() && conversionPath.empty()) return {};
    std::string text;
    if (!recordingPath.empty()) text += "Sonar data is being recorded to\n" + recordingPath + "\n";
    if (!conversionPath.empty()) text += "An XYZ file is being written:\n" + conversionPath + "\n";
    text += "\nExit Sondrel now?\n";
    if (!recordingPath.empty())
        text += "\nThe recording stops; its file keeps every record written so far.";
    if (!conversionPath.empty())
        text += "\nThe conversion stops and the incomplete XYZ file is removed.";
    return text;
}

}  // namespace sondrel
