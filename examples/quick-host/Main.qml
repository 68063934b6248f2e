// The host's window: its own home page, and the kit's OfferwallView pushed over it. It hears the
// kit through the Orvane singleton, asks for tracking consent in its own dialog, and shows the
// balance its reward server holds: a reward the kit reports is a cue to ask that server again,
// never an amount to add up here.
import QtQuick
import QtQuick.Controls
import QtQuick.Layouts
import Orvane

ApplicationWindow {
    id: window

    required property var consent
    required property url walletUrl
    required property string userId

    property string status: ""
    property string balance: ""
    // After a reward, until the credit shows: the balance before it.
    property bool awaitingCredit: false
    property string balanceBeforeReward: ""

    width: 390
    height: 844
    visible: true
    title: "Quick host"

    StackView {
        id: stack
        anchors.fill: parent
        initialItem: home
        Component.onCompleted: stack.push(offerwall)
    }

    Component {
        id: home
        Page {
            ColumnLayout {
                anchors.fill: parent
                anchors.margins: 32
                spacing: 16
                Item { Layout.fillHeight: true }
                Label {
                    Layout.fillWidth: true
                    text: "Sample Qt Quick host"
                    font.pixelSize: 28
                    font.bold: true
                    horizontalAlignment: Text.AlignHCenter
                    wrapMode: Text.Wrap
                }
                Label {
                    objectName: "wallet"
                    Layout.fillWidth: true
                    visible: text !== ""
                    text: window.balance
                    font.pixelSize: 15
                    font.weight: Font.DemiBold
                    horizontalAlignment: Text.AlignHCenter
                }
                Item { Layout.fillHeight: true }
                Button {
                    Layout.fillWidth: true
                    text: "Open offerwall"
                    onClicked: stack.push(offerwall)
                }
                Label {
                    Layout.fillWidth: true
                    text: window.status
                    color: "#8C8C8C"
                    horizontalAlignment: Text.AlignHCenter
                    wrapMode: Text.Wrap
                }
            }
        }
    }

    Component {
        id: offerwall
        OfferwallView {
            onCloseRequested: stack.pop()
        }
    }

    Connections {
        target: Orvane
        function onOfferwallShown() { window.status = "Offerwall open: game paused" }
        function onOfferwallClosed() {
            window.status = "Offerwall closed: game resumed"
            window.refreshWallet()
        }
        function onCampaignsAvailable(count) { window.status = count + " campaigns on offer" }
        function onOfferwallFailed(reason) { window.status = "No campaigns to show (" + reason + ")" }
        function onRewardConfirmed(reward) {
            window.status = "Earned " + reward.amount + " " + reward.mark + " from " + reward.name
            if (!window.awaitingCredit)
                window.balanceBeforeReward = window.balance
            window.awaitingCredit = true
            walletRetry.left = 8
            window.refreshWallet()
        }
    }

    // GET <wallet>/balance?userid=...: {"balance": N, "mark": "P"}.
    function refreshWallet() {
        if (String(walletUrl) === "")
            return
        const request = new XMLHttpRequest()
        request.onreadystatechange = () => {
            if (request.readyState !== XMLHttpRequest.DONE)
                return
            if (request.status !== 200) {
                window.status = "Your reward server does not answer"
                return
            }
            const answer = JSON.parse(request.responseText)
            const amount = Number(answer.balance)
            window.balance = "Wallet: " + amount.toLocaleString(Qt.locale(), "f",
                                                                Number.isInteger(amount) ? 0 : 2)
                             + " " + answer.mark
            if (!window.awaitingCredit)
                return
            if (window.balance !== window.balanceBeforeReward)
                window.awaitingCredit = false
            else if (walletRetry.left-- > 0)
                walletRetry.start()
            else
                window.awaitingCredit = false
        }
        request.open("GET", walletUrl + "/balance?userid=" + encodeURIComponent(userId))
        request.send()
    }
    Component.onCompleted: refreshWallet()

    Timer {
        id: walletRetry
        property int left: 0
        interval: 700
        onTriggered: window.refreshWallet()
    }

    // The host's tracking-consent prompt, in the kit's words: open while the kit waits for it.
    Connections {
        target: window.consent
        function onAskingChanged() {
            if (window.consent.asking)
                consentDialog.open()
            else
                consentDialog.close()
        }
    }
    Dialog {
        id: consentDialog
        objectName: "consent"
        anchors.centerIn: Overlay.overlay
        width: Math.min(window.width - 24, 366)
        modal: true
        closePolicy: Popup.NoAutoClose
        title: Orvane.text("ov_tracking_prompt_title").replace("%1", Qt.application.displayName)
        header: Label {
            text: consentDialog.title
            wrapMode: Text.Wrap
            font.bold: true
            padding: 12
            bottomPadding: 0
        }
        Label {
            width: parent.width
            text: Orvane.text("ov_tracking_prompt_message")
            wrapMode: Text.Wrap
        }
        footer: DialogButtonBox {
            Button {
                objectName: "consentDeny"
                text: Orvane.text("ov_tracking_deny")
                onClicked: window.consent.answer(false)
            }
            Button {
                objectName: "consentAllow"
                text: Orvane.text("ov_tracking_allow")
                onClicked: window.consent.answer(true)
            }
        }
    }
}
