#pragma once
// The settings file as one run of the program sees it. Normally that is the
// file itself. A run pointed at another head (the simulated one) uses that head
// for as long as it runs, but the operator's own head settings stay in the file
// untouched: every load puts the run's head back over them, every save writes
// the operator's values.

#include <array>
#include <optional>
#include <string>

#include "acquisition/ComPortNames.h"
#include "acquisition/Links.h"

namespace sondrel {

struct HeadChoice {
    int sonarType = 0;
    std::string ipAddress;
    int ipPort = kDefaultHeadPort;
};

// The orientation input of a run: the instrument on COM `comPort`, which this
// run alone takes for `device` (the simulator's pseudo-terminal).
struct OrientationChoice {
    int comPort = 256;
    int baud = 38400;
    int sentenceType = 0;
    std::string device;
};

class RunSettings : public SettingsStore {
  public:
    explicit RunSettings(std::string path) : path_(std::move(path)) {}

    const std::string& path() const { return path_; }

    // Uses this head for the rest of the run without saving it.
    void overrideHead(HeadChoice head) { override_ = std::move(head); }
    const std::optional<HeadChoice>& headOverride() const { return override_; }
    // Reads orientation from this instrument for the rest of the run, as above.
    void overrideOrientation(OrientationChoice orientation) {
        orientationOverride_ = std::move(orientation);
    }
    // COM number to device as the file says, but the run's instrument first.
    ComPortResolver portNames() const;

    void load(CSondrelDoc& doc) override;
    void save(CSondrelDoc& doc) override;
    bool lastSaveSucceeded() const override { return lastSaveOk_; }
    // Why the last save failed; empty after a success.
    const std::string& lastSaveFailure() const { return lastSaveFailure_; }

  private:
    void putRuns(CSondrelDoc& doc) const;

    std::string path_;
    std::optional<HeadChoice> override_;
    std::optional<OrientationChoice> orientationOverride_;
    // The head the operator's file names, as last loaded.
    HeadChoice operatorsHead_;
    bool operatorsHeadKnown_ = false;
    // The operator's orientation input (enable, COM port, baud, sentence), as last loaded.
    std::array<int, 4> operatorsOrientation_{};
    bool lastSaveOk_ = true;
    std::string lastSaveFailure_;
};

}  // namespace sondrel
