#pragma once

#include <functional>
#include <memory>
#include <utility>

#if defined(__SANITIZE_THREAD__)
#define ORVANE_TSAN 1
#elif defined(__has_feature)
#if __has_feature(thread_sanitizer)
#define ORVANE_TSAN 1
#endif
#endif

#ifdef ORVANE_TSAN
extern "C" void __tsan_acquire(void* address);
extern "C" void __tsan_release(void* address);
#endif

namespace orvane::detail {

// Wraps a block that another thread will run after a trip through a Qt queue (thread pool, posted
// event). Qt's queues synchronise with futexes that ThreadSanitizer cannot see in a Qt built
// without it, so under ThreadSanitizer the block is moved to the heap and its hand-over is
// announced explicitly; otherwise the block is returned as it is.
template <typename F>
std::function<void()> handOff(F block) {
#ifdef ORVANE_TSAN
    auto* moved = new F(std::move(block));
    __tsan_release(moved);
    return [moved] {
        __tsan_acquire(moved);
        std::unique_ptr<F> owned(moved);
        (*owned)();
    };
#else
    return block;
#endif
}

} // namespace orvane::detail
