#pragma once

// Qt hands objects between threads with synchronisation that ThreadSanitizer
// cannot see: QThread::wait and QMutex sleep on futexes inside a library that
// was not built with it. These marks tell it about each such hand-over (a
// release by the thread that lets go, an acquire by the one that takes
// over, on the same address). Outside a ThreadSanitizer build they are empty.

#if defined(__has_feature)
#if __has_feature(thread_sanitizer)
#define COEVOLIFE_THREAD_SANITIZER 1
#endif
#endif
#if defined(__SANITIZE_THREAD__)
#define COEVOLIFE_THREAD_SANITIZER 1
#endif

#if defined(COEVOLIFE_THREAD_SANITIZER)
#include <sanitizer/tsan_interface.h>

inline void markHandedOver(const void* object)
{
    __tsan_release(const_cast<void*>(object));
}

inline void markTakenOver(const void* object)
{
    __tsan_acquire(const_cast<void*>(object));
}
#else
inline void markHandedOver(const void*) {}
inline void markTakenOver(const void*) {}
#endif

// Locks a mutex for its lifetime, as std::lock_guard does, and marks the
// hand-over for mutexes whose locking ThreadSanitizer cannot see (QMutex).
template <typename Mutex> class HandOffLocker
{
public:
    explicit HandOffLocker(Mutex& mutex) : mutex(mutex)
    {
        mutex.lock();
        markTakenOver(&mutex);
    }
    ~HandOffLocker()
    {
        markHandedOver(&mutex);
        mutex.unlock();
    }
    HandOffLocker(const HandOffLocker&) = delete;
    HandOffLocker& operator=(const HandOffLocker&) = delete;

private:
    Mutex& mutex;
};
