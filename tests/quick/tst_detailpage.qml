// The QML detail page and footer against the sandbox: 101 (app) and 902 (house, landing page,
// polled after its join) open their detail page from their row and are joined from it.
import QtQuick
import QtTest
import Orvane

Item {
    id: window
    width: 390
    height: 844

    Component {
        id: viewComponent
        OfferwallView {
            width: window.width
            height: window.height
        }
    }

    SignalSpy {
        id: rewarded
        target: Orvane
        signalName: "rewardConfirmed"
    }

    TestCase {
        name: "DetailPage"
        when: windowShown

        function init() {
            sandbox.restart()
            Orvane.benefitsType = 1
            Orvane.copyRightVisibility = false
            rewarded.clear()
        }

        function openView() {
            const view = createTemporaryObject(viewComponent, window)
            verify(view)
            tryVerify(() => view.controller.model.rowCount() > 0, 5000)
            return view
        }

        // Taps the row of `campId` and returns the page it pushed, once it is in place.
        function openDetail(view, campId) {
            const ids = sandbox.column(view.controller.model, "campId").map(Number)
            const list = findChild(view, "tv_camp")
            list.positionViewAtIndex(ids.indexOf(campId), ListView.Center)
            waitForRendering(list)
            mouseClick(findChild(view, "camp:" + campId), 20, 20)
            tryCompare(view.pages, "depth", 2)
            tryCompare(view.pages, "busy", false)
            const page = view.pages.currentItem
            compare(page.controller.campId, campId)
            return page
        }

        function test_joinedFromThePage() {
            sandbox.setRewardType(2)
            sandbox.setCompletionDelay(200)
            const view = openView()
            const page = openDetail(view, 902)
            compare(sandbox.requests("/v1/join"), 0)
            const button = findChild(page, "b_reward")
            compare(button.text, "Join the club")
            compare(button.Accessible.name, "Join the club")
            compare(findChild(page, "l_title").text, "Orvane Club membership")
            verify(/700(&nbsp;|\u00a0)P/.test(findChild(page, "l_content").text))
            verify(findChild(page, "l_how_participate").text.indexOf("Membership is free") >= 0)
            tryVerify(() => findChild(page, "l_join_desc").text !== "", 5000) // the notice file
            tryCompare(page.controller, "buttonState", CampDetailController.Join, 5000)
            compare(sandbox.requests("/v1/view"), 1)
            if (sandbox.snapshotDir() !== "") {
                tryCompare(findChild(page, "iv_native"), "status", Image.Ready, 5000)
                waitForRendering(page)
                grabImage(page).save(sandbox.snapshotDir() + "/detail.png")
            }

            mouseClick(button)
            tryCompare(sandbox, "visits", 1, 5000)
            tryCompare(rewarded, "count", 1, 10000)
            compare(rewarded.signalArguments[0][0].campaignId, 902)
            const alert = view.alertPopup
            tryVerify(() => alert.opened, 5000)
            compare(findChild(alert.contentItem, "alertMessage").text,
                    Orvane.text("ov_participation_complete"))
            // Confirmed: the list loads again and the page closes.
            const loads = sandbox.requests("/v1/req")
            mouseClick(findChild(alert.contentItem, "alertAction:" + Orvane.text("ov_confirm")))
            tryCompare(view.pages, "depth", 1, 5000)
            tryVerify(() => sandbox.requests("/v1/req") === loads + 1, 5000)
        }

        // An app campaign: its join offers the participation check on the page and reloads the
        // list under it; the keyboard's Escape goes back.
        function test_checkOfferedThenBack() {
            const view = openView()
            const page = openDetail(view, 101)
            tryCompare(page.controller, "buttonState", CampDetailController.Join, 5000)
            const loads = sandbox.requests("/v1/req")
            mouseClick(findChild(page, "b_reward"))
            tryCompare(findChild(page, "b_reward"), "text",
                       Orvane.text("ov_participation_check"), 5000)
            tryVerify(() => sandbox.requests("/v1/req") === loads + 1, 5000)
            keyClick(Qt.Key_Escape)
            tryCompare(view.pages, "depth", 1)
        }

        function test_footerAsTheHostSetIt_data() {
            return [{ tag: "hidden", shown: false }, { tag: "shown", shown: true }]
        }

        function test_footerAsTheHostSetIt(data) {
            Orvane.copyRightVisibility = data.shown
            const view = openView()
            const footer = findChild(view, "v_copyright")
            compare(footer.visible, data.shown)
            const list = findChild(view, "tv_camp")
            tryVerify(() => list.y + list.height === (data.shown ? view.height - 30 : view.height))
            if (data.shown)
                compare(findChild(footer, "l_copyright").text,
                        Orvane.text("ov_copyright").arg(new Date().getFullYear()))
            // Decided when the footer is made.
            Orvane.copyRightVisibility = !data.shown
            compare(footer.visible, data.shown)
        }
    }
}
