#include "app/FileActions.h"

#include "acquisition/SondrelDoc.h"
#include "recording/Player.h"
#include "recording/Recorder.h"
#include "recording/XyzConversion.h"

namespace sondrel {

bool playDataFile(CSondrelDoc& doc, Player& player, const std::string& path) {
    doc.flags.holdActive = false;
    return player.openPlaybackFile(path);
}

FileActions::FileActions(CommandDispatcher& commands, CSondrelDoc& doc, Recorder& recorder,
                         Player& player, XyzConversion& conversion, JobWindows& jobs)
    : doc_(doc),
      recorder_(recorder),
      player_(player),
      conversion_(conversion),
      jobs_(jobs),
      binding_(commands, *this) {}

void FileActions::openPlayback() {
    doc_.flags.holdActive = false;
    player_.openPlayback();
}

void FileActions::startStopRecording() {
    const bool was = recorder_.isRecording();
    recorder_.startStopRecording();
    if (recordingListener_ && was != recorder_.isRecording())
        recordingListener_(recorder_.filePath());
}

void FileActions::setRecordDirectory() {
    recorder_.setRecordDirectory();
}

void FileActions::toggleAutoFileNames() {
    recorder_.toggleAutoFileNames();
}

void FileActions::captureFrame() {
    recorder_.captureFrame();
}

void FileActions::toggleRealTimePlaySpeed() {
    player_.toggleRealTimePlaySpeed();
}

void FileActions::toggleOneFrameMode() {
    player_.toggleOneFrameMode();
}

void FileActions::convertToXyz() {
    if (conversion_.start(player_)) jobs_.runConversion();
}

void FileActions::writePipeReport() {
    jobs_.writePipeReport();
}

void FileActions::exportPointCloud() {
    jobs_.exportPointCloud();
}

}  // namespace sondrel
