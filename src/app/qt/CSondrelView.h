#pragma once
// The view of the document: paints each frame into its own back buffer and
// copies that to the window in one step, so the display never flickers and the
// background is never erased separately.

#include <QImage>
#include <QTimer>
#include <QWidget>

#include <functional>
#include <memory>

#include "analysis/GeometryOverlay.h"
#include "analysis/GeometrySettings.h"
#include "app/qt/PacedUpdate.h"
#include "display/DisplayList.h"
#include "display/ViewState.h"
#include "display/qt/DisplayListRenderer.h"

namespace sondrel {

class CSondrelDoc;

class CSondrelView : public QWidget {
    Q_OBJECT

  public:
    explicit CSondrelView(CSondrelDoc& doc, QWidget* parent = nullptr);

    // The window's pace of repaints, which the view's document updates keep
    // to; without one the view repaints at every update.
    void setPacer(PacedUpdate* pacer) { pacer_ = pacer; }
    void onDocumentUpdate(ViewHint hint);

    // The view's one-letter keys run commands through whoever owns the commands.
    void setCommandRunner(std::function<bool(int)> runner) { runCommand_ = std::move(runner); }
    // Told after every mouse move over the view, once the readout is updated.
    void setPointerListener(std::function<void()> listener) { pointerMoved_ = std::move(listener); }
    // Told when the mouse or a key has switched an input mode off, so that the
    // check marks of the mode commands follow.
    void setModeListener(std::function<void()> listener) { modesChanged_ = std::move(listener); }

    // The pipe geometry drawn over the frame; off until shown.
    void setGeometrySettings(const GeometrySettings& settings) {
        geometrySettings_ = settings;
        update();
    }
    void showGeometryOverlay(bool shown);
    bool geometryOverlayShown() const { return geometry_ != nullptr; }
    const GeometryOverlay* geometryOverlay() const { return geometry_.get(); }

    ViewState& viewState() { return state_; }
    const QImage& backBuffer() const { return buffer_; }
    // Frames painted so far (the window's own repaints included).
    long paintCount() const { return paints_; }
    bool blinkTimerActive() const { return blink_.isActive(); }

  protected:
    void paintEvent(QPaintEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;

  private:
    void onBlinkTimer();
    // Carries out what the view's rules asked for after an event.
    void respond(bool repaintNow, bool startBlink, int modesBefore);
    int modes() const;
    void showModeCursor();

    CSondrelDoc& doc_;
    ViewState state_;
    DisplayList list_;
    DisplayListRenderer renderer_;
    QImage buffer_;
    QTimer blink_;  // the view's own timer (2010): text cursor and circle-move blinking
    std::function<bool(int)> runCommand_;
    std::function<void()> pointerMoved_;
    std::function<void()> modesChanged_;
    int cursorShown_ = 0;
    GeometrySettings geometrySettings_;
    std::unique_ptr<GeometryOverlay> geometry_;
    long paints_ = 0;
    PacedUpdate* pacer_ = nullptr;
};

}  // namespace sondrel
