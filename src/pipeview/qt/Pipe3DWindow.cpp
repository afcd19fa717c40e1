#include "pipeview/qt/Pipe3DWindow.h"

#include <QGuiApplication>
#include <QKeyEvent>
#include <QLabel>
#include <QMouseEvent>
#include <QOffscreenSurface>
#include <QOpenGLContext>
#include <QQmlComponent>
#include <QQmlEngine>
#include <QQuickItem>
#include <QQuickWidget>
#include <QQuickWindow>
#include <QSlider>
#include <QVBoxLayout>
#include <QWheelEvent>

#include <algorithm>
#include <cmath>

#include "pipeview/PipeViewFeed.h"
#include "pipeview/qt/TubeGeometry.h"

namespace sondrel {

namespace {

constexpr double kDegreesPerPixel = 0.4;
constexpr double kWheelZoom = 1.15;
constexpr int kSliderStepsPerMetre = 100;
constexpr Rgb kRingColour{40, 220, 90};

// The camera orbits the node flown along the axis; the light comes from the
// camera, so what the operator looks at is lit whichever side it is seen from.
constexpr const char* kScene = R"(
import QtQuick
import QtQuick3D
import Sondrel.Pipe

Item {
    id: root
    anchors.fill: parent
    property real yaw: 35
    property real pitch: -20
    property real distance: 3
    property real fly: 0
    property real tubeZ: 0
    property real ringZ: 0
    property bool ringShown: false
    View3D {
        anchors.fill: parent
        environment: SceneEnvironment {
            backgroundMode: SceneEnvironment.Color
            clearColor: "#1e2226"
        }
        Node {
            position: Qt.vector3d(0, 0, root.fly)
            eulerRotation: Qt.vector3d(root.pitch, root.yaw, 0)
            PerspectiveCamera {
                z: root.distance
                clipNear: 0.01
                clipFar: 10000
                fieldOfView: 55
            }
            DirectionalLight {
                brightness: 1.0
                ambientColor: Qt.rgba(0.45, 0.45, 0.45, 1.0)
            }
        }
        Model {
            z: root.tubeZ
            geometry: TubeGeometry { objectName: "tube" }
            materials: DefaultMaterial {
                vertexColorsEnabled: true
                diffuseColor: "white"
                cullMode: Material.NoCulling
            }
        }
        Model {
            z: root.ringZ
            visible: root.ringShown
            geometry: TubeGeometry { objectName: "ring" }
            materials: DefaultMaterial {
                diffuseColor: "#28dc5a"
                lighting: DefaultMaterial.NoLighting
                cullMode: Material.NoCulling
            }
        }
    }
}
)";

}  // namespace

QString Pipe3DWindow::unavailableReason() {
    if (QQuickWindow::graphicsApi() == QSGRendererInterface::Software)
        return tr(
            "The 3D view needs a 3D graphics driver; the program runs with the software "
            "scene graph.");
    QOffscreenSurface surface;
    surface.create();
    QOpenGLContext context;
    if (!context.create() || !context.makeCurrent(&surface))
        return tr("The 3D view needs OpenGL, which this display (%1) does not offer.")
            .arg(QGuiApplication::platformName());
    context.doneCurrent();
    return {};
}

