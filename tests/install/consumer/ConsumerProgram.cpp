//===- tests/install/consumer/ConsumerProgram.cpp - A program of the library's users -===//
//
// Uses the installed library as an engine component would and prints what it saw, for the
// test to match: a string through UTF-8 and UTF-32 in a trace record, a numbered message
// with inserts, whether the shared library is loaded, and (in the shared form) whether a
// component in a shared library of its own shares the program's process-wide objects.
// Built with CONSUMER_COMPONENT, the file is that component: its check runs strings on two
// threads, also when a host that does not link the library loads it with dlopen.
//
//===----------------------------------------------------------------------------===//
#include "utilities/diagnostics/TraceEntry.h"
#include "utilities/diagnostics/TraceImplementation.h"
#include "utilities/messages/ZOR_Message.h"
#include "utilities/settings/DebuggerSettings.h"
#include "utilities/strings/CharString.h"
#include "utilities/strings/StringPoolManager.h"
#include "utilities/strings/ThreadBlockCache.h"

#include <cstdio>
#include <dlfcn.h>
#include <thread>
#include <vector>

namespace {

/// The library's process-wide objects as this binary reaches them.
[[maybe_unused]] std::vector<const void*> processObjects() {
    StringPoolManager& pools = StringPoolManager::instance();
    return {DebuggerSettings::instance(), &pools, TraceImplementation::instance(),
            ThreadBlockCache::ofCallingThread(pools)};
}

} // namespace

#ifdef CONSUMER_COMPONENT
/// True when a string comes from UTF-32 to UTF-8 on the calling thread and on another, each
/// served by a block cache of its own, and the component's objects are `programObjects`.
extern "C" bool component_check(const std::vector<const void*>* programObjects) {
    const auto roundTrip = [] {
        return CharString(L"component").encoded().length() == 9 &&
               ThreadBlockCache::servingCallingThread() != nullptr;
    };
    bool otherThread = false;
    std::thread([&] { otherThread = roundTrip(); }).join();
    return otherThread && roundTrip() && (!programObjects || *programObjects == processObjects());
}
#else
extern "C" bool component_check(const std::vector<const void*>* programObjects);

int main() {
    TraceImplementation::start(nullptr);
    CharString greeting; // "Grüße": upper() changes its ASCII letters only
    greeting.loadFrom("Gr\303\274\303\237e", EncodedString::UTF8);
    traceError(__FILE__, __LINE__, "consumer (%s) traced %u letters: %s", CONSUMER_FORM,
               greeting.length(), greeting.upper().encoded().buffer());
    std::fflush(stdout); // QIM_DBG_TRACE=stdout: the record comes before the message
    const EncodedString program("/no/such/program", EncodedString::UTF8);
    const EncodedString error = EncodedString::number(2);
    ZOR_Message message(274);
    message.set_inserts(&program, &error, nullptr);
    const bool loaded = dlopen("libqimutil.so.1", RTLD_LAZY | RTLD_NOLOAD) != nullptr;
    std::printf("%s\nlibqimutil.so.1 %s\n", message.text().buffer(),
                loaded ? "loaded" : "not loaded");
#ifdef CONSUMER_HAS_COMPONENT
    const std::vector<const void*> objects = processObjects();
    std::printf("component %s\n", component_check(&objects) ? "shares the objects" : "FAILED");
#endif
}
#endif
