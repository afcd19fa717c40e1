#pragma once
// The main frame's file commands and the playback bar's controls: recording and
// copying, the record folder and automatic names, capture, playback, single
// frames, the recorded pace, and the XYZ conversion. The application makes the
// recorder, the player and the conversion; this only connects the frame's
// commands and the bar's signals to them.

#include <QObject>
#include <QString>

#include <memory>

namespace sondrel {

class JobProgressDialog;
class CMainFrame;
class PlaybackBarWidget;
class CSondrelDoc;
class Player;
class Recorder;
class XyzConversion;

class FileCommands : public QObject {
    Q_OBJECT

  public:
    // Everything given must outlive this object.
    FileCommands(CMainFrame& frame, CSondrelDoc& doc, PlaybackBarWidget& bar, Recorder& recorder,
                 Player& player, XyzConversion& conversion);
    ~FileCommands() override;

    // A data file named on the command line or dropped on the window.
    bool openDataFile(const QString& path);
    // "Pipe Report..." and the XYZ conversion each work on a thread of their
    // own, shown by a progress window; one of each at a time.
    JobProgressDialog& pipeReportWindow() const { return *reportWindow_; }
    JobProgressDialog& conversionWindow() const { return *conversionWindow_; }

  private:
    void installCommands();
    void connectBar();
    // Playback positions for the geometry charts, and their clicks played.
    void connectGeometryDock();
    // "Pipe Report...": the played file's, or a chosen file's, as a PDF,
    // written beside the window while it goes on.
    void writePipeReport();
    // "Convert .QZR file to .xyz...": the records are converted on a thread of
    // their own, with a window that shows how far it has come.
    void convertToXyz();
    // Before the program closes: asks the operator while a recording or a
    // conversion is under way; a conversion let go is cancelled.
    bool mayClose();

    CMainFrame& frame_;
    CSondrelDoc& doc_;
    PlaybackBarWidget& bar_;
    Recorder& recorder_;
    Player& player_;
    XyzConversion& conversion_;
    std::unique_ptr<JobProgressDialog> reportWindow_;
    std::unique_ptr<JobProgressDialog> conversionWindow_;
};

}  // namespace sondrel
