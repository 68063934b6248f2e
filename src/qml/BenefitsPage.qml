// The history of rewards credited to the user: the kind and period selectors, the period line and
// the rows of the reply, or "ov_no_receive_benefits" when the server refused or could not be
// reached.
import QtQuick
import QtQuick.Controls
import QtQuick.Layouts
import Orvane

Item {
    id: page

    signal back

    readonly property BenefitsController history: controller

    BenefitsController {
        id: controller
    }
    Component.onCompleted: controller.start()

    Rectangle {
        anchors.fill: parent
        color: "white"
    }

    component Selector: AbstractButton {
        id: selector
        Layout.fillWidth: true
        Layout.preferredWidth: 1
        implicitHeight: 40
        Accessible.role: Accessible.Button
        Accessible.name: text
        background: Rectangle {
            radius: 8
            color: "white"
            border.color: "#E3E3E3"
            border.width: 1
        }
        contentItem: Item {
            Text {
                anchors.left: parent.left
                anchors.right: parent.right
                anchors.leftMargin: 12
                anchors.rightMargin: 28
                anchors.verticalCenter: parent.verticalCenter
                text: selector.text
                elide: Text.ElideRight
                horizontalAlignment: Text.AlignHCenter
                font.pixelSize: 14
                font.weight: Font.Medium
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

    ColumnLayout {
        anchors.fill: parent
        spacing: 0

        PageBar {
            Layout.fillWidth: true
            title: Orvane.text("ov_benefits_received")
            onBack: page.back()
        }

        ColumnLayout {
            Layout.fillWidth: true
            Layout.leftMargin: 16
            Layout.rightMargin: 16
            Layout.topMargin: 14
            Layout.bottomMargin: 10
            spacing: 10

            RowLayout {
                Layout.fillWidth: true
                spacing: 10
                Selector {
                    objectName: "b_benefits_kind"
                    text: controller.kind
                    onClicked: sheet.ask(Orvane.text("ov_benefits"), controller.kindLabels,
                                         controller.kind, label => controller.chooseKind(label))
                }
                Selector {
                    objectName: "b_period"
                    text: controller.period
                    onClicked: sheet.ask(Orvane.text("ov_term"), controller.periodLabels,
                                         controller.period, label => controller.choosePeriod(label))
                }
            }
            Text {
                objectName: "l_term"
                Layout.fillWidth: true
                text: controller.term
                font.pixelSize: 13
                color: "#8C8C8C"
            }
        }

        Rectangle {
            Layout.fillWidth: true
            Layout.preferredHeight: 8
            color: "#F2F2F7"
        }

        Item {
            Layout.fillWidth: true
            Layout.fillHeight: true

            ListView {
                id: list
                objectName: "tv_reward"
                anchors.fill: parent
                visible: !controller.failed
                clip: true
                model: controller.model
                boundsBehavior: Flickable.StopAtBounds
                Accessible.role: Accessible.List
                Accessible.name: Orvane.text("ov_benefits_received")
                ScrollIndicator.vertical: ScrollIndicator {}
                delegate: Item {
                    id: row
                    required property int index
                    required property string name
                    required property string date
                    required property string rewardText
                    objectName: "reward:" + index
                    width: list.width
                    implicitHeight: Math.max(texts.implicitHeight, price.implicitHeight) + 28
                    Accessible.role: Accessible.ListItem
                    Accessible.name: [name, date, rewardText].filter(part => part !== "").join(", ")

                    Column {
                        id: texts
                        anchors.left: parent.left
                        anchors.right: price.left
                        anchors.leftMargin: 16
                        anchors.rightMargin: 12
                        anchors.verticalCenter: parent.verticalCenter
                        spacing: 4
                        Text {
                            objectName: "l_name"
                            width: parent.width
                            text: row.name
                            wrapMode: Text.Wrap
                            font.pixelSize: 15
                            font.weight: Font.DemiBold
                            color: "#1C1C1E"
                        }
                        Text {
                            objectName: "l_date"
                            text: row.date
                            font.pixelSize: 12
                            color: "#8C8C8C"
                        }
                    }
                    Text {
                        id: price
                        objectName: "l_reward_price"
                        anchors.right: parent.right
                        anchors.rightMargin: 16
                        anchors.verticalCenter: parent.verticalCenter
                        text: row.rewardText
                        font.pixelSize: 14
                        font.bold: true
                        color: Orvane.primaryColor
                    }
                    Rectangle {
                        anchors.bottom: parent.bottom
                        x: 16
                        width: parent.width - 32
                        height: 1
                        color: "#E0E0E4"
                    }
                }
            }

            Text {
                objectName: "l_no_receive_benefits"
                anchors.fill: parent
                visible: controller.failed
                text: Orvane.text("ov_no_receive_benefits")
                horizontalAlignment: Text.AlignHCenter
                verticalAlignment: Text.AlignVCenter
                wrapMode: Text.Wrap
                font.pixelSize: 14
                color: "#8C8C8C"
            }

            BusyIndicator {
                objectName: "busy"
                anchors.centerIn: parent
                running: controller.loading && list.count === 0 && !controller.failed
                visible: running
            }
        }
    }

    ChoiceSheet {
        id: sheet
    }
}
