//===- tests/install/consumer/EngineComponent.cpp - A component in its own library -===//
//
// Reaches the utility library's process-wide objects from inside a shared library, and
// uses its strings there on two threads, each with its own cache of free blocks.
//
//===----------------------------------------------------------------------------===//
#include "EngineComponent.h"

#include "utilities/diagnostics/TraceImplementation.h"
#include "utilities/settings/DebuggerSettings.h"
#include "utilities/strings/CharString.h"
#include "utilities/strings/StringPoolManager.h"
#include "utilities/strings/ThreadBlockCache.h"

#include <thread>

namespace {

/// "component" in UTF-32 and back, on the calling thread, served by its block cache.
bool roundTripServedByThreadCache() {
    CharString text(L"component");
    const bool roundTrip = text.encoded() == EncodedString("component", EncodedString::UTF8);
    return roundTrip && ThreadBlockCache::servingCallingThread() != nullptr;
}

} // namespace

ComponentView engineComponentView() {
    return {DebuggerSettings::instance(), &StringPoolManager::instance(),
            TraceImplementation::instance(),
            ThreadBlockCache::ofCallingThread(StringPoolManager::instance())};
}

int engine_component_self_check() {
    bool otherThreadGood = false;
    std::thread other([&] { otherThreadGood = roundTripServedByThreadCache(); });
    other.join();
    return roundTripServedByThreadCache() && otherThreadGood ? 0 : 1;
}
