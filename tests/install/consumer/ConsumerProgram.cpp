//===- tests/install/consumer/ConsumerProgram.cpp - A program of the library's users -===//
//
// Uses the installed library as an engine component would: strings in UTF-8 and UTF-32,
// a trace record, and a numbered message with inserts. It checks each result itself and
// prints what a reader of its output must see; it also checks that it runs with the form
// of the library (shared or static) that it was linked against.
//
//===----------------------------------------------------------------------------===//
#include "utilities/diagnostics/TraceEntry.h"
#include "utilities/diagnostics/TraceImplementation.h"
#include "utilities/messages/ZOR_Message.h"
#include "utilities/settings/DebuggerSettings.h"
#include "utilities/strings/CharString.h"
#include "utilities/strings/EncodedString.h"
#include "utilities/strings/StringPoolManager.h"
#include "utilities/strings/ThreadBlockCache.h"

#ifdef CONSUMER_HAS_COMPONENT
#include "EngineComponent.h"
#endif

#include <cstdio>
#include <cstring>
#include <link.h>

namespace {

int failures = 0;

void check(bool good, const char* what) {
    if (!good) {
        std::printf("consumer (%s): %s\n", CONSUMER_FORM, what);
        ++failures;
    }
}

/// True when the shared library's soname is among the objects loaded into the process.
bool sharedLibraryLoaded() {
    return dl_iterate_phdr(
               [](dl_phdr_info* info, size_t, void*) {
                   return std::strstr(info->dlpi_name, "/libqimutil.so.1") ? 1 : 0;
               },
               nullptr) != 0;
}

/// "Grüße" through both string forms: five characters in seven bytes; ASCII letters only
/// change case.
EncodedString shoutedGreeting() {
    const EncodedString greeting("Gr\xC3\xBC\xC3\x9F"
                                 "e",
                                 EncodedString::UTF8);
    CharString characters;
    characters.loadFrom(greeting.buffer(), EncodedString::UTF8);
    check(greeting.length() == 7, "the UTF-8 greeting is not 7 bytes long");
    check(characters.length() == 5, "the greeting is not 5 characters long");
    const EncodedString shouted = characters.upper().encoded();
    check(std::strcmp(shouted.buffer(), "GR\xC3\xBC\xC3\x9F"
                                        "E") == 0,
          "upper() changed more than the ASCII letters");
    return shouted;
}

/// Message 274 with its two inserts, as the launcher shell reports a failed exec.
EncodedString execFailure() {
    const EncodedString program("/no/such/program", EncodedString::UTF8);
    const EncodedString error = EncodedString::number(2);
    ZOR_Message message(274);
    message.set_inserts(&program, &error, nullptr);
    return message.text();
}

} // namespace

int main() {
    TraceImplementation::start(nullptr);
    const EncodedString shouted = shoutedGreeting();
    // QIM_DBG_TRACE=stdout sends this record to standard output, ahead of the message.
    traceError(__FILE__, __LINE__, "consumer (%s) traced %s", CONSUMER_FORM, shouted.buffer());
    std::fflush(stdout);
    std::printf("%s\n", execFailure().buffer());

    const bool shared = std::strcmp(CONSUMER_FORM, "static") != 0;
    check(sharedLibraryLoaded() == shared,
          shared ? "libqimutil.so.1 is not loaded" : "libqimutil.so.1 is loaded");
#ifdef CONSUMER_HAS_COMPONENT
    const ComponentView component = engineComponentView();
    check(component.settings == DebuggerSettings::instance(),
          "the component has a settings table of its own");
    check(component.pools == &StringPoolManager::instance(),
          "the component has a pool manager of its own");
    check(component.trace == TraceImplementation::instance(),
          "the component has a trace of its own");
    check(component.threadCache == ThreadBlockCache::ofCallingThread(StringPoolManager::instance()),
          "the component has a block cache of its own");
    check(engine_component_self_check() == 0, "the component's strings went wrong");
#endif
    if (failures == 0)
        std::printf("consumer (%s): all checks passed\n", CONSUMER_FORM);
    return failures == 0 ? 0 : 1;
}
