// The copyright line under the offerwall's list, 30 high, when the host shows it
// (Orvane.copyRightVisibility). Decided once, when the footer is made: a later change of the
// setting applies to footers made afterwards.
import QtQuick
import Orvane

Rectangle {
    objectName: "v_copyright"
    implicitWidth: 390
    implicitHeight: 30
    color: "#F2F2F7"
    visible: false
    Component.onCompleted: visible = Orvane.copyRightVisibility

    Text {
        objectName: "l_copyright"
        anchors.fill: parent
        text: Orvane.text("ov_copyright").arg(new Date().getFullYear())
        font.pixelSize: 11
        color: "#A0A0A6"
        elide: Text.ElideRight
        horizontalAlignment: Text.AlignHCenter
        verticalAlignment: Text.AlignVCenter
    }
}
