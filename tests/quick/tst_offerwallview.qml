// The QML offerwall against the sandbox's catalogue: 10 standard campaigns (108 converted, so it
// leads every order) and 2 house ones pinned at rows 1 and 3; 3 purchase campaigns and 1 house one
// pinned first.
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
        name: "OfferwallView"
        when: windowShown

        function init() {
            sandbox.restart()
            Orvane.benefitsType = 1
            rewarded.clear()
        }

        function openView() {
            const view = createTemporaryObject(viewComponent, window)
            verify(view)
            tryVerify(() => view.controller.model.rowCount() > 0, 5000)
            return view
        }

        function ids(view) {
            return sandbox.column(view.controller.model, "campId").map(Number)
        }

        // The row of `campId`, scrolled into view.
        function shownRow(view, campId) {
            const list = findChild(view, "tv_camp")
            list.positionViewAtIndex(ids(view).indexOf(campId), ListView.Center)
            waitForRendering(list)
            return findChild(view, "camp:" + campId)
        }

        function test_sortOrders_data() {
            return [
                { tag: "highest first", clicks: 1, title: "ov_sort_high",
                  rows: [901, 108, 902, 109, 101, 102, 103, 110, 104, 106, 105, 107] },
                { tag: "lowest first", clicks: 2, title: "ov_sort_low",
                  rows: [901, 108, 902, 107, 105, 106, 104, 110, 103, 102, 101, 109] },
                { tag: "back to recommended", clicks: 3, title: "ov_sort_init", rows: null },
            ]
        }

        function test_sortOrders(data) {
            const view = openView()
            const first = ids(view)
            const sort = findChild(view, "b_sort")
            for (let i = 0; i < data.clicks; ++i)
                mouseClick(sort)
            compare(sort.text, Orvane.text(data.title))
            compare(sort.Accessible.name, Orvane.text("ov_a11y_sort").arg(Orvane.text(data.title)))
            compare(ids(view), data.rows === null ? first : data.rows)
            // The rows on screen are the model's, top to bottom.
            const list = findChild(view, "tv_camp")
            compare(list.itemAtIndex(0).campId, ids(view)[0])
        }

        function test_tabsSwitchGroups() {
            const view = openView()
            verify(findChild(view, "v_tabs").visible)
            compare(ids(view).length, 12)
            verify(sandbox.column(view.controller.model, "group").every(g => g === 0))
            // Every campaign of both groups, house ones included.
            compare(findChild(view, "l_coins_value").text, "13,900 P")

            mouseClick(findChild(view, "tab:1"))
            compare(view.controller.segment, 1)
            compare(ids(view)[0], 904)
            compare(ids(view).slice().sort(), [401, 402, 403, 904])
            verify(sandbox.column(view.controller.model, "group").every(g => g === 1))
            // A purchase row: the price line, the reward on its pill.
            const row = findChild(view, "camp:401")
            verify(row.priceText.endsWith(Orvane.text("ov_won")))
            compare(findChild(row, "l_content").text, row.priceText)
            compare(findChild(row, "l_reward_button").text, row.rewardText)

            mouseClick(findChild(view, "tab:0"))
            compare(ids(view).length, 12)
        }

        function test_snapshot() {
            if (sandbox.snapshotDir() === "")
                skip("set ORVANE_QUICK_SNAPSHOTS to a folder to photograph the view")
            const view = openView()
            wait(1500) // the icons
            let saved = false
            view.grabToImage(result => { saved = result.saveToFile(sandbox.snapshotDir()
                                                                    + "/offerwall.png") })
            tryVerify(() => saved)
        }

        function test_participationCompletes_data() {
            return [{ tag: "claimed by the kit (reward type 1)", type: 1, campId: 110, claims: 1 },
                    { tag: "credited by the server (reward type 2)", type: 2, campId: 105, claims: 0 }]
        }

        // Tap, consent, join, the landing page visited, polling, the reward claimed with its key
        // or credited by the server, the completion alert; confirming it reloads the list.
        function test_participationCompletes(data) {
            sandbox.setRewardType(data.type)
            sandbox.setCompletionDelay(200)
            const view = openView()
            const row = shownRow(view, data.campId)
            verify(row)
            compare(findChild(row, "l_reward_button").text, row.actionTitle)
            mouseClick(row, 20, 20)
            tryCompare(sandbox, "visits", 1, 5000)
            if (data.claims) {
                // The row offers the reward, and a tap on it claims it.
                const claim = Orvane.text("ov_accumulate")
                tryVerify(() => findChild(view, "camp:" + data.campId).actionTitle === claim, 8000)
                compare(rewarded.count, 0)
                mouseClick(findChild(view, "camp:" + data.campId), 20, 20)
            }
            tryCompare(rewarded, "count", 1, 10000)
            const reward = rewarded.signalArguments[0][0]
            compare(reward.campaignId, data.campId)
            compare(reward.rewardType, data.type)
            compare(sandbox.requests("/v1/reward"), data.claims)

            const alert = view.alertPopup
            tryVerify(() => alert.opened, 5000)
            compare(findChild(alert.contentItem, "alertMessage").text,
                    Orvane.text("ov_participation_complete"))
            if (sandbox.snapshotDir() !== "") {
                waitForRendering(alert.contentItem)
                grabImage(view.Window.window.contentItem).save(sandbox.snapshotDir() + "/alert.png")
            }
            const loads = sandbox.requests("/v1/req")
            mouseClick(findChild(alert.contentItem, "alertAction:" + Orvane.text("ov_confirm")))
            tryCompare(alert, "visible", false)
            tryVerify(() => sandbox.requests("/v1/req") === loads + 1, 5000)
            compare(rewarded.count, 1)
        }

        // With no prompt of the host's, the kit asks in the offerwall's popup. A join tapped while
        // it asks waits for the same answer; "allow" lets both go on, and a later join asks nothing.
        function test_consentAskedOnce() {
            sandbox.useKitConsent(true)
            try {
                const view = openView()
                const alert = view.alertPopup
                const asking = () => alert.opened && findChild(alert.contentItem, "alertMessage")
                                     .text === Orvane.text("ov_tracking_prompt_message")
                mouseClick(shownRow(view, 104), 20, 20)
                tryVerify(asking, 5000)
                compare(findChild(alert.contentItem, "alertTitle").text,
                        Orvane.text("ov_tracking_prompt_title")
                        .replace("%1", Qt.application.displayName))
                if (sandbox.snapshotDir() !== "") {
                    waitForRendering(alert.contentItem)
                    grabImage(view.Window.window.contentItem).save(sandbox.snapshotDir()
                                                                   + "/consent.png")
                }
                view.controller.runAction(ids(view).indexOf(102))
                wait(200)
                compare(sandbox.requests("/v1/join"), 0)
                waitForRendering(alert.contentItem)
                mouseClick(findChild(alert.contentItem,
                                     "alertAction:" + Orvane.text("ov_tracking_allow")))
                tryVerify(() => sandbox.requests("/v1/join") === 2, 5000)
                verify(!asking())

                view.controller.runAction(ids(view).indexOf(107))
                tryVerify(() => sandbox.requests("/v1/join") === 3, 5000)
                verify(!asking())
            } finally {
                sandbox.useKitConsent(false)
            }
        }

        // "Ask App Not to Track" blocks the join and offers the settings page, which shows in the
        // same popup; allowing there lets the next join go on without asking.
        function test_consentChangedInSettings() {
            sandbox.useKitConsent(true)
            try {
                const view = openView()
                const alert = view.alertPopup
                const message = () => alert.opened
                                      ? findChild(alert.contentItem, "alertMessage").text : ""
                const answer = key => {
                    waitForRendering(alert.contentItem) // the buttons laid out where they show
                    mouseClick(findChild(alert.contentItem, "alertAction:" + Orvane.text(key)))
                }
                mouseClick(shownRow(view, 104), 20, 20)
                tryVerify(() => message() === Orvane.text("ov_tracking_prompt_message"), 5000)
                answer("ov_tracking_deny")
                tryVerify(() => message() === Orvane.text("ov_allow_tracking"), 5000)
                answer("ov_confirm")
                tryVerify(() => message() === Orvane.text("ov_tracking_settings_message"), 5000)
                compare(findChild(alert.contentItem, "alertTitle").text,
                        Orvane.text("ov_tracking_settings_title"))
                answer("ov_tracking_allow")
                tryVerify(() => !alert.opened, 5000)
                compare(sandbox.requests("/v1/join"), 0)

                view.controller.runAction(ids(view).indexOf(104))
                tryVerify(() => sandbox.requests("/v1/join") === 1, 5000)
                verify(message() !== Orvane.text("ov_tracking_prompt_message"))
            } finally {
                sandbox.useKitConsent(false)
            }
        }
    }
}