Pipe3DWindow::Pipe3DWindow(const PipeViewFeed& feed, QWidget* parent)
    : QWidget(parent, Qt::Window), feed_(feed) {
    setObjectName(QStringLiteral("Pipe3DView"));
    setWindowTitle(tr("Pipe 3D View"));
    resize(820, 560);
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    message_ = new QLabel(this);
    message_->setObjectName(QStringLiteral("pipe3dMessage"));
    message_->setAlignment(Qt::AlignCenter);
    message_->setWordWrap(true);
    message_->hide();
    layout->addWidget(message_, 1);
    slider_ = new QSlider(Qt::Horizontal, this);
    slider_->setToolTip(tr("Fly along the chainage"));
    layout->addWidget(slider_);
    // Set by the program under a blocker, so a change is the operator's.
    connect(slider_, &QSlider::valueChanged, this, [this](int value) {
        following_ = false;
        camera_.flyTo(static_cast<double>(value) / kSliderStepsPerMetre,
                      static_cast<double>(slider_->minimum()) / kSliderStepsPerMetre,
                      static_cast<double>(slider_->maximum()) / kSliderStepsPerMetre);
        applyCamera();
    });

    if (const QString reason = unavailableReason(); !reason.isEmpty()) {
        showMessage(reason);
        return;
    }
    static const bool registered = [] {
        qmlRegisterType<TubeGeometry>("Sondrel.Pipe", 1, 0, "TubeGeometry");
        return true;
    }();
    (void)registered;
    quick_ = new QQuickWidget(this);
    quick_->setResizeMode(QQuickWidget::SizeRootObjectToView);
    QQmlComponent component(quick_->engine());
    component.setData(kScene, QUrl(QStringLiteral("qrc:/sondrel/Pipe3DScene.qml")));
    scene_ = qobject_cast<QQuickItem*>(component.create());
    if (!scene_) {
        const QString errors = component.errorString();
        delete quick_;
        quick_ = nullptr;
        showMessage(tr("The 3D view could not be built:\n%1").arg(errors));
        return;
    }
    scene_->setParent(quick_);
    scene_->setParentItem(quick_->quickWindow()->contentItem());
    tube_ = scene_->findChild<TubeGeometry*>(QStringLiteral("tube"));
    ring_ = scene_->findChild<TubeGeometry*>(QStringLiteral("ring"));
    layout->insertWidget(0, quick_, 1);
    quick_->installEventFilter(this);
    quick_->setFocusPolicy(Qt::StrongFocus);
    connect(quick_, &QQuickWidget::sceneGraphError, this,
            [this](QQuickWindow::SceneGraphError, const QString& text) {
                showMessage(tr("The 3D view stopped: %1").arg(text));
            });
}

QQuickWindow* Pipe3DWindow::quickWindow() const {
    return quick_ ? quick_->quickWindow() : nullptr;
}

int Pipe3DWindow::meshVertices() const {
    return tube_ ? tube_->vertexCount() : 0;
}

void Pipe3DWindow::showMessage(const QString& text) {
    if (quick_) quick_->hide();
    message_->setText(text);
    message_->show();
}

void Pipe3DWindow::refresh() {
    dirty_ = true;
    if (isVisible()) applyCamera();
}

void Pipe3DWindow::showEvent(QShowEvent* event) {
    QWidget::showEvent(event);
    applyCamera();
    emit shownChanged();
}

void Pipe3DWindow::hideEvent(QHideEvent* event) {
    QWidget::hideEvent(event);
    emit shownChanged();
}

void Pipe3DWindow::syncSlider() {
    const WallMap& map = feed_.views().map;
    const QSignalBlocker quiet(slider_);
    if (map.empty()) {
        slider_->setRange(0, 0);
        return;
    }
    slider_->setRange(static_cast<int>(std::floor(map.startChainage() * kSliderStepsPerMetre)),
                      static_cast<int>(std::ceil(map.endChainage() * kSliderStepsPerMetre)));
    slider_->setValue(static_cast<int>(std::lround(camera_.fly() * kSliderStepsPerMetre)));
}

void Pipe3DWindow::applyCamera() {
    const WallMap& map = feed_.views().map;
    if (following_) {
        if (const auto current = feed_.currentChainage()) {
            camera_.flyTo(*current, map.empty() ? *current : map.startChainage(),
                          map.empty() ? *current : map.endChainage());
        } else if (!map.empty()) {
            camera_.flyTo(map.endChainage(), map.startChainage(), map.endChainage());
        }
    }
    syncSlider();
    if (!scene_) return;
    remesh(false);
    scene_->setProperty("yaw", camera_.yaw());
    scene_->setProperty("pitch", camera_.pitch());
    scene_->setProperty("distance", camera_.distance());
    scene_->setProperty("fly", camera_.fly());
    const auto current = feed_.currentChainage();
    scene_->setProperty("ringShown", current.has_value());
    if (current) scene_->setProperty("ringZ", *current);
}

