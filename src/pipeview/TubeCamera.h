#pragma once
// Where the 3D view of the tube looks from: a camera orbiting a point on the
// pipe's axis (yaw about the axis of the view's up, pitch above or below, a
// distance), the point flown along the chainage. The stretch of tube worth a
// mesh grows with the distance, so a camera far off sees the whole survey at
// a coarse level and one close by a short stretch in full detail; a new mesh
// is needed only once the camera has left the middle of the last one.

namespace sondrel {

struct MeshStretch {
    double from = 0.0, to = 0.0;
    bool contains(double from2, double to2) const { return from <= from2 && to2 <= to; }
};

class TubeCamera {
  public:
    static constexpr double kNearest = 0.2, kFarthest = 3000.0;  // metres
    static constexpr double kSteepest = 89.0;                    // degrees of pitch

    double yaw() const { return yaw_; }
    double pitch() const { return pitch_; }
    double distance() const { return distance_; }
    double fly() const { return fly_; }

    void orbit(double yawDegrees, double pitchDegrees);
    // Factor > 1 moves closer.
    void zoom(double factor);
    // Along the chainage, kept within [start, end].
    void flyTo(double chainage, double start, double end);

    // The stretch the camera sees enough of to draw now, and the larger one
    // a mesh is made of so that small moves need no new one.
    MeshStretch seen() const;
    MeshStretch meshed() const;

  private:
    double yaw_ = 60.0, pitch_ = -20.0, distance_ = 3.5, fly_ = 0.0;
};

}  // namespace sondrel
