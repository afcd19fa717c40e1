#include "pipeview/qt/WallMapWidget.h"

#include <QKeyEvent>
#include <QMouseEvent>
#include <QPainter>
#include <QWheelEvent>

#include <algorithm>
#include <cmath>
#include <cstring>
#include "common/qt/QtColour.h"

namespace sondrel {

namespace {

constexpr int kLeft = 48, kRight = 12, kTop = 8, kAxisBelow = 24, kLegendHeight = 34;
constexpr double kZoomStep = 1.25;
constexpr double kKeyPanShare = 0.1;
constexpr int kDragThreshold = 4;
// Fewer columns than bins reached, so that pings bunched unevenly still
// leave none empty.
constexpr double kBinsPerColumn = 2.0;
const QColor kCurrentColour(40, 220, 90);

QString metresText(double metres, double step) {
    const int decimals = step >= 1.0 ? 0 : static_cast<int>(std::ceil(-std::log10(step) - 1e-9));
    return QStringLiteral("%1 m").arg(metres, 0, 'f', decimals);
}

}  // namespace

WallMapWidget::WallMapWidget(QWidget* parent) : QWidget(parent) {
    setFocusPolicy(Qt::StrongFocus);
    setMinimumSize(360, 220);
    setAttribute(Qt::WA_OpaquePaintEvent);
}

void WallMapWidget::setMapSource(std::function<const WallMap*()> source) {
    source_ = std::move(source);
    dataChanged(current_);
}

const WallMap* WallMapWidget::map() const {
    return source_ ? source_() : nullptr;
}

void WallMapWidget::setScale(const DepartureScale& scale) {
    scale_ = scale;
    stale_ = true;
    update();
}

void WallMapWidget::dataChanged(std::optional<double> currentChainage) {
    current_ = currentChainage;
    stale_ = true;
    syncExtent();
    update();
}

int WallMapWidget::pictureColumns(int width) const {
    const WallMap* m = map();
    if (!m || m->empty()) return width;
    const std::int64_t first = m->binOf(window_.from()), last = m->binOf(window_.to());
    const int rows = m->rows();
    std::int64_t reached = 0;
    for (std::int64_t bin = first; bin <= last; ++bin) {
        // A ping reaches every clock position; a few rows tell.
        for (const int row : {0, rows / 4, rows / 2, 3 * rows / 4}) {
            if (m->cellAt(bin, row).state != CellState::NoEcho) {
                ++reached;
                break;
            }
        }
    }
    const double columns = std::ceil(static_cast<double>(reached) / kBinsPerColumn);
    return static_cast<int>(std::clamp(columns, 1.0, static_cast<double>(width)));
}

void WallMapWidget::syncExtent() {
    const WallMap* m = map();
    if (m != lastMap_) {
        // Another map starts followed again, whole.
        lastMap_ = m;
        stale_ = true;
        window_.follow();
    }
    if (!m || m->empty()) return;
    window_.setExtent(m->startChainage(), m->endChainage());
}

QRect WallMapWidget::mapRect() const {
    return QRect(kLeft, kTop, std::max(1, width() - kLeft - kRight),
                 std::max(1, height() - kTop - kAxisBelow - kLegendHeight));
}

double WallMapWidget::chainageAtX(double x) const {
    const QRect r = mapRect();
    return window_.from() + (x - r.left()) / r.width() * window_.span();
}

double WallMapWidget::xOfChainage(double chainage) const {
    const QRect r = mapRect();
    return r.left() + (chainage - window_.from()) / window_.span() * r.width();
}

void WallMapWidget::renderPicture(const QRect& area) {
    if (!stale_ && picture_.height() == area.height() && pictureWidth_ == area.width() &&
        pictureFrom_ == window_.from() && pictureTo_ == window_.to())
        return;
    pictureWidth_ = area.width();
    const QSize size(pictureColumns(area.width()), area.height());
    stale_ = false;
    pictureFrom_ = window_.from();
    pictureTo_ = window_.to();
    rgb_.resize(size.width(), size.height());
    if (const WallMap* m = map()) {
        m->render(window_.from(), window_.to(), scale_, rgb_);
    } else {
        std::fill(rgb_.pixels.begin(), rgb_.pixels.end(), std::uint8_t{0});
    }
    if (picture_.size() != size) picture_ = QImage(size, QImage::Format_RGB888);
    // A QImage's rows are padded to 4 bytes; the core's are not.
    const auto rowBytes = static_cast<std::size_t>(size.width()) * 3;
    for (int y = 0; y < size.height(); ++y) {
        std::memcpy(picture_.scanLine(y),
                    rgb_.pixels.data() + rowBytes * static_cast<std::size_t>(y), rowBytes);
    }
}

void WallMapWidget::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    painter.fillRect(rect(), palette().window());
    const QRect area = mapRect();
    syncExtent();
    renderPicture(area);
    painter.drawImage(area, picture_);
    if (const WallMap* m = map(); !m || m->empty()) {
        painter.setPen(Qt::white);
        painter.drawText(area, Qt::AlignCenter, tr("No pings with a chainage yet"));
    }
    drawAxes(painter, area);
    if (current_ && *current_ >= window_.from() && *current_ <= window_.to()) {
        const int x = static_cast<int>(std::lround(xOfChainage(*current_)));
        painter.setPen(QPen(kCurrentColour, 2));
        painter.drawLine(x, area.top() - 4, x, area.bottom() + 4);
    }
    drawLegend(painter, QRect(area.left(), height() - kLegendHeight, area.width(), kLegendHeight));
}