void Pipe3DWindow::remesh(bool force) {
    const TubeModel& tube = feed_.views().tube;
    const MeshStretch seen = camera_.seen();
    if (!force && !dirty_ && &tube == meshedModel_ && meshed_.contains(seen.from, seen.to)) return;
    dirty_ = false;
    meshedModel_ = &tube;
    meshed_ = camera_.meshed();
    // Where the stretch runs past the survey there is nothing to spend rings on.
    double from = meshed_.from, to = meshed_.to;
    if (const WallMap& map = feed_.views().map; !map.empty()) {
        from = std::max(from, map.startChainage());
        to = std::min(to, map.endChainage());
    }
    level_ = tube.levelFor(from, to, kRingBudget);
    const TubeMesh mesh = tube.mesh(from, to, level_, scale_);
    tube_->setMesh(mesh);
    scene_->setProperty("tubeZ", mesh.originChainage);
    // The ring just outside the largest radius of the stretch.
    float radius = 0.0f;
    for (std::size_t i = 0; i + 1 < mesh.positions.size(); i += 3)
        radius = std::max(radius, std::hypot(mesh.positions[i], mesh.positions[i + 1]));
    if (!(radius > 0)) radius = 0.3f;
    ring_->setBand(radius * 1.06, std::max(0.01, radius * 0.06), kRingColour);
}

void Pipe3DWindow::flyBy(double metres) {
    following_ = false;
    const WallMap& map = feed_.views().map;
    if (map.empty()) return;
    camera_.flyTo(camera_.fly() + metres, map.startChainage(), map.endChainage());
    applyCamera();
}

bool Pipe3DWindow::event(QEvent* event) {
    // The program's hot keys take the arrows everywhere but here.
    if (event->type() == QEvent::ShortcutOverride) {
        event->accept();
        return true;
    }
    return QWidget::event(event);
}

void Pipe3DWindow::keyPressEvent(QKeyEvent* event) {
    const double step = std::max(0.25, camera_.distance() * 0.25);
    switch (event->key()) {
        case Qt::Key_Up:
            flyBy(step);
            break;
        case Qt::Key_Down:
            flyBy(-step);
            break;
        case Qt::Key_PageUp:
            flyBy(10 * step);
            break;
        case Qt::Key_PageDown:
            flyBy(-10 * step);
            break;
        case Qt::Key_Left:
            camera_.orbit(-10, 0);
            applyCamera();
            break;
        case Qt::Key_Right:
            camera_.orbit(10, 0);
            applyCamera();
            break;
        case Qt::Key_Plus:
        case Qt::Key_Equal:
            camera_.zoom(kWheelZoom);
            applyCamera();
            break;
        case Qt::Key_Minus:
            camera_.zoom(1 / kWheelZoom);
            applyCamera();
            break;
        case Qt::Key_Home:
            following_ = true;
            applyCamera();
            break;
        default:
            QWidget::keyPressEvent(event);
    }
}

bool Pipe3DWindow::eventFilter(QObject* watched, QEvent* event) {
    if (watched != quick_) return QWidget::eventFilter(watched, event);
    switch (event->type()) {
        case QEvent::MouseButtonPress: {
            auto* e = static_cast<QMouseEvent*>(event);
            if (e->button() == Qt::LeftButton) dragFrom_ = e->position();
            return true;
        }
        case QEvent::MouseMove: {
            auto* e = static_cast<QMouseEvent*>(event);
            if (!dragFrom_) return true;
            const QPointF d = e->position() - *dragFrom_;
            dragFrom_ = e->position();
            camera_.orbit(-d.x() * kDegreesPerPixel, -d.y() * kDegreesPerPixel);
            applyCamera();
            return true;
        }
        case QEvent::MouseButtonRelease:
            dragFrom_.reset();
            return true;
        case QEvent::Wheel: {
            auto* e = static_cast<QWheelEvent*>(event);
            camera_.zoom(std::pow(kWheelZoom, e->angleDelta().y() / 120.0));
            applyCamera();
            return true;
        }
        case QEvent::ShortcutOverride:
            event->accept();
            return true;
        case QEvent::KeyPress:
            keyPressEvent(static_cast<QKeyEvent*>(event));
            return true;
        default:
            return QWidget::eventFilter(watched, event);
    }
}

}  // namespace sondrel
