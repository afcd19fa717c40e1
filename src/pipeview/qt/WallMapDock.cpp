#include "pipeview/qt/WallMapDock.h"

#include <QComboBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QVBoxLayout>

#include "pipeview/PipeViewFeed.h"
#include "pipeview/qt/WallMapWidget.h"

namespace sondrel {

WallMapDock::WallMapDock(const PipeViewFeed& feed, QWidget* parent)
    : QDockWidget(tr("Pipe Wall Map"), parent), feed_(feed) {
    setObjectName(QStringLiteral("PipeWallMap"));
    auto* body = new QWidget(this);
    auto* layout = new QVBoxLayout(body);
    layout->setContentsMargins(2, 2, 2, 2);
    layout->setSpacing(2);
    auto* bar = new QHBoxLayout;
    bar->addWidget(new QLabel(tr("Wall held against:"), body));
    centreBox_ = new QComboBox(body);
    centreBox_->addItem(tr("the fitted circle"), static_cast<int>(WallCentre::FittedCircle));
    centreBox_->addItem(tr("the head's line"), static_cast<int>(WallCentre::Head));
    centreBox_->setCurrentIndex(feed.sliceSettings().centre == WallCentre::Head ? 1 : 0);
    connect(centreBox_, &QComboBox::activated, this, [this](int index) {
        if (centre_) centre_(static_cast<WallCentre>(centreBox_->itemData(index).toInt()));
    });
    bar->addWidget(centreBox_);
    bar->addStretch(1);
    layout->addLayout(bar);
    widget_ = new WallMapWidget(body);
    layout->addWidget(widget_, 1);
    setWidget(body);
    widget_->setMapSource([this] { return &feed_.views().map; });
    widget_->setClickHandler([this](double chainage) { playNear(chainage); });
}

void WallMapDock::refresh() {
    widget_->dataChanged(feed_.currentChainage());
}

bool WallMapDock::playNear(double chainage) {
    if (!jump_ || feed_.playedFile().empty()) return false;
    const std::optional<std::int64_t> record = feed_.views().map.recordAt(chainage);
    if (!record) return false;
    jump_(feed_.filePositionOf(*record));
    return true;
}

}  // namespace sondrel
