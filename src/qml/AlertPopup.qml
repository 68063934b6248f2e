// The alert on top of the offerwall controller's queue: title, message and one button per action.
// Choosing an action closes it; the next alert, if any, follows.
import QtQuick
import QtQuick.Controls
import Orvane

Popup {
    id: popup

    property OfferwallController controller

    objectName: "alert"
    parent: Overlay.overlay
    anchors.centerIn: parent
    width: 280
    padding: 0
    modal: true
    closePolicy: Popup.NoAutoClose
    visible: controller !== null && controller.alertShown

    background: Rectangle {
        radius: 14
        color: "#F9F9F9"
    }

    contentItem: Column {
        // Read as the desktop's message boxes are: an alert named by its title.
        Accessible.role: Accessible.AlertMessage
        Accessible.name: popup.controller ? popup.controller.alertTitle : ""
        Accessible.description: popup.controller ? popup.controller.alertMessage : ""
        Column {
            width: parent.width
            padding: 18
            spacing: 6
            Text {
                objectName: "alertTitle"
                width: parent.width - 36
                text: popup.controller ? popup.controller.alertTitle : ""
                visible: text !== ""
                horizontalAlignment: Text.AlignHCenter
                wrapMode: Text.Wrap
                font.pixelSize: 17
                font.weight: Font.DemiBold
                color: "#1C1C1E"
            }
            Text {
                objectName: "alertMessage"
                width: parent.width - 36
                text: popup.controller ? popup.controller.alertMessage : ""
                visible: text !== ""
                horizontalAlignment: Text.AlignHCenter
                wrapMode: Text.Wrap
                font.pixelSize: 13
                color: "#3C3C43"
            }
        }
        Repeater {
            model: popup.controller ? popup.controller.alertActions : []
            delegate: AbstractButton {
                id: choice
                required property int index
                required property string modelData
                objectName: "alertAction:" + modelData
                width: popup.width
                height: 44
                text: modelData
                Accessible.role: Accessible.Button
                Accessible.name: modelData
                background: Rectangle {
                    color: choice.down ? "#E5E5EA" : "transparent"
                    Rectangle {
                        width: parent.width
                        height: 1
                        color: "#DCDCE0"
                    }
                }
                contentItem: Text {
                    text: choice.text
                    font.pixelSize: 17
                    color: Orvane.primaryColor
                    horizontalAlignment: Text.AlignHCenter
                    verticalAlignment: Text.AlignVCenter
                }
                onClicked: popup.controller.answerAlert(index)
            }
        }
    }
}
