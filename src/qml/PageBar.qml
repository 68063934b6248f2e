// The bar of a page pushed over the offerwall: the way back at the left, the page's title in the
// middle. The way back reads the page's own name, as on the Widgets screens.
import QtQuick
import QtQuick.Controls
import Orvane

Item {
    id: bar

    property string title
    signal back

    implicitHeight: 44

    AbstractButton {
        id: backButton
        objectName: "b_back"
        anchors.left: parent.left
        anchors.leftMargin: 4
        anchors.verticalCenter: parent.verticalCenter
        height: 40
        width: backLabel.implicitWidth + 16
        Accessible.role: Accessible.Button
        Accessible.name: bar.title
        contentItem: Text {
            id: backLabel
            text: "\u2039 " + bar.title
            font.pixelSize: 17
            color: Orvane.primaryColor
            horizontalAlignment: Text.AlignHCenter
            verticalAlignment: Text.AlignVCenter
        }
        onClicked: bar.back()
    }
    Text {
        objectName: "l_page_title"
        anchors.verticalCenter: parent.verticalCenter
        // Centred in the bar, or beside the way back when that is too long to centre it.
        width: Math.min(implicitWidth, bar.width - backButton.width - 24)
        x: Math.max(backButton.x + backButton.width + 8, (bar.width - width) / 2)
        elide: Text.ElideRight
        text: bar.title
        font.pixelSize: 17
        font.weight: Font.DemiBold
        color: "#1C1C1E"
        Accessible.role: Accessible.Heading
    }
    Rectangle {
        anchors.bottom: parent.bottom
        width: parent.width
        height: 1
        color: "#E5E5EA"
    }
}
