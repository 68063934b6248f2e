// A strip of campaign cards for the host's own screen: the campaigns of the offerwall (the first
// group that has any, sorted and pinned as the list), 300 x 400 cards 24 apart, the current one
// centred and the others veiled, settling on a card when a drag ends, and a page indicator 16
// below. A tap on the current card runs its action (join, participation check, claim); a
// campaign with a detail page opens it over the window. The flow's alerts that follow a tap show
// here. Reports nothing to the host and shows no alert when the campaigns cannot be loaded.
import QtQuick
import QtQuick.Controls
import Orvane

Item {
    id: root

    readonly property OfferwallController controller: wall
    readonly property ListView cards: strip
    readonly property Popup alertPopup: alert
    readonly property Popup detailPopup: detail
    readonly property color accent: Orvane.primaryColor

    implicitWidth: 390
    implicitHeight: strip.height + 2 * (16 + indicator.implicitHeight)

    OfferwallController {
        id: wall
        embedded: true
        onDetailRequested: campId => detail.show(wall.campaign(campId))
    }
    Component.onCompleted: wall.start()

    ListView {
        id: strip
        objectName: "collectionView"
        anchors.verticalCenter: parent.verticalCenter
        width: parent.width
        height: 400
        orientation: ListView.Horizontal
        spacing: 24
        clip: true
        model: wall.model
        // The current card stays centred; a drag settles on the nearest card.
        snapMode: ListView.SnapOneItem
        highlightRangeMode: ListView.StrictlyEnforceRange
        preferredHighlightBegin: (width - 300) / 2
        preferredHighlightEnd: (width + 300) / 2
        highlightMoveDuration: 250
        boundsBehavior: Flickable.StopAtBounds
        focus: true
        keyNavigationEnabled: true
        Keys.onReturnPressed: wall.runAction(currentIndex)
        Keys.onEnterPressed: wall.runAction(currentIndex)
        Keys.onSpacePressed: wall.runAction(currentIndex)
        Accessible.role: Accessible.List
        Accessible.name: Orvane.text("ov_a11y_campaigns")
        delegate: CampCard {
            controller: wall
            accent: root.accent
            current: ListView.isCurrentItem
            onChosen: card => strip.currentIndex = card
        }
        onCurrentIndexChanged: indicator.currentIndex = currentIndex
        // A reload leaves no card current: the first one is.
        onCountChanged: if (currentIndex < 0 && count > 0) currentIndex = 0
    }

    PageIndicator {
        id: indicator
        objectName: "pageControl"
        anchors.top: strip.bottom
        anchors.topMargin: 16
        anchors.horizontalCenter: parent.horizontalCenter
        count: strip.count
        interactive: true
        onCurrentIndexChanged: strip.currentIndex = currentIndex
        delegate: Rectangle {
            required property int index
            implicitWidth: 8
            implicitHeight: 8
            radius: 4
            color: index === indicator.currentIndex ? "black" : "#A0A0A0"
        }
    }

    AlertPopup {
        id: alert
        controller: wall
    }

    // A campaign's detail page, over the whole window; back closes it.
    Popup {
        id: detail
        objectName: "detailPopup"
        parent: Overlay.overlay
        width: parent ? parent.width : 0
        height: parent ? parent.height : 0
        padding: 0
        modal: true
        closePolicy: Popup.NoAutoClose

        function show(campaign) {
            pageLoader.active = false
            pageLoader.campaign = campaign
            pageLoader.active = true
            open()
        }

        contentItem: Loader {
            id: pageLoader
            property var campaign
            active: false
            sourceComponent: CampDetailPage {
                campaign: pageLoader.campaign
                onClosed: detail.close()
            }
            onLoaded: item.forceActiveFocus()
        }
        // Unloaded once the page's own signal that closed the popup has returned.
        onClosed: Qt.callLater(() => {
            if (!detail.visible)
                pageLoader.active = false
        })
    }
}
