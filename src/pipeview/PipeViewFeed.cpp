#include "pipeview/PipeViewFeed.h"

#include "acquisition/SondrelDoc.h"
#include "analysis/GeometrySeries.h"
#include "recording/RecordFormat.h"

namespace sondrel {

PipeViewFeed::PipeViewFeed(CSondrelDoc& doc, SliceSettings settings)
    : doc_(doc),
      readings_(std::make_shared<DistanceReadingChainage>()),
      live_(readings_),
      chainage_(readings_),
      settings_(settings) {
    restart();
}

void PipeViewFeed::setLiveChainage(std::shared_ptr<const ChainageSource> chainage) {
    live_ = chainage ? std::move(chainage) : readings_;
    if (playing_) return;
    chainage_ = live_;
    restart();
}

bool PipeViewFeed::setPlayedChainage(const std::string& path,
                                     std::shared_ptr<const ChainageSource> chainage) {
    if (!chainage || !playing_ || path != playedPath_) return false;
    chainage_ = std::move(chainage);
    restart();
    return true;
}

void PipeViewFeed::restart() {
    views_ = std::make_unique<PipeViewData>();
    // Its times count from the first ping of the source.
    maker_ = std::make_unique<SliceMaker>(doc_, settings_, *chainage_);
    wholeFile_ = false;
    lastPingCount_ = -1;
    lastPosition_ = -1;
    currentChainage_.reset();
    currentRecord_ = -1;
}

void PipeViewFeed::setSliceSettings(const SliceSettings& settings) {
    settings_ = settings;
    restart();
}

std::int64_t PipeViewFeed::recordSize() const {
    return doc_.ping.recordSize > 0 ? doc_.ping.recordSize : static_cast<std::int64_t>(kRecordSize);
}

std::int64_t PipeViewFeed::filePositionOf(std::int64_t record) const {
    return (record - 1) * recordSize();
}

PipeViewFeed::Change PipeViewFeed::documentUpdated() {
    if (!doc_.pings.pingOnScreen) return Change::None;
    Change change = Change::None;
    const bool playing = doc_.flags.playbackActive;
    if (playing != playing_ || (playing && doc_.files.playbackPath != playedPath_)) {
        playing_ = playing;
        playedPath_ = playing ? doc_.files.playbackPath : std::string();
        // A survey's chainage belongs to its own recording.
        chainage_ = playing ? readings_ : live_;
        restart();
        change = Change::NewSource;
    }
    const std::int64_t position = playing ? doc_.ping.filePosition : -1;
    if (doc_.pings.pingCount == lastPingCount_ && position == lastPosition_) return change;
    lastPingCount_ = doc_.pings.pingCount;
    lastPosition_ = position;

    const std::int64_t record = position >= 0 ? position / recordSize() + 1 : doc_.pings.pingCount;
    currentRecord_ = record;
    if (wholeFile_) {
        // The views have the ping already: only where it lies is new.
        const RecordChainage where = chainage_->chainageOf(record, travelledDistance(doc_));
        currentChainage_ = where.metres;
        return change == Change::None ? Change::Marked : change;
    }
    runProfilePass(doc_, path_, maker_.get());
    maker_->make(record, slice_);
    currentChainage_.reset();
    if (slice_.placed()) currentChainage_ = slice_.chainage;
    views_->map.append(slice_);
    views_->tube.append(slice_);
    return change == Change::None ? Change::Appended : change;
}

bool PipeViewFeed::takeWholeFile(const std::string& path, std::unique_ptr<PipeViewData> views) {
    if (!views || !playing_ || path != playedPath_) return false;
    views_ = std::move(views);
    wholeFile_ = true;
    return true;
}

}  // namespace sondrel
