#include "pipeview/qt/TubeGeometry.h"

#include <QVector3D>

#include <cmath>
#include <cstring>
#include <limits>
#include <numbers>
#include <vector>

#include "pipeview/TubeModel.h"

namespace sondrel {

namespace {

// Position, normal and colour as floats.
constexpr int kFloats = 10;
constexpr int kStride = kFloats * static_cast<int>(sizeof(float));

struct Bounds {
    QVector3D low{std::numeric_limits<float>::max(), std::numeric_limits<float>::max(),
                  std::numeric_limits<float>::max()};
    QVector3D high = -low;
    void take(float x, float y, float z) {
        low = QVector3D(std::min(low.x(), x), std::min(low.y(), y), std::min(low.z(), z));
        high = QVector3D(std::max(high.x(), x), std::max(high.y(), y), std::max(high.z(), z));
    }
};

void putVertex(float* v, float x, float y, float z, Rgb c, Bounds& bounds) {
    const float r = std::hypot(x, y);
    v[0] = x;
    v[1] = y;
    v[2] = z;
    v[3] = r > 0 ? x / r : 0.0f;
    v[4] = r > 0 ? y / r : 0.0f;
    v[5] = 0.0f;
    v[6] = c.r / 255.0f;
    v[7] = c.g / 255.0f;
    v[8] = c.b / 255.0f;
    v[9] = 1.0f;
    bounds.take(x, y, z);
}

}  // namespace

TubeGeometry::TubeGeometry(QQuick3DObject* parent) : QQuick3DGeometry(parent) {
    begin();
    update();
}

void TubeGeometry::begin() {
    clear();
    setStride(kStride);
    setPrimitiveType(PrimitiveType::Triangles);
    addAttribute(Attribute::PositionSemantic, 0, Attribute::F32Type);
    addAttribute(Attribute::NormalSemantic, 3 * sizeof(float), Attribute::F32Type);
    addAttribute(Attribute::ColorSemantic, 6 * sizeof(float), Attribute::F32Type);
    addAttribute(Attribute::IndexSemantic, 0, Attribute::U32Type);
}

void TubeGeometry::setMesh(const TubeMesh& mesh) {
    begin();
    const std::size_t count = mesh.colours.size();
    QByteArray vertices(static_cast<qsizetype>(count * kStride), Qt::Uninitialized);
    auto* v = reinterpret_cast<float*>(vertices.data());
    Bounds bounds;
    for (std::size_t i = 0; i < count; ++i) {
        putVertex(v + i * kFloats, mesh.positions[3 * i], mesh.positions[3 * i + 1],
                  mesh.positions[3 * i + 2], mesh.colours[i], bounds);
    }
    QByteArray indices(reinterpret_cast<const char*>(mesh.indices.data()),
                       static_cast<qsizetype>(mesh.indices.size() * sizeof(std::uint32_t)));
    setVertexData(vertices);
    setIndexData(indices);
    if (count > 0) setBounds(bounds.low, bounds.high);
    vertices_ = static_cast<int>(count);
    update();
}

void TubeGeometry::setBand(double radius, double width, Rgb colour) {
    begin();
    constexpr int kSegments = 96;
    std::vector<float> v(static_cast<std::size_t>(2 * kSegments * kFloats));
    std::vector<std::uint32_t> idx;
    Bounds bounds;
    for (int i = 0; i < kSegments; ++i) {
        const double a = 2 * std::numbers::pi * i / kSegments;
        const auto x = static_cast<float>(radius * std::sin(a));
        const auto y = static_cast<float>(radius * std::cos(a));
        for (int side = 0; side < 2; ++side) {
            const auto z = static_cast<float>((side - 0.5) * width);
            putVertex(v.data() + (2 * i + side) * kFloats, x, y, z, colour, bounds);
        }
        const auto a0 = static_cast<std::uint32_t>(2 * i);
        const auto b0 = static_cast<std::uint32_t>(2 * ((i + 1) % kSegments));
        idx.insert(idx.end(), {a0, b0, a0 + 1, a0 + 1, b0, b0 + 1});
    }
    setVertexData(QByteArray(reinterpret_cast<const char*>(v.data()),
                             static_cast<qsizetype>(v.size() * sizeof(float))));
    setIndexData(QByteArray(reinterpret_cast<const char*>(idx.data()),
                            static_cast<qsizetype>(idx.size() * sizeof(std::uint32_t))));
    setBounds(bounds.low, bounds.high);
    vertices_ = 2 * kSegments;
    update();
}

}  // namespace sondrel
