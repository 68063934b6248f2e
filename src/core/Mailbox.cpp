#include "core/Mailbox.h"

#include <QCoreApplication>
#include <QThread>

namespace orvane::detail {

Mailbox::Mailbox(QObject* parent)
    : QObject(parent) {}

Mailbox& Mailbox::main() {
    static auto* instance = [] {
        auto* mailbox = new Mailbox();
        if (QCoreApplication* app = QCoreApplication::instance()) {
            mailbox->moveToThread(app->thread());
        }
        return mailbox;
    }();
    return *instance;
}

void Mailbox::post(std::function<void()> block) {
    bool wake = false;
    {
        std::lock_guard lock(m_mutex);
        wake = m_blocks.empty(); // otherwise a drain is already on its way
        m_blocks.push_back(std::move(block));
    }
    if (wake) {
        QMetaObject::invokeMethod(this, "drain", Qt::QueuedConnection);
    }
}

void Mailbox::drain() {
    std::deque<std::function<void()>> blocks;
    {
        std::lock_guard lock(m_mutex);
        blocks.swap(m_blocks);
    }
    for (auto& block : blocks) {
        block();
    }
}

} // namespace orvane::detail
