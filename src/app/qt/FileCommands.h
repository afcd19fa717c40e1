#pragma once
// The windows of the file commands and the playback bar's controls: the
// progress windows of the XYZ conversion and of the pipe report, the question
// before the program closes during a recording or a conversion, data files
// named on the command line or dropped on the window, and the playback bar's
// and the geometry charts' clicks. The application makes the recorder, the
// player and the conversion; the commands themselves are FileActions'.

#include <QObject>
#include <QString>

#include <functional>
#include <memory>
#include <optional>

#include "app/FileActions.h"
#include "survey/Survey.h"

namespace sondrel {

class JobProgressDialog;
class CMainFrame;
class PlaybackBarWidget;
class CSondrelDoc;
class Player;
class Recorder;
class XyzConversion;

class FileCommands : public QObject, public JobWindows {
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
    // The played file read whole for the wall map and the 3D view.
    JobProgressDialog& pipeViewsWindow() const { return *pipeViewsWindow_; }
    JobProgressDialog& cloudWindow() const { return *cloudWindow_; }

    // "Convert .QZR file to .xyz...": the records are converted on a thread of
    // their own, with a window that shows how far it has come.
    void runConversion() override;
    // "Pipe Report...": the played file's, or a chosen file's, as a PDF,
    // written beside the window while it goes on.
    void writePipeReport() override;
    // "Export Point Cloud...": the played file's, or a chosen file's, placed
    // as the views of the pipe place it.
    void exportPointCloud() override;

    // What the survey a report of `recording` heads it with is made from;
    // without it the report has no survey pages.
    using SurveyFor = std::function<SurveyInputs(const std::string& recording)>;
    void setSurveyFor(SurveyFor surveyFor) { surveyFor_ = std::move(surveyFor); }

  private:
    void connectBar();
    // Playback positions for the geometry charts, and their clicks played.
    void connectGeometryDock();
    // The wall map's clicks played, and the played file read whole for the
    // views along the pipe on a thread of its own.
    void connectPipeViews();
    void readPipeViews();
    void playRecordAt(std::int64_t position);
    // The file a job works on: the one playing, else one the operator picks
    // under `title`; nothing when he cancels or picks no data file (he is
    // told).
    std::optional<std::string> jobInput(const std::string& title);
    // What a job's own document starts from: the display settings on screen,
    // so that playback and the live cycle go on untouched beside it.
    std::shared_ptr<CSondrelDoc> jobDocument() const;
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
    std::unique_ptr<JobProgressDialog> pipeViewsWindow_;
    std::unique_ptr<JobProgressDialog> cloudWindow_;
    SurveyFor surveyFor_;
};

}  // namespace sondrel
