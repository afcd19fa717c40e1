#include "pipeview/qt/WallMapDock.h"

#include "pipeview/PipeViewFeed.h"
#include "pipeview/qt/WallMapWidget.h"

namespace sondrel {

WallMapDock::WallMapDock(const PipeViewFeed& feed, QWidget* parent)
    : QDockWidget(tr("Pipe Wall Map"), parent), feed_(feed), widget_(new WallMapWidget(this)) {
    setObjectName(QStringLiteral("PipeWallMap"));
    setWidget(widget_);
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
