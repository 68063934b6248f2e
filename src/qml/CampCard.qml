// One card of the campaign carousel, 300 x 400: the campaign's banner (or its icon on a tinted
// field), the name, the description with the reward (a purchase: the price) and the action pill.
// Cards other than the current one lie under a dark veil. A tap on the current card runs its
// action; a tap on another one brings it to the centre (`chosen`).
import QtQuick
import QtQuick.Controls
import Orvane

AbstractButton {
    id: card

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
    property bool current

    // A card that is not the current one was tapped.
    signal chosen(int index)

    readonly property bool purchase: group === 1
    readonly property bool banner: String(bannerUrl) !== ""

    objectName: "card:" + campId
    width: 300
    height: 400
    focusPolicy: Qt.NoFocus
    Accessible.role: Accessible.Button
    // Read as the offerwall's rows are: name, reward, action (a purchase: name, price, reward).
    Accessible.name: (purchase ? [name, priceText, rewardText] : [name, rewardText, actionTitle])
                     .filter(part => part !== "").join(", ")
    onClicked: current ? controller.runAction(index) : chosen(index)

    background: Rectangle {
        radius: 16
        color: "white"
        border.color: "#E5E5EA"
        border.width: 1
    }
    contentItem: Item {}

    // The picture: the banner across the top, or the icon on a tinted field.
    Item {
        id: picture
        width: parent.width
        height: 150
        clip: true

        Rectangle {
            anchors.fill: parent
            anchors.margins: 1
            radius: 15
            color: "#EEEEF2"
            // Square lower corners: the text starts right under the picture.
            Rectangle {
                anchors.bottom: parent.bottom
                width: parent.width
                height: parent.radius
                color: parent.color
            }
        }
        Image {
            visible: card.banner
            anchors.fill: parent
            anchors.margins: 1
            fillMode: Image.PreserveAspectCrop
            asynchronous: true
            cache: false // the kit's image cache keeps the pictures
            source: card.banner ? Orvane.imageSource(card.bannerUrl) : ""
            Accessible.role: Accessible.Graphic
            Accessible.name: Orvane.text("ov_a11y_campaign_image").arg(card.name)
        }
        Item {
            id: icon
            visible: !card.banner
            anchors.centerIn: parent
            width: 72
            height: 72
            readonly property real corner: height / 5
            Rectangle {
                anchors.fill: parent
                radius: icon.corner
                color: "#DCDCE2"
                Text {
                    anchors.centerIn: parent
                    text: card.name.length > 0 ? card.name.charAt(0).toUpperCase() : ""
                    font.pixelSize: 32
                    font.bold: true
                    color: "#8E8E93"
                }
            }
            Image {
                anchors.fill: parent
                fillMode: Image.PreserveAspectCrop
                asynchronous: true
                sourceSize: Qt.size(144, 144)
                cache: false
                source: card.banner ? "" : Orvane.imageSource(card.iconUrl)
                Accessible.role: Accessible.Graphic
                Accessible.name: Orvane.text("ov_a11y_campaign_image").arg(card.name)
            }
            // Rounds the picture's corners: a ring in the field's colour over them.
            Rectangle {
                anchors.fill: parent
                anchors.margins: -4
                radius: icon.corner + 4
                color: "transparent"
                border.width: 4
                border.color: "#EEEEF2"
            }
        }
    }

    Column {
        x: 16
        y: picture.height + 14
        width: parent.width - 32
        height: pill.y - y - 12
        spacing: 6
        clip: true

        Text {
            objectName: "l_title"
            width: parent.width
            text: card.name
            font.pixelSize: 17
            font.bold: true
            color: "#1C1C1E"
            wrapMode: Text.Wrap
            maximumLineCount: 2
            elide: Text.ElideRight
        }
        Text {
            objectName: "l_content"
            width: parent.width
            font.pixelSize: 13
            wrapMode: Text.Wrap
            color: card.purchase ? "#1C1C1E" : "#8C8C8C"
            textFormat: card.purchase ? Text.PlainText : Text.RichText
            text: card.purchase ? card.priceText
                                : card.controller.descriptionHtml(card.description,
                                                                  card.rewardText, "#8C8C8C",
                                                                  card.accent, 0)
        }
    }

    Button {
        id: pill
        objectName: "l_reward_button"
        visible: card.actionTitle !== ""
        x: 16
        y: parent.height - height - 16
        width: parent.width - 32
        height: 44
        text: card.actionTitle
        focusPolicy: Qt.NoFocus
        Accessible.name: card.actionTitle
        background: Rectangle {
            radius: height / 2
            color: pill.down ? Qt.darker(card.accent, 1.1) : card.accent
        }
        contentItem: Text {
            text: pill.text
            font.pixelSize: 15
            font.bold: true
            color: "white"
            elide: Text.ElideRight
            horizontalAlignment: Text.AlignHCenter
            verticalAlignment: Text.AlignVCenter
        }
        onClicked: card.clicked()
    }

    // The veil over the cards beside the current one.
    Rectangle {
        objectName: "dimmedView"
        anchors.fill: parent
        radius: 16
        color: "black"
        opacity: card.current ? 0 : 0.45
        Behavior on opacity {
            NumberAnimation {
                duration: 150
            }
        }
    }
}
