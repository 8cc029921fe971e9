//===- utilities/strings/ThreadBlockCache.h - A thread's own free blocks -*- C++ -*-===//
//
// The process-wide StringPoolManager keeps its free lists under one lock, and once a
// process has a second thread, entering and leaving that lock costs more than the list
// operation itself. Each thread therefore keeps a few free blocks of every size class in a
// cache of its own, which it pops and pushes without any lock. The cache is refilled from
// the shared lists, and gives its surplus back to them, in batches under one lock; when the
// thread ends, every block in its cache goes back to the shared lists.
//
// The cache is plain thread-local memory, valid for the whole life of its thread, so a
// string destroyed late in a thread's end (by another thread-local object, say) is still
// served: once the cache has given its blocks back, the thread goes straight to the
// shared lists.
//
//   if (ThreadBlockCache* cache = ThreadBlockCache::ofCallingThread(manager))
//       block = cache->blocks(sizeClass).pop();
//
//===----------------------------------------------------------------------------===//
#ifndef QIM_UTILITIES_STRINGS_THREADBLOCKCACHE_H
#define QIM_UTILITIES_STRINGS_THREADBLOCKCACHE_H

#include "utilities/strings/FreeBlockList.h"

class StringPoolManager;

class ThreadBlockCache {
public:
    /// One list per size class of the manager.
    static constexpr unsigned int classCount = 6;

    constexpr ThreadBlockCache() = default;
    ThreadBlockCache(const ThreadBlockCache&) = delete;
    ThreadBlockCache& operator=(const ThreadBlockCache&) = delete;

    /// The calling thread's cache in front of `owner`, set up on the thread's first call;
    /// null once the thread is ending and its cache has gone back to `owner`.
    static ThreadBlockCache* ofCallingThread(StringPoolManager& owner);
    /// The calling thread's cache when it is serving, else null; sets nothing up.
    static ThreadBlockCache* servingCallingThread();

    /// The cached free blocks of one size class.
    FreeBlockList& blocks(unsigned int sizeClass) { return _lists[sizeClass]; }
    const FreeBlockList& blocks(unsigned int sizeClass) const { return _lists[sizeClass]; }

private:
    enum class State : unsigned char {
        Unused, ///< the thread has not asked for a block yet
        Active, ///< serving the thread; given back when the thread ends
        Ended   ///< given back: the thread uses the shared lists directly
    };

    static ThreadBlockCache& callingThreads();
    ThreadBlockCache* activate(StringPoolManager& owner);
    static void giveBackAtThreadEnd(void* cache);

    FreeBlockList _lists[classCount];
    StringPoolManager* _owner = nullptr;
    State _state = State::Unused;
};

inline ThreadBlockCache& ThreadBlockCache::callingThreads() {
    // Constant-initialised and trivially destructible: reaching it costs no guard and no
    // call, and its memory lives as long as the thread. In the shared library the default
    // model would reach it through a call to __tls_get_addr on every block taken or given
    // back, which doubles the cost of a short string's copy; the initial-exec model reaches
    // it at a fixed offset from the thread pointer. The price is a little of the static TLS
    // space that glibc keeps for libraries loaded later with dlopen.
    static thread_local ThreadBlockCache cache __attribute__((tls_model("initial-exec")));
    return cache;
}

inline ThreadBlockCache* ThreadBlockCache::ofCallingThread(StringPoolManager& owner) {
    ThreadBlockCache& cache = callingThreads();
    if (cache._state == State::Active)
        return &cache;
    return cache.activate(owner);
}

inline ThreadBlockCache* ThreadBlockCache::servingCallingThread() {
    ThreadBlockCache& cache = callingThreads();
    return cache._state == State::Active ? &cache : nullptr;
}

#endif