void WallMapWidget::drawAxes(QPainter& painter, const QRect& area) {
    painter.setPen(palette().windowText().color());
    const QFontMetrics metrics = painter.fontMetrics();
    // The clock down the left: 12 at the top and again at the bottom edge.
    static constexpr const char* kHours[] = {"12", "3", "6", "9", "12"};
    for (int i = 0; i < 5; ++i) {
        const int y = area.top() + static_cast<int>(std::lround(area.height() * i / 4.0));
        painter.drawLine(area.left() - 5, y, area.left() - 1, y);
        const QString label = QString::fromLatin1(kHours[i]) + QStringLiteral(":00");
        const QRect box(0, y - metrics.height() / 2, area.left() - 7, metrics.height());
        painter.drawText(box, Qt::AlignRight | Qt::AlignVCenter, label);
    }
    // Metre marks along the bottom at a round step.
    const int maxTicks = std::max(2, area.width() / 90);
    const double step = roundTickStep(window_.span(), maxTicks);
    for (const double c : roundTicks(window_.from(), window_.to(), maxTicks)) {
        const int x = static_cast<int>(std::lround(xOfChainage(c)));
        painter.drawLine(x, area.bottom() + 1, x, area.bottom() + 5);
        const QString label = metresText(c, step);
        const int w = metrics.horizontalAdvance(label);
        const int left = std::clamp(x - w / 2, 0, std::max(0, width() - w));
        painter.drawText(left, area.bottom() + 6 + metrics.ascent(), label);
    }
}

