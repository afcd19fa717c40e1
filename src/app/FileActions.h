#pragma once
// The data files' commands: recording, its folder and its automatic names,
// capture, playback with its pace and single frames, the XYZ conversion and the
// pipe report. The recorder, the player and the conversion do the work; the two
// long jobs run under a progress window that the program gives.

#include <functional>
#include <string>

#include "app/CommandDispatcher.h"
#include "app/CommandPorts.h"

namespace sondrel {

class CSondrelDoc;
class Player;
class Recorder;
class XyzConversion;

// The windows long jobs run under.
class JobWindows {
  public:
    virtual ~JobWindows() = default;
    // The conversion just started runs on a thread of its own under its
    // window, and is finished when it ends.
    virtual void runConversion() = 0;
    // Asks for the data file and the report's name, and writes the report on
    // a thread of its own under its window.
    virtual void writePipeReport() = 0;
    // Asks for the data file and the cloud's name, and writes the cloud on a
    // thread of its own under its window.
    virtual void exportPointCloud() = 0;
};

// A file opened plays, whatever Hold was: true when it plays.
bool playDataFile(CSondrelDoc& doc, Player& player, const std::string& path);

class FileActions : public FilePort {
  public:
    // Binds the file port of commands for as long as it lives.
    FileActions(CommandDispatcher& commands, CSondrelDoc& doc, Recorder& recorder, Player& player,
                XyzConversion& conversion, JobWindows& jobs);

    void openPlayback() override;
    void startStopRecording() override;
    void setRecordDirectory() override;
    void toggleAutoFileNames() override;
    void captureFrame() override;
    void toggleRealTimePlaySpeed() override;
    void toggleOneFrameMode() override;
    void convertToXyz() override;
    void writePipeReport() override;
    void exportPointCloud() override;

    // Told the file a recording started into, and an empty path when it
    // stopped, by "Record Start (Stop)".
    void setRecordingListener(std::function<void(const std::string&)> listener) {
        recordingListener_ = std::move(listener);
    }

  private:
    CSondrelDoc& doc_;
    Recorder& recorder_;
    Player& player_;
    XyzConversion& conversion_;
    JobWindows& jobs_;
    std::function<void(const std::string&)> recordingListener_;
    PortBinding<FilePort> binding_;
};

}  // namespace sondrel
