// The inquiry form: the kind (and, for a reward inquiry, the campaign), name, mobile number and
// e-mail, the text, up to three screenshots and the consent, then the send. Its messages show in
// the offerwall's alert popup; a delivered inquiry, once confirmed, closes the page (finished).
import QtQuick
import QtQuick.Controls
import QtQuick.Layouts
import Orvane

Item {
    id: page

    property OfferwallController wall
    signal back
    signal finished

    readonly property InquiryController form: controller
    readonly property int itemSide: 70
    readonly property int thumbnailSide: 63 // the item less the delete icon's overlap

    InquiryController {
        id: controller
        wall: page.wall
        onFinished: page.finished()
        onFileDialogWanted: limit => {
            fileDialog.active = true
            fileDialog.item.limit = limit
            fileDialog.item.open()
        }
    }
    Component.onCompleted: controller.start(thumbnailSide * Screen.devicePixelRatio)

    Rectangle {
        anchors.fill: parent
        color: "white"
    }

    component Caption: Text {
        font.pixelSize: 13
        font.weight: Font.DemiBold
        color: "#3C3C43"
    }
    component ChoiceRow: AbstractButton {
        id: choiceRow
        Layout.fillWidth: true
        implicitHeight: 44
        Accessible.role: Accessible.Button
        background: Rectangle {
            radius: 6
            color: "white"
            border.width: choiceRow.visualFocus ? 2 : 1
            border.color: choiceRow.visualFocus ? Orvane.primaryColor : "#E3E3E3"
        }
        contentItem: Item {
            Text {
                anchors.left: parent.left
                anchors.right: chevron.left
                anchors.leftMargin: 12
                anchors.verticalCenter: parent.verticalCenter
                text: choiceRow.text
                elide: Text.ElideRight
                font.pixelSize: 14
                color: "#1C1C1E"
            }
            Text {
                id: chevron
                anchors.right: parent.right
                anchors.rightMargin: 12
                anchors.verticalCenter: parent.verticalCenter
                text: "\u25BE"
                color: "#8C8C8C"
            }
        }
    }
    component Field: TextField {
        id: field
        Layout.fillWidth: true
        implicitHeight: 44
        leftPadding: 11
        font.pixelSize: 14
        color: "#1C1C1E"
        placeholderTextColor: "#AAAAB0"
        Accessible.name: placeholderText
        background: Rectangle {
            radius: 6
            color: "white"
            border.width: field.activeFocus ? 2 : 1
            border.color: field.activeFocus ? Orvane.primaryColor : "#E3E3E3"
        }
    }
    component FormButton: AbstractButton {
        id: formButton
        property color fill: "white"
        property color ink: "#3C3C43"
        property color line: "transparent"
        Layout.fillWidth: true
        implicitHeight: 48
        Accessible.role: Accessible.Button
        Accessible.name: text
        background: Rectangle {
            radius: 8
            color: formButton.fill
            border.color: formButton.line
            border.width: 1
        }
        contentItem: Text {
            text: formButton.text
            font.pixelSize: 15
            font.weight: Font.DemiBold
            color: formButton.ink
            horizontalAlignment: Text.AlignHCenter
            verticalAlignment: Text.AlignVCenter
        }
    }

    ColumnLayout {
        anchors.fill: parent
        spacing: 0

        PageBar {
            Layout.fillWidth: true
            title: Orvane.text("ov_inquiry")
            onBack: page.back()
        }

        Flickable {
            id: scroll
            objectName: "sv_main"
            Layout.fillWidth: true
            Layout.fillHeight: true
            clip: true
            contentHeight: column.implicitHeight + 28
            boundsBehavior: Flickable.StopAtBounds
            ScrollIndicator.vertical: ScrollIndicator {}

            ColumnLayout {
                id: column
                x: 16
                y: 12
                width: scroll.width - 32
                spacing: 7

                Caption { text: Orvane.text("ov_inquiry_type") }
                ChoiceRow {
                    objectName: "v_request_type"
                    text: controller.kind
                    Accessible.name: Orvane.text("ov_inquiry_type") + ", " + controller.kind
                    onClicked: sheet.ask(Orvane.text("ov_request_type_select"),
                                         controller.kindLabels, controller.kind,
                                         label => controller.chooseKind(label))
                }
                ChoiceRow {
                    objectName: "v_ad_select"
                    visible: controller.campaignAsked
                    text: controller.campaign
                    Accessible.name: controller.campaign
                    onClicked: if (controller.canChooseCampaign())
                                   sheet.ask(Orvane.text("ov_ad_select"), controller.campaignNames,
                                             controller.campaign,
                                             name => controller.chooseCampaign(name))
                }

                Caption {
                    Layout.topMargin: 6
                    text: Orvane.text("ov_contact")
                }
                Field {
                    id: nameField
                    objectName: "tf_name"
                    placeholderText: Orvane.text("ov_name")
                }
                Field {
                    id: phoneField
                    objectName: "tf_phone"
                    placeholderText: Orvane.text("ov_phone")
                    inputMethodHints: Qt.ImhDialableCharactersOnly
                }
                Field {
                    id: emailField
                    objectName: "tf_email"
                    placeholderText: Orvane.text("ov_email")
                    inputMethodHints: Qt.ImhEmailCharactersOnly
                }

                Caption {
                    Layout.topMargin: 6
                    text: Orvane.text("ov_inquiry_contents")
                }
                TextArea {
                    id: inquiryField
                    objectName: "tv_input_inquiry"
                    Layout.fillWidth: true
                    Layout.preferredHeight: 116
                    padding: 9
                    wrapMode: TextEdit.Wrap
                    font.pixelSize: 14
                    color: "#1C1C1E"
                    Accessible.name: Orvane.text("ov_inquiry_contents")
                    Accessible.description: hint.text
                    background: Rectangle {
                        radius: 6
                        color: "white"
                        border.width: inquiryField.activeFocus ? 2 : 1
                        border.color: inquiryField.activeFocus ? Orvane.primaryColor : "#E3E3E3"
                    }
                    // The hint wraps as the text does (the style's placeholder is one elided line).
                    Text {
                        id: hint
                        x: inquiryField.leftPadding
                        y: inquiryField.topPadding
                        width: inquiryField.width - inquiryField.leftPadding - inquiryField.rightPadding
                        text: Orvane.text("ov_input_inquiry")
                        visible: inquiryField.length === 0 && inquiryField.preeditText === ""
                        wrapMode: Text.Wrap
                        font: inquiryField.font
                        color: "#C7C7CD"
                    }
                }

                RowLayout {
                    Layout.fillWidth: true
                    spacing: 10
                    AbstractButton {
                        objectName: "iv_attach"
                        Layout.alignment: Qt.AlignBottom
                        implicitWidth: page.thumbnailSide
                        implicitHeight: page.thumbnailSide
                        Accessible.role: Accessible.Button
                        Accessible.name: Orvane.text("ov_a11y_add_screenshot")
                        background: Rectangle {
                            radius: 8
                            color: "#FAFAFC"
                            border.color: "#E3E3E3"
                            border.width: 1
                        }
                        contentItem: Canvas {
                            // A camera with a plus badge at its lower right.
                            onPaint: {
                                const ctx = getContext("2d")
                                const s = width
                                ctx.reset()
                                ctx.lineWidth = 2
                                ctx.lineCap = "round"
                                ctx.lineJoin = "round"
                                ctx.strokeStyle = "#8E8E93"
                                const left = s * 0.25, top = s * 0.36, w = s * 0.46, h = s * 0.32
                                ctx.beginPath()
                                ctx.roundedRect(left, top, w, h, 3, 3)
                                ctx.moveTo(s * 0.42, top)
                                ctx.lineTo(s * 0.46, top - s * 0.07)
                                ctx.lineTo(s * 0.54, top - s * 0.07)
                                ctx.lineTo(s * 0.58, top)
                                ctx.stroke()
                                ctx.beginPath()
                                ctx.arc(left + w / 2, top + h / 2, s * 0.08, 0, 2 * Math.PI)
                                ctx.stroke()
                                ctx.beginPath()
                                ctx.fillStyle = Orvane.primaryColor
                                ctx.arc(left + w, top + h, s * 0.11, 0, 2 * Math.PI)
                                ctx.fill()
                                ctx.strokeStyle = "white"
                                ctx.lineWidth = 1.75
                                ctx.beginPath()
                                ctx.moveTo(left + w - s * 0.05, top + h)
                                ctx.lineTo(left + w + s * 0.05, top + h)
                                ctx.moveTo(left + w, top + h - s * 0.05)
                                ctx.lineTo(left + w, top + h + s * 0.05)
                                ctx.stroke()
                            }
                        }
                        onClicked: {
                            if (!controller.canAttach())
                                return
                            const sources = controller.hasCamera
                                          ? [Orvane.text("ov_shoot_photo"), Orvane.text("ov_select_photo")]
                                          : [Orvane.text("ov_select_photo")]
                            sheet.ask("", sources, "", label => controller.pickScreenshots(
                                          label === Orvane.text("ov_shoot_photo")))
                        }
                    }
                    Repeater {
                        model: controller.screenshots
                        delegate: Item {
                            id: shot
                            required property int index
                            required property string modelData
                            objectName: "screenshot:" + index
                            Layout.alignment: Qt.AlignBottom
                            implicitWidth: page.itemSide
                            implicitHeight: page.itemSide

                            Rectangle {
                                id: frame
                                y: page.itemSide - page.thumbnailSide
                                width: page.thumbnailSide
                                height: page.thumbnailSide
                                radius: 8
                                color: "#F2F2F7"
                                clip: true
                                Image {
                                    anchors.fill: parent
                                    fillMode: Image.PreserveAspectCrop
                                    source: shot.modelData
                                    Accessible.role: Accessible.Graphic
                                    Accessible.name: Orvane.text("ov_a11y_screenshot")
                                                     .arg(shot.index + 1)
                                }
                            }
                            AbstractButton {
                                objectName: "iv_screenshot_delete"
                                anchors.right: parent.right
                                width: 22
                                height: 22
                                Accessible.role: Accessible.Button
                                Accessible.name: Orvane.text("ov_a11y_remove_screenshot")
                                                 .arg(shot.index + 1)
                                background: Rectangle {
                                    radius: 11
                                    color: "#DC28282C"
                                    border.color: "white"
                                    border.width: 1.5
                                }
                                contentItem: Text {
                                    text: "\u2715"
                                    font.pixelSize: 12
                                    font.bold: true
                                    color: "white"
                                    horizontalAlignment: Text.AlignHCenter
                                    verticalAlignment: Text.AlignVCenter
                                }
                                onClicked: controller.removeScreenshot(shot.index)
                            }
                        }
                    }
                    Text {
                        objectName: "l_attach_hint"
                        Layout.fillWidth: true
                        Layout.alignment: Qt.AlignVCenter
                        visible: controller.screenshots.length === 0
                        text: Orvane.text("ov_attach_hint")
                        wrapMode: Text.Wrap
                        font.pixelSize: 12
                        color: "#8C8C8C"
                    }
                }

                // The consent text in a grey box, the box to tick under it.
                Rectangle {
                    objectName: "v_agree"
                    Layout.fillWidth: true
                    Layout.topMargin: 6
                    implicitHeight: consent.implicitHeight + 20
                    radius: 8
                    color: "#F6F6F8"

                    Column {
                        id: consent
                        x: 12
                        y: 10
                        width: parent.width - 24
                        spacing: 8
                        Text {
                            objectName: "l_agree_contents"
                            width: parent.width
                            wrapMode: Text.Wrap
                            font.pixelSize: 12
                            color: "#8C8C8C"
                            textFormat: controller.agreeText !== "" ? Text.RichText : Text.PlainText
                            text: controller.agreeText !== "" ? controller.agreeText
                                                              : Orvane.text("ov_agree_contents")
                            Accessible.name: Orvane.text("ov_agree_contents")
                        }
                        AbstractButton {
                            id: agree
                            objectName: "b_agree"
                            width: parent.width
                            implicitHeight: Math.max(24, agreeText.implicitHeight + 4)
                            checkable: true
                            Accessible.role: Accessible.CheckBox
                            Accessible.name: Orvane.text("ov_agree")
                            Accessible.checked: checked
                            contentItem: Item {
                                Image {
                                    id: box
                                    y: 2
                                    width: 20
                                    height: 20
                                    source: agree.checked ? "qrc:/orvane/images/tick-box-20.png"
                                                          : "qrc:/orvane/images/empty-box-20.png"
                                }
                                Text {
                                    id: agreeText
                                    x: box.width + 8
                                    width: parent.width - x
                                    text: Orvane.text("ov_agree")
                                    wrapMode: Text.Wrap
                                    font.pixelSize: 13
                                    font.weight: Font.DemiBold
                                    color: "#1C1C1E"
                                }
                            }
                        }
                    }
                }

                RowLayout {
                    Layout.fillWidth: true
                    Layout.topMargin: 6
                    spacing: 10
                    FormButton {
                        objectName: "b_negative"
                        Layout.preferredWidth: 1
                        text: Orvane.text("ov_cancel")
                        line: "#E3E3E3"
                        onClicked: page.back()
                    }
                    FormButton {
                        objectName: "b_positive"
                        Layout.preferredWidth: 2
                        text: Orvane.text("ov_send")
                        enabled: agree.checked
                        fill: enabled ? Orvane.primaryColor : Orvane.disabledColor
                        ink: "white"
                        onClicked: controller.send(nameField.text, phoneField.text, emailField.text,
                                                        inquiryField.text)
                    }
                }
            }
        }
    }

    // The busy overlay while the inquiry is on its way: it takes every tap.
    Rectangle {
        objectName: "vProgress"
        anchors.fill: parent
        visible: controller.sending
        color: "#80808080"
        MouseArea {
            anchors.fill: parent
        }
        BusyIndicator {
            anchors.centerIn: parent
            running: parent.visible
            scale: 1.5
        }
    }

    ChoiceSheet {
        id: sheet
    }

    Loader {
        id: fileDialog
        active: false
        source: "ScreenshotFileDialog.qml"
        onLoaded: item.picked.connect(files => controller.addScreenshotFiles(files))
    }
}
