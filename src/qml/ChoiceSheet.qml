// A sheet of choices at the bottom of the item it is declared in (a page that fills the window): a
// title, one row per choice (a tick beside the current one) and, apart, "ov_cancel". ask() opens it; choosing a row closes it, then calls the
// handler with the row's label.
import QtQuick
import QtQuick.Controls
import Orvane

Popup {
    id: sheet

    property string title
    property var choices: []
    property string current
    property var handler: null

    function ask(title, choices, current, handler) {
        sheet.title = title
        sheet.choices = choices
        sheet.current = current
        sheet.handler = handler
        open()
    }

    objectName: "choiceSheet"
    x: 8
    width: parent ? parent.width - 16 : 0
    y: parent ? parent.height - height - 24 : 0
    padding: 0
    modal: true
    closePolicy: Popup.CloseOnPressOutside | Popup.CloseOnEscape
    background: Item {}

    contentItem: Column {
        id: column
        spacing: 8

        Rectangle {
            width: sheet.width
            height: rows.implicitHeight
            radius: 14
            color: "#FAFAFA"

            Column {
                id: rows
                width: parent.width

                Text {
                    width: parent.width
                    visible: sheet.title !== ""
                    topPadding: 14
                    bottomPadding: 14
                    text: sheet.title
                    horizontalAlignment: Text.AlignHCenter
                    font.pixelSize: 13
                    font.weight: Font.DemiBold
                    color: "#8C8C8C"
                }
                Repeater {
                    model: sheet.choices
                    delegate: AbstractButton {
                        id: choice
                        required property int index
                        required property string modelData
                        readonly property bool ticked: modelData === sheet.current
                        objectName: "choice:" + modelData
                        width: rows.width
                        height: 56
                        text: modelData
                        Accessible.role: Accessible.Button
                        Accessible.name: modelData
                        Accessible.checkable: true
                        Accessible.checked: ticked
                        background: Rectangle {
                            color: choice.down ? "#14000000" : "transparent"
                            Rectangle {
                                visible: choice.index > 0 || sheet.title !== ""
                                width: parent.width
                                height: 1
                                color: "#E0E0E4"
                            }
                        }
                        contentItem: Item {
                            Text {
                                anchors.fill: parent
                                anchors.leftMargin: choice.ticked ? 36 : 8
                                anchors.rightMargin: choice.ticked ? 36 : 8
                                text: choice.text
                                elide: Text.ElideRight
                                horizontalAlignment: Text.AlignHCenter
                                verticalAlignment: Text.AlignVCenter
                                font.pixelSize: 19
                                color: Orvane.primaryColor
                            }
                            Text {
                                visible: choice.ticked
                                anchors.right: parent.right
                                anchors.rightMargin: 14
                                anchors.verticalCenter: parent.verticalCenter
                                text: "\u2713"
                                font.pixelSize: 19
                                color: Orvane.primaryColor
                            }
                        }
                        onClicked: sheet.choose(modelData)
                    }
                }
            }
        }

        AbstractButton {
            objectName: "choice:" + Orvane.text("ov_cancel")
            width: sheet.width
            height: 56
            text: Orvane.text("ov_cancel")
            Accessible.role: Accessible.Button
            Accessible.name: text
            background: Rectangle {
                radius: 14
                color: "#FAFAFA"
            }
            contentItem: Text {
                text: Orvane.text("ov_cancel")
                horizontalAlignment: Text.AlignHCenter
                verticalAlignment: Text.AlignVCenter
                font.pixelSize: 19
                font.weight: Font.DemiBold
                color: Orvane.primaryColor
            }
            onClicked: sheet.close()
        }
    }

    function choose(label) {
        const chosen = handler
        close()
        if (chosen)
            chosen(label)
    }
}
