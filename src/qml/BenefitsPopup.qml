// The popup of rewards the user can still receive, on the bottom edge of the window: the amount
// with its mark and a close control. A tap beside it closes it too.
import QtQuick
import QtQuick.Controls
import Orvane

Popup {
    id: popup

    property string rewardPriceAndMark

    objectName: "benefitsPopup"
    parent: Overlay.overlay
    x: 0
    width: parent ? parent.width : 0
    height: 150
    y: parent ? parent.height - height : 0
    padding: 0
    modal: true
    closePolicy: Popup.CloseOnPressOutside | Popup.CloseOnEscape

    background: Rectangle {
        color: "#FAFAFA"
        radius: 14
        // Square corners where the card meets the window's bottom edge.
        Rectangle {
            anchors.bottom: parent.bottom
            width: parent.width
            height: 14
            color: parent.color
        }
    }

    contentItem: Item {
        AbstractButton {
            id: close
            objectName: "iv_close"
            anchors.top: parent.top
            anchors.right: parent.right
            anchors.topMargin: 12
            anchors.rightMargin: 16
            width: 28
            height: 28
            Accessible.role: Accessible.Button
            Accessible.name: Orvane.text("ov_a11y_close")
            background: Rectangle {
                radius: 14
                color: "#EEEEF2"
            }
            contentItem: Text {
                text: "\u2715"
                font.pixelSize: 15
                color: "#78787F"
                horizontalAlignment: Text.AlignHCenter
                verticalAlignment: Text.AlignVCenter
            }
            onClicked: popup.close()
        }
        Column {
            anchors.top: close.bottom
            anchors.topMargin: 6
            width: parent.width
            spacing: 6
            Text {
                width: parent.width
                text: Orvane.text("ov_can_receive_benefits")
                horizontalAlignment: Text.AlignHCenter
                font.pixelSize: 14
                color: "#8C8C8C"
            }
            Text {
                objectName: "l_popup_coins_value"
                width: parent.width
                text: popup.rewardPriceAndMark
                horizontalAlignment: Text.AlignHCenter
                font.pixelSize: 28
                font.bold: true
                color: Orvane.primaryColor
            }
        }
    }
}
