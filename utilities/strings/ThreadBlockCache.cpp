//===- utilities/strings/ThreadBlockCache.cpp - A thread's own free blocks -===//
//
// The cache's end-of-thread hook is a pthread key destructor. Those run after the thread's
// C++ thread-local destructors, so strings those destroy still reach the cache and go back
// with it; anything freed after the hook goes to the shared lists directly.
//
//===----------------------------------------------------------------------------===//
#include "utilities/strings/ThreadBlockCache.h"

#include "utilities/strings/StringPoolManager.h"

#include <pthread.h>

namespace {

pthread_key_t threadEndKey;
pthread_once_t threadEndKeyOnce = PTHREAD_ONCE_INIT;
bool threadEndKeyMade = false;

} // namespace

ThreadBlockCache* ThreadBlockCache::activate(StringPoolManager& owner) {
    if (_state == State::Ended)
        return nullptr;
    pthread_once(&threadEndKeyOnce, [] {
        threadEndKeyMade = pthread_key_create(&threadEndKey, &giveBackAtThreadEnd) == 0;
    });
    // Without the hook the cache's blocks would be lost when the thread ends: do without it.
    if (!threadEndKeyMade || pthread_setspecific(threadEndKey, this) != 0)
        return nullptr;
    _owner = &owner;
    _state = State::Active;
    return this;
}

void ThreadBlockCache::giveBackAtThreadEnd(void* cache) {
    ThreadBlockCache& ending = *static_cast<ThreadBlockCache*>(cache);
    ending._state = State::Ended;
    ending._owner->takeBack(ending);
}
