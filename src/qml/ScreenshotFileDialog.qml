// The file dialog screenshots are picked with when no platform image picker is installed. Loaded
// only then, so the module needs Qt Quick Dialogs only where it is used.
import QtQuick
import QtQuick.Dialogs
import Orvane

FileDialog {
    property int limit: 1
    signal picked(var files)

    title: Orvane.text("ov_select_photo")
    fileMode: limit > 1 ? FileDialog.OpenFiles : FileDialog.OpenFile
    nameFilters: [Orvane.text("ov_image_files") + " (*.png *.jpg *.jpeg *.gif *.webp *.bmp)"]
    onAccepted: picked(selectedFiles.slice(0, limit))
}
