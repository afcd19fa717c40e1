#include "pipeview/qt/Pipe3DWindow.h"

#include <QGuiApplication>
#include <QKeyEvent>
#include <QLabel>
#include <QMouseEvent>
#include <QOffscreenSurface>
#include <QOpenGLContext>
#include <QQmlEngine>
#include <QQmlError>
#include <QQuickItem>
#include <QQuickView>
#include <QQuickWindow>
#include <QSlider>
#include <QVBoxLayout>
#include <QWheelEvent>

#include <algorithm>
#include <cmath>

#include "pipeview/PipeViewFeed.h"
#include "pipeview/TubeModel.h"
#include "pipeview/qt/TubeGeometry.h"

// Outside any namespace, as the resource's initialiser is.
static void initSceneResource() {
    Q_INIT_RESOURCE(Pipe3DScene);
}

namespace sondrel {

namespace {

constexpr double kDegreesPerPixel = 0.4;
constexpr double kWheelZoom = 1.15;
constexpr int kSliderStepsPerMetre = 100;
constexpr Rgb kRingColour{40, 220, 90};

// Fewer than three rings in four joined to the next.
bool mostlyGaps(const TubeMesh& mesh) {
    if (mesh.rings() < 2 || mesh.ringPoints == 0) return false;
    const std::size_t joins = mesh.indices.size() / (6 * static_cast<std::size_t>(mesh.ringPoints));
    return 4 * joins < 3 * (mesh.rings() - 1);
}

}  // namespace

QString Pipe3DWindow::unavailableReason() {
    if (qEnvironmentVariable("QT_QUICK_BACKEND") == QLatin1String("software"))
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
    : QWidget(parent), feed_(feed) {
    setObjectName(QStringLiteral("Pipe3DView"));
    setMinimumSize(320, 240);
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
        initSceneResource();
        qmlRegisterType<TubeGeometry>("Sondrel.Pipe", 1, 0, "TubeGeometry");
        return true;
    }();
    (void)registered;
    // A window of its own in a container rather than a QQuickWidget: it
    // renders whatever the main window's surface is, and straight to the screen.
    view_ = new QQuickView;
    // Where the window system offers no 3D rendering the scene graph draws
    // with its software renderer, which draws no 3D at all.
    if (view_->rendererInterface()->graphicsApi() == QSGRendererInterface::Software) {
        delete view_;
        view_ = nullptr;
        showMessage(tr("The 3D view needs 3D rendering, which this display (%1) does not offer.")
                        .arg(QGuiApplication::platformName()));
        return;
    }
    view_->setResizeMode(QQuickView::SizeRootObjectToView);
    view_->setSource(QUrl(QStringLiteral("qrc:/sondrel/Pipe3DScene.qml")));
    scene_ = view_->rootObject();
    if (!scene_) {
        QStringList errors;
        for (const QQmlError& e : view_->errors()) errors << e.toString();
        delete view_;
        view_ = nullptr;
        showMessage(tr("The 3D view could not be built:\n%1").arg(errors.join(QLatin1Char('\n'))));
        return;
    }
    tube_ = scene_->findChild<TubeGeometry*>(QStringLiteral("tube"));
    ring_ = scene_->findChild<TubeGeometry*>(QStringLiteral("ring"));
    quick_ = QWidget::createWindowContainer(view_, this);
    quick_->setFocusPolicy(Qt::StrongFocus);
    layout->insertWidget(0, quick_, 1);
    view_->installEventFilter(this);
    connect(view_, &QQuickWindow::sceneGraphError, this,
            [this](QQuickWindow::SceneGraphError, const QString& text) {
                showMessage(tr("The 3D view stopped: %1").arg(text));
            });
}

QQuickWindow* Pipe3DWindow::quickWindow() const {
    return view_;
}

QImage Pipe3DWindow::grabFrame() const {
    return view_ ? view_->grabWindow() : QImage();
}

int Pipe3DWindow::meshVertices() const {
    return tube_ ? tube_->vertexCount() : 0;
}

void Pipe3DWindow::showMessage(const QString& text) {
    if (quick_) quick_->hide();
    message_->setText(text);
    message_->show();
}

void Pipe3DWindow::setScale(const DepartureScale& scale) {
    scale_ = scale;
    refresh();
}

void Pipe3DWindow::refresh() {
    dirty_ = true;
    if (isVisible()) applyCamera();
}

void Pipe3DWindow::showEvent(QShowEvent* event) {
    QWidget::showEvent(event);
    applyCamera();
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
    // Pings further apart than a bin leave rings without neighbours, and the
    // tube a row of slivers: a coarser level joins them.
    level_ = tube.levelFor(from, to, kRingBudget);
    TubeMesh mesh = tube.mesh(from, to, level_, scale_);
    while (level_ + 1 < tube.levels() && mostlyGaps(mesh)) {
        TubeMesh coarser = tube.mesh(from, to, level_ + 1, scale_);
        if (coarser.rings() < 2) break;
        mesh = std::move(coarser);
        ++level_;
    }
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
    if (watched != view_) return QWidget::eventFilter(watched, event);
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
