#pragma once

#include <atomic>
#include <memory>

#include <QBuffer>
#include <QByteArray>
#include <QCoreApplication>
#include <QImage>
#include <QImageWriter>
#include <QMutex>
#include <QRegularExpression>
#include <QThread>

#include "core/ApiProvider.h"

namespace orvane::test {

// Collects the outcomes a completion receives, from whichever thread it runs on. The state is
// shared with the completions it hands out, so a completion that runs after the probe is gone
// (a test that failed before its request ended) writes into live memory.
class CompletionProbe final {
public:
    ApiCompletion completion() {
        return [state = m_state](const ApiResult& result) {
            QMutexLocker lock(&state->mutex);
            state->results.append(result);
            state->onMainThread = state->onMainThread || QThread::currentThread() ==
                                                             QCoreApplication::instance()->thread();
            state->count.fetch_add(1);
        };
    }
    int count() const { return m_state->count.load(); }
    ApiResult result() const {
        QMutexLocker lock(&m_state->mutex);
        return m_state->results.value(0, ApiResult::failure({}));
    }
    bool ranOnMainThread() const {
        QMutexLocker lock(&m_state->mutex);
        return m_state->onMainThread;
    }

private:
    struct State {
        QMutex mutex;
        QList<ApiResult> results;
        bool onMainThread = false;
        std::atomic<int> count{0};
    };
    std::shared_ptr<State> m_state = std::make_shared<State>();
};

// `image` as JPEG bytes of `quality`, encoded independently of the kit.
inline QByteArray jpeg(const QImage& image, int quality) {
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    QImageWriter writer(&buffer, "jpeg");
    writer.setQuality(quality);
    writer.write(image);
    return bytes;
}

// Replaces the random upload file names ("image<u32>.jpg") by "imageN.jpg" and returns the
// numbers found, so bodies can be compared byte for byte.
inline QByteArray normaliseFileNames(const QByteArray& body, QList<quint64>* numbers) {
    static const QRegularExpression pattern(QStringLiteral("filename=\"image([0-9]+)\\.jpg\""));
    QByteArray result;
    qsizetype from = 0;
    // Work on Latin-1 so offsets match bytes, whatever the binary parts hold.
    const QString text = QString::fromLatin1(body);
    for (auto it = pattern.globalMatch(text); it.hasNext();) {
        const QRegularExpressionMatch match = it.next();
        numbers->append(match.captured(1).toULongLong());
        result += body.mid(from, match.capturedStart() - from) + "filename=\"imageN.jpg\"";
        from = match.capturedEnd();
    }
    return result + body.mid(from);
}

inline QImage testImage(QColor color, int width = 40, int height = 30) {
    QImage image(width, height, QImage::Format_RGB32);
    image.fill(color);
    return image;
}

} // namespace orvane::test
