// One campaign row: icon (or banner), name, description with the reward, and the action pill. A
// tap on a standard row, or on a purchase row's pill, runs the row's action.
import QtQuick
import QtQuick.Controls
import Orvane

AbstractButton {
    id: row

    required property int index
    required property var campId
    required property string name
    required property string description
    required property string rewardText
    required property string priceText
    required property url iconUrl
    required property url bannerUrl
    required property string actionTitle
    required property int group
    property OfferwallController controller
    property color accent

    readonly property bool purchase: group === 1
    readonly property bool banner: String(bannerUrl) !== ""
    readonly property color fill: down ? "#F2F2F7" : "white"

    objectName: "camp:" + campId
    implicitHeight: content.implicitHeight + 24
    Accessible.role: Accessible.Button
    // Read as the Widgets rows are: name, reward, action (a purchase row: name, price, reward).
    Accessible.name: (purchase ? [name, priceText, rewardText] : [name, rewardText, actionTitle])
                     .filter(part => part !== "").join(", ")
    onClicked: if (!purchase) controller.runAction(index)

    background: Rectangle {
        color: row.fill
        Rectangle {
            anchors.bottom: parent.bottom
            x: 16
            width: parent.width - 16
            height: 1
            color: "#EFEFF4"
        }
    }

    contentItem: Item {}

    Column {
        id: content
        x: 16
        y: 12
        width: row.width - 32
        spacing: 10

        Image {
            id: bannerImage
            visible: row.banner
            width: parent.width
            height: status === Image.Ready && implicitWidth > 0
                    ? width * implicitHeight / implicitWidth : width / 2
            fillMode: Image.PreserveAspectFit
            asynchronous: true
            cache: false // the kit's image cache keeps the pictures; no second copy here
            source: row.banner ? Orvane.imageSource(row.bannerUrl) : ""
        }

        Row {
            width: parent.width
            spacing: 12

            Item {
                id: icon
                visible: !row.banner
                width: 56
                height: 56
                anchors.verticalCenter: parent.verticalCenter
                readonly property real corner: height / 5

                // The placeholder until the image arrives, and for good without one.
                Rectangle {
                    anchors.fill: parent
                    radius: icon.corner
                    color: "#E9E9EE"
                    Text {
                        anchors.centerIn: parent
                        text: row.name.length > 0 ? row.name.charAt(0).toUpperCase() : ""
                        font.pixelSize: 25
                        font.bold: true
                        color: "#8E8E93"
                    }
                }
                Image {
                    anchors.fill: parent
                    fillMode: Image.PreserveAspectCrop
                    asynchronous: true
                    sourceSize: Qt.size(112, 112)
                    cache: false // the kit's image cache keeps the pictures
                    source: row.banner ? "" : Orvane.imageSource(row.iconUrl)
                    Accessible.role: Accessible.Graphic
                    Accessible.name: Orvane.text("ov_a11y_campaign_image").arg(row.name)
                }
                // Rounds the picture's corners: a ring in the row's colour over them.
                Rectangle {
                    anchors.fill: parent
                    anchors.margins: -4
                    radius: icon.corner + 4
                    color: "transparent"
                    border.width: 4
                    border.color: row.fill
                }
            }

            Column {
                width: parent.width - (icon.visible ? icon.width + parent.spacing : 0)
                       - pill.width - parent.spacing
                anchors.verticalCenter: parent.verticalCenter
                spacing: 3

                Text {
                    objectName: "l_title"
                    width: parent.width
                    text: row.name
                    font.pixelSize: 15
                    font.weight: Font.DemiBold
                    color: "#1C1C1E"
                    elide: Text.ElideRight
                    maximumLineCount: 2
                    wrapMode: Text.Wrap
                }
                Text {
                    objectName: "l_content"
                    width: parent.width
                    font.pixelSize: 12
                    wrapMode: Text.Wrap
                    color: "#8C8C8C"
                    textFormat: row.purchase ? Text.PlainText : Text.RichText
                    text: row.purchase ? row.priceText
                                       : row.controller.descriptionHtml(row.description,
                                                row.rewardText, "#8C8C8C", row.accent)
                }
            }

            Button {
                id: pill
                objectName: "l_reward_button"
                visible: row.actionTitle !== ""
                width: visible ? Math.max(76, implicitContentWidth + 24) : 0
                height: 32
                anchors.verticalCenter: parent.verticalCenter
                text: row.actionTitle
                focusPolicy: Qt.NoFocus
                Accessible.name: row.actionTitle
                background: Rectangle {
                    radius: height / 2
                    color: pill.down ? Qt.darker(row.accent, 1.1) : row.accent
                }
                contentItem: Text {
                    text: pill.text
                    font.pixelSize: 13
                    font.bold: true
                    color: "white"
                    horizontalAlignment: Text.AlignHCenter
                    verticalAlignment: Text.AlignVCenter
                }
                onClicked: row.controller.runAction(row.index)
            }
        }
    }
}
