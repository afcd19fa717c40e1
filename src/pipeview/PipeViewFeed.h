#pragma once
// The wall map and the tube of what the program shows: each ping the document
// takes in (live, or as a file plays) made into a slice and appended to both,
// and both started afresh when the source changes (another file played, or
// acquisition after playback), since its pings are another pipe. A whole file
// read at once takes the place of what was appended of it; its pings played
// afterwards are only marked as the one on show, as the views hold them
// already.

#include <cstdint>
#include <memory>
#include <optional>
#include <string>

#include "display/ProfilePass.h"
#include "pipeview/Chainage.h"
#include "pipeview/PipeSlice.h"
#include "pipeview/TubeModel.h"
#include "pipeview/WallMap.h"

namespace sondrel {

class CSondrelDoc;

struct PipeViewData {
    WallMap map;
    TubeModel tube;
};

class PipeViewFeed {
  public:
    // Records are placed by their distance readings until a survey's
    // chainage is given: for live pings that of the recording's header, for a
    // played file that of its survey once it is read whole.
    explicit PipeViewFeed(CSondrelDoc& doc, SliceSettings settings = {});

    enum class Change { None, Marked, Appended, NewSource };
    // After every update of the document's views: takes the ping on show once.
    Change documentUpdated();

    const PipeViewData& views() const { return *views_; }
    // The file played now, empty while live; whether it is read whole.
    const std::string& playedFile() const { return playedPath_; }
    bool wholeFileRead() const { return wholeFile_; }
    // Views of the whole of `path` (made off the window's thread): they stand
    // for the played file from now on, if it is still the one played.
    bool takeWholeFile(const std::string& path, std::unique_ptr<PipeViewData> views);

    // The ping on show: its chainage, record and place in the file (-1 live).
    std::optional<double> currentChainage() const { return currentChainage_; }
    std::int64_t currentRecord() const { return currentRecord_; }
    // Where record `record` (from 1) starts in the played file: records of
    // one file are all of one size.
    std::int64_t filePositionOf(std::int64_t record) const;

    const SliceSettings& sliceSettings() const { return settings_; }
    // What the departures are taken from; the views start afresh.
    void setSliceSettings(const SliceSettings& settings);
    // What places the pings on show now.
    const ChainageSource& chainage() const { return *chainage_; }
    // Live pings from now on; the views start afresh when live.
    void setLiveChainage(std::shared_ptr<const ChainageSource> chainage);
    // The pings of `path` while it plays (another file, or acquisition, goes
    // back to the distance readings); the views start afresh. False when
    // `path` is no longer the file played.
    bool setPlayedChainage(const std::string& path, std::shared_ptr<const ChainageSource> chainage);

  private:
    void restart();
    std::int64_t recordSize() const;

    CSondrelDoc& doc_;
    std::shared_ptr<const ChainageSource> readings_, live_;
    std::shared_ptr<const ChainageSource> chainage_;  // of the source on show
    SliceSettings settings_;
    std::unique_ptr<PipeViewData> views_;
    std::unique_ptr<SliceMaker> maker_;
    ProfilePath path_;
    PipeSlice slice_;
    bool playing_ = false;
    bool wholeFile_ = false;
    std::string playedPath_;
    int lastPingCount_ = -1;
    std::int64_t lastPosition_ = -1;
    std::optional<double> currentChainage_;
    std::int64_t currentRecord_ = -1;
};

}  // namespace sondrel
