#pragma once
// The tube's mesh handed to Qt Quick 3D as custom geometry: positions, normals
// pointing away from the pipe's axis (lit alike from inside and out) and the
// vertex colours of the departure scale. Also the ring that marks the ping on
// show: a short band about the axis in one colour.

#include <QQuick3DGeometry>

#include "common/Colour.h"

namespace sondrel {

struct TubeMesh;

class TubeGeometry : public QQuick3DGeometry {
    Q_OBJECT

  public:
    explicit TubeGeometry(QQuick3DObject* parent = nullptr);

    void setMesh(const TubeMesh& mesh);
    // A band of `width` metres about the axis at z = 0, `radius` from it.
    void setBand(double radius, double width, Rgb colour);
    int vertexCount() const { return vertices_; }

  private:
    void begin();
    int vertices_ = 0;
};

}  // namespace sondrel
