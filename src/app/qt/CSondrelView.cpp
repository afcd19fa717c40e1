#include "app/qt/CSondrelView.h"

#include <QKeyEvent>
#include <QMouseEvent>
#include <QPainter>
#include <QResizeEvent>

#include "acquisition/SondrelDoc.h"
#include "app/CommandRules.h"
#include "display/CursorReadout.h"
#include "display/ViewPainter.h"

namespace sondrel {

namespace {
constexpr int kBlinkIntervalMs = 500;
}

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
    update();
}

void CSondrelView::paintEvent(QPaintEvent* /*event*/) {
    // Before the first non-empty size there is no buffer and nothing to show.
    if (buffer_.isNull()) return;
    buildViewFrame(doc_, state_, list_, geometry_ ? geometry_->exporter() : nullptr);
    if (geometry_) {
        geometry_->appendTo(doc_, state_, geometrySettings_.nominalFor(doc_.display.circleDiameter),
                            list_);
    }
    renderer_.render(list_, buffer_);
    QPainter painter(this);
    painter.drawImage(0, 0, buffer_);
    ++paints_;
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

void CSondrelView::keyPressEvent(QKeyEvent* event) {
    int id = 0;
    const int key = event->key();
    if (!(doc_.textInputMode && state_.textCursor) && runCommand_ && key >= Qt::Key_A &&
        key <= Qt::Key_Z) {
        id = commandForViewKey(static_cast<char>('a' + (key - Qt::Key_A)));
        // A letter whose command cannot run now (key-in during playback) is not
        // the image's: it goes on to the window.
        if (id != 0 && !commandEnabled(id, doc_, {})) id = 0;
    }
    if (id != 0 && (event->modifiers() & ~Qt::ShiftModifier) == Qt::NoModifier) {
        runCommand_(id);
        event->accept();
        return;
    }
    QWidget::keyPressEvent(event);
}

void CSondrelView::mouseMoveEvent(QMouseEvent* event) {
    const QPoint at = event->position().toPoint();
    state_.lastMouseX = at.x();
    state_.lastMouseY = at.y();
    updateCursorReadout(doc_, state_, at.x(), at.y());
    if (pointerMoved_) pointerMoved_();
    QWidget::mouseMoveEvent(event);
}

// The blink runs while the circle is being moved, or while a text is typed.
void CSondrelView::onBlinkTimer() {
    blink_.stop();
    if (doc_.circleMoveMode || (doc_.textInputMode && state_.textCursor)) {
        state_.blinkPhase = state_.blinkPhase ? 0 : 1;
        blink_.start();
        doc_.views().updateViews(ViewHint::Repaint);
    }
}

}  // namespace sondrel
