// The bar of a page pushed over the offerwall: the way back at the left ("ov_back"), the page's
// title in the middle.
import QtQuick
import QtQuick.Controls
import Orvane

Item {
    id: bar

    property string title
    signal back

    implicitHeight: 48

    AbstractButton {
        id: backButton
        objectName: "b_back"
        anchors.left: parent.left
        anchors.leftMargin: 4
        anchors.verticalCenter: parent.verticalCenter
        height: 40
        width: backLabel.implicitWidth + 16
        Accessible.role: Accessible.Button
        Accessible.name: Orvane.text("ov_back")
        contentItem: Text {
            id: backLabel
            text: "\u2039 " + Orvane.text("ov_back")
            font.pixelSize: 17
            color: Orvane.primaryColor
            horizontalAlignment: Text.AlignHCenter
            verticalAlignment: Text.AlignVCenter
        }
        onClicked: bar.back()
    }
    Text {
        objectName: "l_page_title"
        anchors.centerIn: parent
        width: parent.width - 2 * (backButton.width + 12)
        horizontalAlignment: Text.AlignHCenter
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
