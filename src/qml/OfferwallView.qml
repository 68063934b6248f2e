// The offerwall as one item for a Qt Quick host: the navigation bar with its title, close control
// and the way to the inquiry form, the group tabs (shown while both groups have campaigns), the
// summary of the rewards on offer (at the top or in a popup), the way to the benefits history, the
// sort button, the campaign rows and the copyright footer. The participation flow's alerts show in
// a popup; a campaign's detail page, the benefits history and the inquiry form are pages pushed
// over the wall (`pages`).
import QtQuick
import QtQuick.Controls
import QtQuick.Layouts
import Orvane

Item {
    id: root
    implicitWidth: 390
    implicitHeight: 844

    // The close control, or the no-campaigns alert confirmed: the host closes the offerwall.
    signal closeRequested
    // A campaign with a detail page was tapped.
    signal detailRequested(var campId)

    readonly property OfferwallController controller: wall
    readonly property Popup alertPopup: alert
    // The pages pushed over the wall; its empty root leaves the wall in view.
    readonly property StackView pages: pageStack
    readonly property color accent: Orvane.primaryColor

    OfferwallController {
        id: wall
        onCloseRequested: root.closeRequested()
        onDetailRequested: campId => {
            root.detailRequested(campId)
            pageStack.push(detailPage, {campaign: wall.campaign(campId)})
        }
        // Not over a page the user opened.
        onBenefitsPopupRequested: if (pageStack.depth <= 1) benefitsPopup.open()
    }
    Component {
        id: detailPage
        CampDetailPage {}
    }
    Component.onCompleted: wall.start()

    Rectangle {
        anchors.fill: parent
        color: "white"
    }

    ColumnLayout {
        anchors.fill: parent
        spacing: 0

        // The navigation bar.
        Item {
            Layout.fillWidth: true
            Layout.preferredHeight: 48

            AbstractButton {
                id: closeButton
                objectName: "b_close"
                anchors.left: parent.left
                anchors.leftMargin: 6
                anchors.verticalCenter: parent.verticalCenter
                width: 40
                height: 40
                Accessible.role: Accessible.Button
                Accessible.name: Orvane.text("ov_a11y_close")
                contentItem: Text {
                    text: "\u2715"
                    font.pixelSize: 18
                    color: "#3C3C43"
                    horizontalAlignment: Text.AlignHCenter
                    verticalAlignment: Text.AlignVCenter
                }
                onClicked: wall.back()
            }
            AbstractButton {
                id: inquiryButton
                objectName: "b_inquiry"
                anchors.right: parent.right
                anchors.rightMargin: 8
                anchors.verticalCenter: parent.verticalCenter
                height: 40
                leftPadding: 10
                rightPadding: 12
                text: Orvane.text("ov_inquiry")
                Accessible.role: Accessible.Button
                Accessible.name: text
                contentItem: Text {
                    text: inquiryButton.text
                    font.pixelSize: 15
                    font.weight: Font.Medium
                    color: root.accent
                    verticalAlignment: Text.AlignVCenter
                }
                onClicked: pageStack.push(inquiryPage)
            }
            Text {
                objectName: "l_title"
                anchors.centerIn: parent
                width: parent.width - 2 * (Math.max(closeButton.width, inquiryButton.width) + 12)
                horizontalAlignment: Text.AlignHCenter
                elide: Text.ElideRight
                text: wall.title
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

        // The group tabs: a segmented control in the host's colour.
        Item {
            objectName: "v_tabs"
            visible: !wall.tabBarHidden
            Layout.fillWidth: true
            Layout.preferredHeight: 48

            Rectangle {
                id: tabs
                objectName: "sc_camp"
                anchors.fill: parent
                anchors.leftMargin: 16
                anchors.rightMargin: 16
                anchors.topMargin: 10
                anchors.bottomMargin: 4
                radius: 8
                border.color: root.accent
                border.width: 1
                color: "white"
                Accessible.role: Accessible.PageTabList
                Accessible.name: Orvane.text("ov_a11y_tabs")

                Row {
                    anchors.fill: parent
                    anchors.margins: 1
                    Repeater {
                        model: [Orvane.text("ov_tab_campaigns"), Orvane.text("ov_tab_shopping")]
                        delegate: AbstractButton {
                            id: tab
                            required property int index
                            required property string modelData
                            objectName: "tab:" + index
                            width: tabs.width / 2 - 1
                            height: parent.height
                            checked: wall.segment === index
                            text: modelData
                            Accessible.role: Accessible.PageTab
                            Accessible.name: modelData
                            Accessible.checked: checked
                            background: Rectangle {
                                radius: 7
                                color: tab.checked ? root.accent : "transparent"
                            }
                            contentItem: Text {
                                text: tab.text
                                font.pixelSize: 13
                                color: tab.checked ? "white" : root.accent
                                horizontalAlignment: Text.AlignHCenter
                                verticalAlignment: Text.AlignVCenter
                            }
                            onClicked: wall.segment = index
                        }
                    }
                }
            }
        }

        // The summary of the rewards on offer, when the host shows it at the top of the list.
        Rectangle {
            objectName: "v_coins_calue"
            visible: wall.summaryShown
            Layout.fillWidth: true
            Layout.leftMargin: 16
            Layout.rightMargin: 16
            Layout.topMargin: 10
            implicitHeight: summary.implicitHeight + 24
            radius: 10
            color: "#FFF3F2"

            Column {
                id: summary
                anchors.left: parent.left
                anchors.right: parent.right
                anchors.leftMargin: 16
                anchors.rightMargin: 16
                anchors.verticalCenter: parent.verticalCenter
                spacing: 2
                Text {
                    text: Orvane.text("ov_can_receive_benefits")
                    font.pixelSize: 13
                    color: "#6E6E74"
                }
                Text {
                    objectName: "l_coins_value"
                    text: wall.summaryText
                    font.pixelSize: 20
                    font.bold: true
                    color: "#1C1C1E"
                }
            }
        }

        // The way to the benefits history at the left, the sort mode at the right.
        RowLayout {
            Layout.fillWidth: true
            Layout.leftMargin: 16
            Layout.rightMargin: 12
            Layout.topMargin: 6
            Layout.bottomMargin: 4

            AbstractButton {
                id: benefitsButton
                objectName: "b_benefits"
                leftPadding: 10
                rightPadding: 12
                topPadding: 5
                bottomPadding: 5
                text: Orvane.text("ov_benefits_received")
                Accessible.role: Accessible.Button
                Accessible.name: text
                background: Rectangle {
                    radius: height / 2
                    color: benefitsButton.down ? "#FFE2E0" : "#FFF0EF"
                }
                contentItem: Row {
                    spacing: 6
                    Canvas {
                        // A clock face with a turning arrow.
                        width: 16
                        height: 16
                        anchors.verticalCenter: parent.verticalCenter
                        onPaint: {
                            const ctx = getContext("2d")
                            ctx.reset()
                            ctx.strokeStyle = root.accent
                            ctx.lineWidth = 1.3
                            ctx.lineCap = "round"
                            ctx.lineJoin = "round"
                            ctx.beginPath()
                            // From 200 degrees, 300 degrees counter-clockwise.
                            ctx.arc(8, 8, 6, -Math.PI * 200 / 180, -Math.PI * 500 / 180, true)
                            ctx.stroke()
                            ctx.beginPath()
                            ctx.moveTo(1.5, 4.5)
                            ctx.lineTo(2.75, 6.5)
                            ctx.lineTo(4.75, 5.25)
                            ctx.moveTo(8, 5)
                            ctx.lineTo(8, 8)
                            ctx.lineTo(10, 9.5)
                            ctx.stroke()
                        }
                    }
                    Text {
                        text: benefitsButton.text
                        font.pixelSize: 13
                        font.weight: Font.DemiBold
                        color: root.accent
                        anchors.verticalCenter: parent.verticalCenter
                    }
                }
                onClicked: pageStack.push(benefitsPage)
            }
            Item {
                Layout.fillWidth: true
            }
            AbstractButton {
                id: sortButton
                objectName: "b_sort"
                padding: 6
                text: wall.sortTitle
                Accessible.role: Accessible.Button
                Accessible.name: Orvane.text("ov_a11y_sort").arg(wall.sortTitle)
                contentItem: Text {
                    text: "\u21C5 " + sortButton.text
                    font.pixelSize: 13
                    font.weight: Font.Medium
                    color: "#3C3C43"
                }
                onClicked: wall.clickSort()
            }
        }

        ListView {
            id: list
            objectName: "tv_camp"
            Layout.fillWidth: true
            Layout.fillHeight: true
            clip: true
            model: wall.model
            boundsBehavior: Flickable.StopAtBounds
            Accessible.role: Accessible.List
            Accessible.name: Orvane.text("ov_a11y_campaigns")
            delegate: CampRow {
                width: list.width
                controller: wall
                accent: root.accent
            }
            ScrollIndicator.vertical: ScrollIndicator {}
        }

        CopyRightFooter {
            Layout.fillWidth: true
        }
    }

    // Pages over the wall; the empty root leaves the wall in view.
    StackView {
        id: pageStack
        objectName: "pages"
        anchors.fill: parent
        visible: depth > 1 || busy
        initialItem: Item {}
    }
    Component {
        id: benefitsPage
        BenefitsPage {
            onBack: pageStack.pop()
        }
    }
    Component {
        id: inquiryPage
        InquiryPage {
            wall: root.controller
            onBack: pageStack.pop()
            onFinished: pageStack.pop(null)
        }
    }

    BenefitsPopup {
        id: benefitsPopup
        rewardPriceAndMark: wall.summaryText
    }

    AlertPopup {
        id: alert
        controller: wall
    }
}
