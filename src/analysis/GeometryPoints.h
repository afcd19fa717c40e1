#pragma once
// The profile points of a ping in metres for the geometry: the profile pass
// hands them over exactly as it hands them to the XYZ export, and they are
// turned into metres by the export's own conversion, so the geometry measures
// the very points an XYZ file holds (roll correction and orientation alike).

#include <span>
#include <vector>

#include "analysis/PipeGeometry.h"
#include "display/ProfilePass.h"
#include "recording/XyzExport.h"

namespace sondrel {

class CSondrelDoc;

class GeometryPointCollector : public ProfileExport {
  public:
    explicit GeometryPointCollector(const CSondrelDoc& doc);

    // A point of the current pass; the first after an end of ping starts a
    // new ping.
    void point(double distancePixels, double angleDegrees) override;
    void endOfPing() override;

    // The points of the last complete ping.
    std::span<const GeometryPoint> points() const { return complete_; }

  private:
    const CSondrelDoc& doc_;
    XyzAxesCache axes_;
    std::vector<GeometryPoint> filling_;
    std::vector<GeometryPoint> complete_;
    double rangeMetres_ = 0.0, distanceM_ = 0.0;
    bool fresh_ = true;
};

// Hands every call of a pass on to two exports (either may be null), so the
// XYZ export and the geometry can follow the same pass.
class ProfileExportPair : public ProfileExport {
  public:
    ProfileExportPair(ProfileExport* first, ProfileExport* second)
        : first_(first), second_(second) {}
    void point(double distancePixels, double angleDegrees) override {
        if (first_) first_->point(distancePixels, angleDegrees);
        if (second_) second_->point(distancePixels, angleDegrees);
    }
    void endOfPing() override {
        if (first_) first_->endOfPing();
        if (second_) second_->endOfPing();
    }

  private:
    ProfileExport* first_;
    ProfileExport* second_;
};

}  // namespace sondrel
