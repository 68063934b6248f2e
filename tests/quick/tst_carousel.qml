// The QML carousel on a host's screen against the sandbox: the standard campaigns as cards (house
// ones pinned at cards 1 and 3), a tap on the current card joins it, and a campaign with a detail
// page opens that page.
import QtQuick
import QtTest
import Orvane

Rectangle {
    id: window
    width: 390
    height: 844
    color: "white"

    Component {
        id: carouselComponent
        CampCarousel {
            anchors.centerIn: parent
            width: window.width
        }
    }

    SignalSpy {
        id: shown
        target: Orvane
        signalName: "offerwallShown"
    }

    TestCase {
        name: "Carousel"
        when: windowShown

        function init() {
            sandbox.restart()
            shown.clear()
        }

        function test_cardsAndTaps() {
            const carousel = createTemporaryObject(carouselComponent, window)
            const strip = carousel.cards
            tryCompare(strip, "count", 12, 5000)
            const ids = sandbox.column(carousel.controller.model, "campId").map(Number)
            compare([ids[0], ids[2]], [901, 902])
            compare(findChild(carousel, "pageControl").count, 12)
            // The first card is centred and clear, the next one veiled.
            const first = strip.itemAtIndex(0)
            tryVerify(() => first.mapToItem(carousel, 0, 0).x === (carousel.width - 300) / 2)
            tryCompare(findChild(first, "dimmedView"), "opacity", 0)
            tryCompare(findChild(strip.itemAtIndex(1), "dimmedView"), "opacity", 0.45)
            compare(shown.count, 0) // a carousel is not the offerwall
            if (sandbox.snapshotDir() !== "") {
                wait(1500) // the pictures
                grabImage(window).save(sandbox.snapshotDir() + "/carousel.png")
            }

            // The current card joins at a tap (901: a landing page, no detail page).
            mouseClick(first)
            tryCompare(sandbox, "visits", 1, 5000)
            compare(sandbox.requests("/v1/join"), 1)

            // The keyboard moves to 902, whose detail page opens at Enter.
            strip.forceActiveFocus()
            keyClick(Qt.Key_Right)
            keyClick(Qt.Key_Right)
            tryCompare(findChild(strip.itemAtIndex(2), "dimmedView"), "opacity", 0)
            compare(findChild(carousel, "pageControl").currentIndex, 2)
            keyClick(Qt.Key_Return)
            tryVerify(() => carousel.detailPopup.opened, 5000)
            const page = carousel.detailPopup.contentItem.item
            compare(page.controller.campId, 902)
            compare(sandbox.requests("/v1/join"), 1)
            mouseClick(findChild(page, "b_back"))
            tryCompare(carousel.detailPopup, "visible", false)
        }
    }
}
