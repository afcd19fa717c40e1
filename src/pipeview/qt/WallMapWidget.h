#pragma once
// The wall map drawn: the grid painted by the core into one picture (never a
// call per cell), chainage across with its metre marks, the clock down with
// 12, 3, 6, 9 and 12 marked, the legend of the departure scale and of the two
// colours outside it, and the ping on show as a vertical line. The wheel and
// + / - zoom about the pointer or the middle, a drag and the arrow keys pan, a
// click asks for the record nearest the chainage clicked.

#include <QImage>
#include <QWidget>

#include <functional>
#include <optional>

#include "pipeview/ChainageWindow.h"
#include "pipeview/DepartureScale.h"
#include "pipeview/WallMap.h"

namespace sondrel {

class WallMapWidget : public QWidget {
    Q_OBJECT

  public:
    explicit WallMapWidget(QWidget* parent = nullptr);

    // Asked for the map at every paint, since the map of another source or of
    // a whole file read takes the place of the one before.
    void setMapSource(std::function<const WallMap*()> source);
    // The map grew or the ping on show moved; repainted on the next paint.
    void dataChanged(std::optional<double> currentChainage);
    void setClickHandler(std::function<void(double chainage)> clicked) {
        clicked_ = std::move(clicked);
    }

    const ChainageWindow& window() const { return window_; }
    ChainageWindow& window() { return window_; }
    // Where the cells are drawn, and the chainage of a column of it.
    QRect mapRect() const;
    double chainageAtX(double x) const;
    double xOfChainage(double chainage) const;
    const QImage& picture() const { return picture_; }
    const DepartureScale& scale() const { return scale_; }
    void setScale(const DepartureScale& scale);

  protected:
    bool event(QEvent* event) override;
    void paintEvent(QPaintEvent* event) override;
    void wheelEvent(QWheelEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;

  private:
    void renderPicture(const QRect& area);
    void drawAxes(QPainter& painter, const QRect& area);
    void drawLegend(QPainter& painter, const QRect& area);
    void syncExtent();
    // Picture columns for the stretch shown: no more than the bins a ping
    // reached in it, so that sparse pings do not leave stripes of no echo.
    int pictureColumns(int width) const;

    const WallMap* map() const;
    std::function<const WallMap*()> source_;
    const WallMap* lastMap_ = nullptr;
    DepartureScale scale_;
    ChainageWindow window_{1.0};
    std::optional<double> current_;

    std::function<void(double)> clicked_;
    RgbImage rgb_;
    QImage picture_;
    bool stale_ = true;
    double pictureFrom_ = 0.0, pictureTo_ = 0.0;
    int pictureWidth_ = 0;
    // A press becomes a drag once it moves a few pixels; a release without one is a click.
    std::optional<QPoint> pressedAt_;
    double pressedFrom_ = 0.0;
    bool dragged_ = false;
};

}  // namespace sondrel
