#pragma once
// CSondrelDoc: the one owner of every setting, of the link state and of the
// ping on show, kept in parts: the head's settings with their command bytes,
// the link, the ping, the tally of pings, the operating flags, the orientation
// input, the files' settings and the display settings. The operations below
// and the head settings' setters are the only places where the rules that tie
// them together are applied, and every caller (panels, bars, hot keys,
// dialogs, settings file, playback) uses them.

#include <array>
#include <cstdint>
#include <string>

#include "acquisition/DocumentParts.h"
#include "acquisition/HeadSettings.h"
#include "acquisition/Ping.h"
#include "common/DisplaySettings.h"
#include "common/SonarBitmap.h"

namespace sondrel {

// What an update asks of the views besides a repaint.
enum class ViewHint {
    Repaint,
    CircleMove,   // enter circle-move blinking
    ColourTable,  // rebuild the index image and colour bar for a new colour table
};

// What the document asks of the windows that show it. The program's windows
// implement it; without windows (tests, headless tools) nothing happens.
class DocumentViews {
  public:
    virtual ~DocumentViews() = default;
    virtual void markFullRedraw() {}
    // Rewrite the settings panel and the settings bar from the document.
    virtual void refreshSettingsPanels() {}
    virtual void updateViews(ViewHint /*hint*/) {}
};

class CSondrelDoc {
  public:
    CSondrelDoc();
    CSondrelDoc(const CSondrelDoc&) = delete;
    CSondrelDoc& operator=(const CSondrelDoc&) = delete;

    void setViews(DocumentViews* views) { views_ = views ? views : &noViews_; }
    DocumentViews& views() { return *views_; }

    HeadSettings head;
    LinkStatus link;
    Ping ping;
    PingTally pings;
    OperatingFlags flags;
    OrientationStatus orientation;
    FileSettings files;
    DisplaySettings display;
    CSonarBitmap sonarBitmap;

    // ================= operations =================

    // Ends every settings change: redraw mark, panel refresh (which also applies
    // the step rule and, with automatic frequency, the per-range table), image
    // reset when due, and a redraw when no ping will come to do it.
    void applySettings();
    // What the settings panels do to the document whenever they are refreshed.
    void applyPanelRules();

    void clearPingState();
    // Pitch, roll and distance, and whether each was read.
    void clearOrientationReadings();
    // What the windows show: the live head's settings and readings, or while a
    // file plays, those its ping on show was taken with. Playback never
    // writes into the live settings or the command, so the live head finds
    // them as they were.
    HeadSettings headOnShow() const;
    const OrientationReadings& orientationOnShow() const {
        return flags.playbackActive ? ping.orientation : orientation;
    }
    bool orientationInputOnShow() const {
        return flags.playbackActive ? ping.settings.orientationOn : link.prdEnable != 0;
    }
    int pingPeriodOnShow() const {
        return flags.playbackActive ? ping.settings.pingPeriodRounded : pings.pingPeriodRounded;
    }

    // A live recording whose head has stopped answering: the file stays open
    // and goes on with the next ping.
    bool recordingPaused() const {
        return flags.recordingActive && !flags.playbackActive && !link.headAnswering;
    }
    void clearEchoShort();
    void clearSonarImage();

    // The spin of the panels: returns whether the index changed (then the image
    // must be cleared before the next ping).
    bool stepRange(int delta);

    void stepSectorWidth(int delta);
    void stepTrain(int delta);
    void stepSpeed(int delta);
    void stepScanMode(int delta);

    void stepFrequency(int delta);
    void stepAbsorption(int delta);
    void stepPulseLength(int delta);
    void stepSwitchDelay(int delta);
    void toggleAutoFrequency();

    // The one-shot reverse step direction request.
    void requestStepReverse();
    // Bytes 15 and 13 before the next command goes out.
    void prepareCommandForPoll();

  private:
    DocumentViews noViews_;
    DocumentViews* views_ = &noViews_;
};

}  // namespace sondrel