void WallMapWidget::drawLegend(QPainter& painter, const QRect& box) {
    const QFontMetrics metrics = painter.fontMetrics();
    const auto& table = coolWarmTable();
    QImage bar(static_cast<int>(table.size()), 1, QImage::Format_RGB888);
    for (std::size_t i = 0; i < table.size(); ++i)
        bar.setPixelColor(static_cast<int>(i), 0, qcolour(table[i]));
    const int barWidth = std::min(260, box.width() / 2);
    const QRect barRect(box.left(), box.top() + 4, barWidth, 10);
    painter.drawImage(barRect, bar);
    painter.setPen(palette().windowText().color());
    const std::vector<LegendEntry> entries = scale_.legend(5);
    for (std::size_t i = 0; i < entries.size(); ++i) {
        const int x =
            barRect.left() + static_cast<int>(std::lround(barRect.width() * static_cast<double>(i) /
                                                          static_cast<double>(entries.size() - 1)));
        const double mm = entries[i].departureMm;
        QString label = QString::number(mm, 'f', 0);
        if (mm > 0) label.prepend(QLatin1Char('+'));
        if (i + 1 == entries.size()) label += QStringLiteral(" mm");
        const int w = metrics.horizontalAdvance(label);
        painter.drawText(std::clamp(x - w / 2, box.left(), box.left() + barWidth + 30),
                         barRect.bottom() + 2 + metrics.ascent(), label);
    }
    int x = barRect.right() + 40;
    for (const auto& [name, colour] :
         {std::pair{tr("Sediment"), kSedimentColour}, std::pair{tr("No echo"), kNoEchoColour}}) {
        painter.fillRect(QRect(x, barRect.top(), 14, 10), qcolour(colour));
        painter.drawRect(QRect(x, barRect.top(), 14, 10));
        painter.drawText(x + 18, barRect.top() + metrics.ascent() - 1, name);
        x += 18 + metrics.horizontalAdvance(name) + 16;
    }
}

void WallMapWidget::wheelEvent(QWheelEvent* event) {
    const double notches = event->angleDelta().y() / 120.0;
    if (notches == 0) return;
    window_.zoom(std::pow(kZoomStep, notches), chainageAtX(event->position().x()));
    update();
    event->accept();
}

void WallMapWidget::mousePressEvent(QMouseEvent* event) {
    if (event->button() != Qt::LeftButton) return QWidget::mousePressEvent(event);
    pressedAt_ = event->position().toPoint();
    pressedFrom_ = window_.from();
    dragged_ = false;
}

void WallMapWidget::mouseMoveEvent(QMouseEvent* event) {
    if (!pressedAt_) return;
    const int dx = event->position().toPoint().x() - pressedAt_->x();
    if (!dragged_ && std::abs(dx) < kDragThreshold) return;
    dragged_ = true;
    const double metresPerPixel = window_.span() / mapRect().width();
    window_.panMetres(pressedFrom_ - dx * metresPerPixel - window_.from());
    update();
}

void WallMapWidget::mouseReleaseEvent(QMouseEvent* event) {
    if (!pressedAt_ || event->button() != Qt::LeftButton) return;
    const QPoint at = *pressedAt_;
    pressedAt_.reset();
    if (dragged_ || !mapRect().contains(at) || !clicked_) return;
    clicked_(chainageAtX(at.x() + 0.5));
}

bool WallMapWidget::event(QEvent* event) {
    // The program's hot keys take the arrows everywhere but here.
    if (event->type() == QEvent::ShortcutOverride) {
        switch (static_cast<QKeyEvent*>(event)->key()) {
            case Qt::Key_Plus:
            case Qt::Key_Equal:
            case Qt::Key_Minus:
            case Qt::Key_Left:
            case Qt::Key_Right:
            case Qt::Key_End:
                event->accept();
                return true;
            default:
                break;
        }
    }
    return QWidget::event(event);
}

void WallMapWidget::keyPressEvent(QKeyEvent* event) {
    const double middle = (window_.from() + window_.to()) / 2;
    switch (event->key()) {
        case Qt::Key_Plus:
        case Qt::Key_Equal:
            window_.zoom(kZoomStep, middle);
            break;
        case Qt::Key_Minus:
            window_.zoom(1 / kZoomStep, middle);
            break;
        case Qt::Key_Left:
            window_.pan(-kKeyPanShare);
            break;
        case Qt::Key_Right:
            window_.pan(kKeyPanShare);
            break;
        case Qt::Key_End:
            window_.follow();
            syncExtent();
            break;
        default:
            return QWidget::keyPressEvent(event);
    }
    update();
}

}  // namespace sondrel
