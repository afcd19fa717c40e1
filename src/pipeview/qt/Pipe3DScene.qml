// The scene of the 3D view: the camera orbits the node flown along the axis;
// the light comes from the camera, so what the operator looks at is lit
// whichever side it is seen from. The tube and the ring are given their
// geometry by Pipe3DWindow.
import QtQuick
import QtQuick3D
import Sondrel.Pipe

Item {
    id: root
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
            // Ambient and direct light together just reach full: a wall lit
            // head-on shows the scale's own colour, never one washed out.
            DirectionalLight {
                brightness: 0.65
                ambientColor: Qt.rgba(0.35, 0.35, 0.35, 1.0)
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
