#include "app/qt/CSondrelView.h"

#include <QKeyEvent>
#include <QMouseEvent>
#include <QPainter>
#include <QResizeEvent>

#include <cctype>

#include "acquisition/SondrelDoc.h"
#include "app/CommandRules.h"
#include "app/CommandTable.h"
#include "app/qt/QtOperatorPort.h"
#include "app/qt/ViewCursors.h"
#include "display/ViewInteraction.h"
#include "display/ViewPainter.h"

namespace sondrel {

namespace {

constexpr int kBlinkIntervalMs = 500;

// The character a key types, as the view's rules count characters; -1 for a
// key that types none. Keys held with Ctrl, Alt or Meta type nothing here: they
// belong to the window's shortcuts.
int typedCharacter(const QKeyEvent& event) {
    if (event.modifiers() & (Qt::ControlModifier | Qt::AltModifier | Qt::MetaModifier)) return -1;
    switch (event.key()) {
        case Qt::Key_Backspace:
            return kBackspaceCharacter;
        case Qt::Key_Return:
        case Qt::Key_Enter:
            return kEnterCharacter;
        case Qt::Key_Escape:
            return kEscapeCharacter;
        default:
            break;
    }
    const QString text = event.text();
    if (text.isEmpty()) return -1;
    return static_cast<int>(text.toUcs4().value(0, 0));
}

}  // namespace

CSondrelView::CSondrelView(CSondrelDoc& doc, QWidget* parent) : QWidget(parent), doc_(doc) {
    // Every pixel comes from the back buffer: no erase, no system background.
    setAttribute(Qt::WA_OpaquePaintEvent);
    setAttribute(Qt::WA_NoSystemBackground);
    setFocusPolicy(Qt::StrongFocus);
    setMouseTracking(true);
    blink_.setSingleShot(true);
    blink_.setInterval(kBlinkIntervalMs);
    connect(&blink_, &QTimer::timeout, this, &CSondrelView::onBlinkTimer);
}

void CSondrelView::onDocumentUpdate(ViewHint hint) {
    if (applyDocumentUpdate(doc_, state_, hint)) blink_.start();
    showModeCursor();
    if (pacer_)
        pacer_->request(kRefreshView);
    else
        update();
}

void CSondrelView::paintEvent(QPaintEvent* /*event*/) {
    // Before the first non-empty size there is no buffer and nothing to show.
    if (buffer_.isNull()) return;
    buildViewFrame(doc_, state_, list_, geometry_ ? geometry_->exporter() : nullptr);
    if (geometry_) {
        geometry_->appendTo(doc_, state_, geometrySettings_, list_);
    }
    renderer_.render(list_, buffer_);
    QPainter painter(this);
    painter.drawImage(0, 0, buffer_);
    ++paints_;
    if (pacer_) pacer_->done();
}

void CSondrelView::showGeometryOverlay(bool shown) {
    if (shown == geometryOverlayShown()) return;
    if (shown)
        geometry_ = std::make_unique<GeometryOverlay>(doc_);
    else
        geometry_.reset();
    update();
}

void CSondrelView::resizeEvent(QResizeEvent* event) {
    QWidget::resizeEvent(event);
    const QSize size = event->size();
    // A window minimised or squeezed to nothing keeps its last picture.
    if (state_.resize(size.width(), size.height()))
        buffer_ = QImage(size, QImage::Format_ARGB32_Premultiplied);
}

int CSondrelView::modes() const {
    const ViewRequests& r = state_.requests;
    return (r.textInputMode ? 1 : 0) | (r.measurementMode ? 2 : 0) | (r.circleMoveMode ? 4 : 0);
}

void CSondrelView::showModeCursor() {
    const ViewCursor kind = viewCursor(state_.requests);
    if (static_cast<int>(kind) == cursorShown_) return;
    cursorShown_ = static_cast<int>(kind);
    setCursor(viewCursorShape(kind));
}

void CSondrelView::respond(bool repaintNow, bool startBlink, int modesBefore) {
    if (startBlink) blink_.start();
    showModeCursor();
    if (repaintNow) repaint();
    if (modes() != modesBefore && modesChanged_) modesChanged_();
}

void CSondrelView::keyPressEvent(QKeyEvent* event) {
    const int before = modes();
    const int character = typedCharacter(*event);
    if (character >= 0) {
        const TypedResponse typed = characterTyped(state_, character);
        if (typed.taken) {
            respond(typed.repaint, false, before);
            event->accept();
            return;
        }
    }
    int id = 0;
    if (runCommand_ && character >= 'A' && character <= 'z' && std::isalpha(character)) {
        id = commandForViewKey(static_cast<char>(std::tolower(character)));
        // A letter whose command cannot run now (key-in during playback) is not
        // the image's: it goes on to the window.
        if (id != 0 && !commandEnabled(id, doc_, {})) id = 0;
    }
    if (id != 0) {
        runCommand_(id);
        event->accept();
        return;
    }
    QWidget::keyPressEvent(event);
}

void CSondrelView::mousePressEvent(QMouseEvent* event) {
    const int before = modes();
    const QPoint at = event->position().toPoint();
    ViewResponse response;
    if (event->button() == Qt::LeftButton) {
        response = leftButtonDown(doc_, state_, at.x(), at.y());
    } else if (event->button() == Qt::RightButton) {
        response = rightButtonDown(state_);
    } else {
        QWidget::mousePressEvent(event);
        return;
    }
    // The window system holds the mouse for the view until the button is released.
    respond(response.repaint, response.startBlink, before);
    if (response.listFull) showStatusNote(this, annotationListFullText());
    event->accept();
}

void CSondrelView::mouseMoveEvent(QMouseEvent* event) {
    const QPoint at = event->position().toPoint();
    const ViewResponse response = mouseMoved(doc_, state_, at.x(), at.y());
    if (pointerMoved_) pointerMoved_();
    respond(response.repaint, response.startBlink, modes());
    event->accept();
}

void CSondrelView::mouseReleaseEvent(QMouseEvent* event) {
    if (event->button() != Qt::LeftButton) {
        QWidget::mouseReleaseEvent(event);
        return;
    }
    leftButtonUp(doc_, state_);
    event->accept();
}

// The blink runs while the circle is being moved, or while a text is typed.
void CSondrelView::onBlinkTimer() {
    blink_.stop();
    if (blinkTimerFired(state_)) {
        blink_.start();
        doc_.views().updateViews(ViewHint::Repaint);
    }
}

}  // namespace sondrel
