// The pages over the QML offerwall against the sandbox: the benefits history with its choices and
// its failure, the benefits popup, and an inquiry sent with a screenshot after a failed send.
import QtQuick
import QtQuick.Controls
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
        id: inquirySent
        target: Orvane
        signalName: "inquirySent"
    }

    TestCase {
        name: "Forms"
        when: windowShown

        function init() {
            sandbox.restart()
            Orvane.benefitsType = 1
            inquirySent.clear()
        }

        // The offerwall, loaded, with the page `entry` opens pushed over it.
        function openPage(entry) {
            const view = createTemporaryObject(viewComponent, window)
            tryVerify(() => view.controller.model.rowCount() > 0, 5000)
            mouseClick(findChild(view, entry))
            tryVerify(() => view.pages.depth === 2 && !view.pages.busy, 5000)
            return view
        }

        // Picks `label` in the sheet that a click on `control` opens (photographed as `file` when
        // pictures are asked for); returns the ticked row.
        function choose(page, control, label, file) {
            waitForItemPolished(control.parent) // laid out where the click goes
            mouseClick(control)
            const sheet = findChild(page, "choiceSheet")
            tryVerify(() => sheet.opened, 5000, "no sheet from " + control.objectName)
            waitForItemPolished(sheet.contentItem)
            if (file)
                snapshot(page, file)
            const ticked = sheet.choices.filter(choice => choice === sheet.current)
            const row = findChild(sheet.contentItem, "choice:" + label)
            verify(row, "no choice " + label)
            mouseClick(row)
            tryVerify(() => !sheet.visible)
            return ticked.join()
        }

        // The message of the alert that comes up next, confirmed.
        function alertMessage(view) {
            const alert = view.alertPopup
            tryVerify(() => alert.opened, 5000)
            waitForItemPolished(alert.contentItem)
            const message = findChild(alert.contentItem, "alertMessage").text
            mouseClick(findChild(alert.contentItem, "alertAction:" + Orvane.text("ov_confirm")))
            return message
        }

        function snapshot(view, file) {
            if (sandbox.snapshotDir() === "")
                return
            wait(600) // transitions and pictures
            // The window's, so popups show too.
            grabImage(view.Window.window.contentItem).save(sandbox.snapshotDir() + "/" + file)
        }

        function test_benefitsHistory() {
            sandbox.addReward(101, "Starfall Legends", 1200000, 2)
            sandbox.addReward(103, "Greenleaf Market sign-up", 500, 40)
            const view = openPage("b_benefits")
            const page = view.pages.currentItem
            const list = findChild(page, "tv_reward")
            tryCompare(list, "count", 1, 5000)
            compare(sandbox.lastQuery("/api/cs/user_reward_list", "rewardtype"), "") // all kinds
            const row = list.itemAtIndex(0)
            compare(findChild(row, "l_reward_price").text, "1,200,000 P")
            const day = new Date(Date.now() - 2 * 24 * 3600 * 1000)
            compare(findChild(row, "l_date").text, Qt.formatDate(day, "yyyy-MM-dd"))
            compare(row.Accessible.name, "Starfall Legends, " + findChild(row, "l_date").text
                                         + ", 1,200,000 P")
            snapshot(view, "benefits.png")

            // Three months bring the older reward too, newest first.
            compare(choose(page, findChild(page, "b_period"), Orvane.text("ov_recently_month3"),
                           "benefits-period-sheet.png"),
                    Orvane.text("ov_recently_week1"))
            tryCompare(list, "count", 2, 5000)
            compare(findChild(list.itemAtIndex(1), "l_name").text, "Greenleaf Market sign-up")
            compare(findChild(page, "b_period").text, Orvane.text("ov_recently_month3"))

            // A server that fails: the label in the list's place.
            sandbox.failWith("/api/cs/user_reward_list", 500)
            choose(page, findChild(page, "b_benefits_kind"), Orvane.text("ov_purchase_benefits"))
            const none = findChild(page, "l_no_receive_benefits")
            tryVerify(() => none.visible, 5000)
            verify(!list.visible)
            compare(none.text, Orvane.text("ov_no_receive_benefits"))
            compare(sandbox.lastQuery("/api/cs/user_reward_list", "rewardtype"), "2")

            mouseClick(findChild(page, "b_back"))
            tryVerify(() => view.pages.depth === 1 && !view.pages.busy)
        }

        function test_benefitsPopup() {
            Orvane.benefitsType = 0
            const view = createTemporaryObject(viewComponent, window)
            const popup = findChild(view, "benefitsPopup")
            tryVerify(() => popup.opened, 5000)
            compare(findChild(popup.contentItem, "l_popup_coins_value").text, "13,900 P")
            verify(!findChild(view, "v_coins_calue").visible)
            snapshot(view, "benefits-popup.png")
            mouseClick(findChild(popup.contentItem, "iv_close"))
            tryVerify(() => !popup.visible)
        }

        function test_inquirySentWithScreenshot() {
            sandbox.joinCampaign(103) // the campaign choice lists what the user joined
            const view = openPage("b_inquiry")
            const page = view.pages.currentItem
            const form = page.form
            tryVerify(() => form.campaignNames.length > 0 && form.agreeText !== "", 5000)
            findChild(page, "tf_name").text = "Kim Mina"
            findChild(page, "tf_phone").text = "0212345678"
            findChild(page, "tf_email").text = "kim@mail.example.com"
            findChild(page, "tv_input_inquiry").text = "My reward never arrived."

            // A reward inquiry asks which campaign.
            choose(page, findChild(page, "v_request_type"), Orvane.text("ov_request_type_savings"))
            const campaign = findChild(page, "v_ad_select")
            verify(campaign.visible)
            const name = "Greenleaf Market sign-up" // campaign 103
            verify(form.campaignNames.indexOf(name) >= 0)
            choose(page, campaign, name)
            compare(campaign.Accessible.name, name)

            // Two pictures attached, the first removed again.
            sandbox.pickImages([1200, 60])
            choose(page, findChild(page, "iv_attach"), Orvane.text("ov_select_photo"))
            tryVerify(() => form.screenshots.length === 2, 5000)
            mouseClick(findChild(findChild(page, "screenshot:0"), "iv_screenshot_delete"))
            compare(form.screenshots.length, 1)
            snapshot(view, "inquiry.png")

            // Sending waits for the consent; then the checks, then the server.
            const send = findChild(page, "b_positive")
            verify(!send.enabled)
            mouseClick(findChild(page, "b_agree"))
            verify(send.enabled)
            mouseClick(send)
            compare(alertMessage(view), Orvane.text("ov_not_phone_form"))
            findChild(page, "tf_phone").text = "01012345678"
            sandbox.failWith("/api/cs", 500)
            mouseClick(send)
            compare(alertMessage(view), Orvane.text("ov_try_again"))
            verify(!form.sending)
            compare(inquirySent.count, 0)

            sandbox.clearFaults()
            const stored = sandbox.inquiryCount()
            mouseClick(send)
            compare(alertMessage(view), Orvane.text("ov_inquiry_done"))
            tryVerify(() => view.pages.depth === 1)
            compare(inquirySent.count, 1)
            compare(sandbox.inquiryCount(), stored + 1)
            const sent = sandbox.lastInquiry()
            compare([sent.name, sent.tel, sent.email, sent.content, sent.cstype],
                    ["Kim Mina", "01012345678", "kim@mail.example.com", "My reward never arrived.",
                     "reward"])
            compare(sent.campid, "103")
            compare(sent.images, [60])
        }
    }
}
