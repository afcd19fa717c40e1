#pragma once
// The body of the window "Pipe 3D View" (a dock of the main window, which
// the operator may float): the tube of what the program shows as a surface
// in Qt Quick 3D, coloured by the wall map's scale, the ping on show marked by
// a ring. A drag orbits, the wheel zooms, the slider and the Up / Down and
// Page Up / Page Down keys fly along the chainage (Home follows the ping on
// show again). The mesh is of the stretch the camera sees, at the level of
// detail that keeps it within a ring budget, so memory and frame time stay
// bounded however long the survey. Where the window system offers no 3D
// rendering (no OpenGL, the software scene graph), the window says so.

#include <QWidget>

#include <optional>

#include "pipeview/DepartureScale.h"
#include "pipeview/TubeCamera.h"

class QImage;
class QLabel;
class QQuickItem;
class QQuickView;
class QQuickWindow;
class QSlider;

namespace sondrel {

class PipeViewFeed;
class TubeGeometry;
class TubeModel;

class Pipe3DWindow : public QWidget {
    Q_OBJECT

  public:
    static constexpr int kRingBudget = 3000;

    explicit Pipe3DWindow(const PipeViewFeed& feed, QWidget* parent = nullptr);

    // After the feed took pings in or a whole file: at the window's pace.
    void refresh();

    // Why 3D cannot be shown here; empty when it can.
    static QString unavailableReason();
    bool rendering() const { return quick_ != nullptr; }
    QLabel* messageLabel() const { return message_; }
    QQuickWindow* quickWindow() const;
    // The widget that holds the scene's window.
    QWidget* sceneWidget() const { return quick_; }
    // The scene drawn now (null without 3D).
    QImage grabFrame() const;
    QSlider* flySlider() const { return slider_; }
    const TubeCamera& camera() const { return camera_; }
    TubeCamera& camera() { return camera_; }
    // The tube's vertices now, and its level of detail.
    int meshVertices() const;
    int meshLevel() const { return level_; }
    // Puts the camera's state into the scene and the mesh of what it sees.
    void applyCamera();
    const DepartureScale& scale() const { return scale_; }
    void setScale(const DepartureScale& scale);

  protected:
    bool event(QEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    void showEvent(QShowEvent* event) override;

  private:
    void showMessage(const QString& text);
    void flyBy(double metres);
    void remesh(bool force);
    void syncSlider();

    const PipeViewFeed& feed_;
    DepartureScale scale_;
    TubeCamera camera_;
    QQuickView* view_ = nullptr;  // owned by its container
    QWidget* quick_ = nullptr;    // the container
    QQuickItem* scene_ = nullptr;
    TubeGeometry* tube_ = nullptr;
    TubeGeometry* ring_ = nullptr;
    QLabel* message_ = nullptr;
    QSlider* slider_ = nullptr;
    const TubeModel* meshedModel_ = nullptr;
    MeshStretch meshed_{0.0, -1.0};
    int level_ = -1;
    bool following_ = true;
    bool dirty_ = true;
    std::optional<QPointF> dragFrom_;
};

}  // namespace sondrel
