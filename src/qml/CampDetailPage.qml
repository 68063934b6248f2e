// The detail page of one campaign: its picture at full width (or its icon), the name, the
// description with the reward, the participation instructions, the common notice and the action
// button, kept in reach at the bottom. OfferwallView pushes it when a campaign with a detail page
// is tapped; `campaign` comes from the screen that listed it (OfferwallController.campaign).
// Back (the bar's control, Escape or the platform's back key) closes it, and so does a completed
// participation ("action_detail_finish": back to the root of the stack).
import QtQuick
import QtQuick.Controls
import Orvane

FocusScope {
    id: page

    property alias campaign: detail.campaign
    readonly property CampDetailController controller: detail
    readonly property color accent: Orvane.primaryColor
    readonly property color grey: "#8C8C8C"

    // The page is done: whoever shows it takes it away (a StackView it sits in pops by itself).
    signal closed

    function back(toRoot) {
        if (StackView.view)
            toRoot ? StackView.view.pop(null) : StackView.view.pop()
        closed()
    }

    objectName: "detail"
    implicitWidth: 390
    implicitHeight: 844
    focus: true
    Keys.onEscapePressed: back(false)
    Keys.onBackPressed: back(false)
    StackView.onActivated: forceActiveFocus()

    CampDetailController {
        id: detail
        onFinishRequested: page.back(true)
    }

    Rectangle {
        anchors.fill: parent
        color: "white"
    }

    // The bar: back to the list, under the campaign's name.
    Rectangle {
        id: bar
        width: parent.width
        height: 44
        color: "#F9F9F9"
        z: 1

        AbstractButton {
            id: backButton
            objectName: "b_back"
            x: 12
            height: parent.height
            width: Math.min(implicitContentWidth + 12, parent.width - 16)
            Accessible.role: Accessible.Button
            Accessible.name: Orvane.text("ov_back")
            contentItem: Text {
                text: "\u2039 " + detail.name
                elide: Text.ElideRight
                font.pixelSize: 17
                color: backButton.down ? Qt.darker(page.accent, 1.3) : page.accent
                verticalAlignment: Text.AlignVCenter
            }
            onClicked: page.back(false)
        }
        Rectangle {
            anchors.bottom: parent.bottom
            width: parent.width
            height: 1
            color: "#E0E0E4"
        }
    }

    Flickable {
        id: scroll
        anchors.top: bar.bottom
        anchors.bottom: actionBar.top
        width: parent.width
        clip: true
        contentHeight: column.height
        boundsBehavior: Flickable.StopAtBounds
        ScrollIndicator.vertical: ScrollIndicator {}

        Column {
            id: column
            width: scroll.width

            // The picture keeps its proportions at full width; a grey block of 2:1 until it comes.
            Rectangle {
                visible: String(detail.pictureUrl) !== ""
                width: parent.width
                height: picture.status === Image.Ready && picture.implicitWidth > 0
                        ? width * picture.implicitHeight / picture.implicitWidth : width / 2
                color: "#EEEEF2"
                Image {
                    id: picture
                    objectName: "iv_native"
                    anchors.fill: parent
                    fillMode: Image.PreserveAspectCrop
                    asynchronous: true
                    cache: false // the kit's image cache keeps the pictures
                    source: parent.visible ? Orvane.imageSource(detail.pictureUrl) : ""
                    Accessible.role: Accessible.Graphic
                    Accessible.name: Orvane.text("ov_a11y_campaign_image").arg(detail.name)
                }
            }

            Column {
                x: 20
                width: parent.width - 40
                topPadding: 20
                bottomPadding: 24
                spacing: 14

                // Without a picture, the icon (or its placeholder: the name's initial).
                Rectangle {
                    id: icon
                    visible: String(detail.pictureUrl) === ""
                    width: 88
                    height: 88
                    radius: 88 / 5
                    color: "#E9E9EE"
                    Text {
                        anchors.centerIn: parent
                        visible: iconImage.status !== Image.Ready
                        text: detail.name.length > 0 ? detail.name.charAt(0).toUpperCase() : ""
                        font.pixelSize: 40
                        font.bold: true
                        color: "#8E8E93"
                    }
                    Image {
                        id: iconImage
                        objectName: "iv_icon"
                        anchors.fill: parent
                        fillMode: Image.PreserveAspectCrop
                        asynchronous: true
                        sourceSize: Qt.size(176, 176)
                        cache: false
                        source: icon.visible ? Orvane.imageSource(detail.iconUrl) : ""
                        Accessible.role: Accessible.Graphic
                        Accessible.name: Orvane.text("ov_a11y_campaign_image").arg(detail.name)
                    }
                    // Rounds the picture's corners: a ring in the page's colour over them.
                    Rectangle {
                        anchors.fill: parent
                        anchors.margins: -4
                        radius: icon.radius + 4
                        color: "transparent"
                        border.width: 4
                        border.color: "white"
                    }
                }
                Text {
                    objectName: "l_title"
                    width: parent.width
                    text: detail.name
                    wrapMode: Text.Wrap
                    font.pixelSize: 20
                    font.bold: true
                    color: "#1C1C1E"
                    Accessible.role: Accessible.Heading
                }
                Text {
                    objectName: "l_content"
                    width: parent.width
                    wrapMode: Text.Wrap
                    textFormat: Text.RichText
                    font.pixelSize: 12
                    text: detail.descriptionHtml(detail.description, detail.rewardText, page.grey,
                                                 page.accent, 14)
                }
                Rectangle {
                    width: parent.width
                    height: 1
                    color: "#E0E0E4"
                }
                Text {
                    objectName: "l_how_participate"
                    width: parent.width
                    wrapMode: Text.Wrap
                    textFormat: Text.RichText
                    font.pixelSize: 14
                    text: detail.styledHtml(detail.instructions, page.grey)
                }
                Rectangle {
                    width: parent.width
                    height: 1
                    color: "#E0E0E4"
                }
                Text {
                    objectName: "l_join_desc"
                    width: parent.width
                    wrapMode: Text.Wrap
                    textFormat: Text.RichText
                    font.pixelSize: 12
                    text: detail.notice === "" ? "" : detail.styledHtml(detail.notice, page.grey)
                }
            }
        }
    }

    // The action stays in reach at the bottom, whatever the length of the page.
    Rectangle {
        id: actionBar
        anchors.bottom: parent.bottom
        width: parent.width
        height: 10 + 50 + 16 + 1
        color: "white"

        Rectangle {
            width: parent.width
            height: 1
            color: "#E0E0E4"
        }
        Button {
            id: action
            objectName: "b_reward"
            x: 20
            y: 11
            width: parent.width - 40
            height: 50
            text: detail.buttonTitle
            Accessible.name: detail.buttonTitle
            background: Rectangle {
                radius: height / 2
                color: action.down ? Qt.darker(page.accent, 1.1) : page.accent
            }
            contentItem: Text {
                text: action.text
                font.pixelSize: 16
                font.bold: true
                color: "white"
                elide: Text.ElideRight
                horizontalAlignment: Text.AlignHCenter
                verticalAlignment: Text.AlignVCenter
            }
            onClicked: detail.tap()
        }
    }
}
