#pragma once

#include <QByteArray>
#include <QList>
#include <QStringList>

class QImage;

namespace orvane {

// How many screenshots an inquiry carries, and how large each may be once encoded.
inline constexpr int kMaxScreenshotCount = 3;
inline constexpr qint64 kMaxScreenshotBytes = 3145728; // 3 MiB

// The JPEG (quality 70) a screenshot is measured by; empty when the image cannot be encoded.
// Callable from any thread.
QByteArray screenshotJpeg(const QImage& image);

// The pictures in `files`, in order, turned as their metadata says. Unreadable files are skipped
// (and logged), so a pick never fails as a whole. Slow for large photos: call it off the main
// thread.
QList<QImage> readPickedImages(const QStringList& files);

// Whether a screenshot whose JPEG has `jpegBytes` bytes may be attached (the limit itself is).
constexpr bool screenshotFits(qint64 jpegBytes) {
    return jpegBytes <= kMaxScreenshotBytes;
}

} // namespace orvane
