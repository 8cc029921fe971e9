//===- utilities/diagnostics/TraceWorker.cpp - Trace configuration and output ---===//
//
// Reading the TRACE setting into the two sorted type lists, opening the destination with
// its header, closing it, reopening it in a forked child, and writing records.
//
//===----------------------------------------------------------------------------===//
#include "utilities/diagnostics/TraceWorker.h"

#include "utilities/diagnostics/BuildDate.h"
#include "utilities/diagnostics/ErrnoKeeper.h"
#include "utilities/diagnostics/TraceRecord.h"
#include "utilities/settings/DebuggerSettings.h"

#include <cstdlib>
#include <cstring>
#include <ctime>
#include <fcntl.h>
#include <memory>
#include <pthread.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

/// Every type the facility knows, in the order the configuration visits them.
const char* const knownTypes[] = {"ALL",   "CONNECTION", "ZOR",  "VEK", "ENTRY", "WOLQ",
                                  "ERROR", "EXCPTN",     "EXPR", "MUF", "PYX",   "WARNING"};

/// The types included whenever the user names types explicitly.
const char* const alwaysIncludedTypes[] = {"ERROR", "WARNING"};

/// The TRACE setting's position in the settings table.
constexpr unsigned int traceSettingPosition = 5;

/// The longest record: a longer one is cut to this size.
constexpr std::size_t recordBufferSize = 128000;
/// Most records fit a buffer on the stack of this size; only a longer one takes a buffer
/// of recordBufferSize from the heap.
constexpr std::size_t shortRecordSize = 1024;

/// The place and line that every record of the worker itself carries.
const char* const internalRecordPlace = "void TraceWorker::itrace(const char*, ...)";
constexpr unsigned int internalRecordLine = 340;

int compareNames(const void* a, const void* b) {
    return std::strcmp(*static_cast<const char* const*>(a), *static_cast<const char* const*>(b));
}

bool contains(char* const* list, unsigned int count, const char* name) {
    return list && std::bsearch(&name, list, count, sizeof(char*), compareNames);
}

void freeList(char** list, unsigned int count) {
    for (unsigned int i = 0; i < count; ++i)
        std::free(list[i]);
    std::free(list);
}

/// ctime's text of the current time, newline included.
struct TimeText {
    char text[32];
    TimeText() {
        const std::time_t now = std::time(nullptr);
        if (!ctime_r(&now, text))
            std::strcpy(text, "?\n");
    }
};

/// Opens the per-process trace file `path` for writing: created with mode 0666 less the
/// umask, as fopen creates it, or emptied. Its name is predictable and its directory may be
/// one that others can write (/tmp), so whatever somebody may have put at that name in
/// advance is refused instead of written through: a symbolic link (O_NOFOLLOW), a file with
/// a second hard link, whose content the emptying would destroy under its other name, and
/// anything but a regular file (a FIFO without a reader would block the open, hence
/// O_NONBLOCK until the file has passed). The file is emptied only after these checks. Its
/// descriptor stays open across exec, as fopen leaves it. Null when the file is refused or
/// cannot be opened.
std::FILE* openPerProcessFile(const char* path) {
    const int fd = ::open(path, O_WRONLY | O_CREAT | O_NOFOLLOW | O_NONBLOCK | O_NOCTTY, 0666);
    if (fd < 0)
        return nullptr;
    struct stat status;
    const bool ownPlainFile =
        fstat(fd, &status) == 0 && S_ISREG(status.st_mode) && status.st_nlink == 1;
    const int flags = fcntl(fd, F_GETFL);
    std::FILE* stream = nullptr;
    if (ownPlainFile && flags != -1 && ftruncate(fd, 0) == 0 &&
        fcntl(fd, F_SETFL, flags & ~O_NONBLOCK) == 0)
        stream = fdopen(fd, "w");
    if (!stream)
        ::close(fd);
    return stream;
}

} // namespace

TraceWorker::TraceWorker() {
    _settingText = DebuggerSettings::instance()->setting(traceSettingPosition).value;
    configure();
}

TraceWorker::TraceWorker(const EncodedString& settingText) : _settingText(settingText) {
    configure();
}

TraceWorker::~TraceWorker() {
    close();
    freeList(_excludedTypes, _excludedCount);
    freeList(_includedTypes, _includedCount);
}

TraceWorker*& TraceWorker::_localTrace() {
    static TraceWorker* worker = nullptr;
    return worker;
}

// --- Configuration -------------------------------------------------------------------

void TraceWorker::configure() {
    CharString text;
    text.loadFrom(_settingText.buffer(), EncodedString::UTF8);
    text.stripLeading(L' ').stripTrailing(L' ');
    if (text.length() == 0)
        return; // no trace at all: every flag stays 0
    takeDestination(text);
    takeTypes(text);
    completeTypeLists();
    flags.set(*this);
}

void TraceWorker::takeDestination(CharString& text) {
    if (text[1] == L',') {
        _destination = L"stderr";
        return;
    }
    _destination = text.firstToken(L",");
    _destination.stripLeading(L' ').stripTrailing(L' ');
}

void TraceWorker::takeTypes(CharString& text) {
    bool fillingExcluded = false;
    while (text.length() != 0) {
        CharString token = text.firstToken(L",");
        token.stripLeading(L' ').stripTrailing(L' ').upper();
        if (token.length() == 0)
            continue;
        char**& list = fillingExcluded ? _excludedTypes : _includedTypes;
        unsigned int& count = fillingExcluded ? _excludedCount : _includedCount;
        if (token.length() == 1 && token[1] == L'~') {
            // "~" switches to the exclusion list only before anything was listed.
            fillingExcluded = fillingExcluded || count == 0;
            continue;
        }
        list = newTrace(list, count, token.encoded().buffer());
    }
}

void TraceWorker::completeTypeLists() {
    if (_includedCount == 0) {
        for (const char* type : knownTypes)
            if (!isExcluded(type))
                _includedTypes = newTrace(_includedTypes, _includedCount, type);
        return;
    }
    for (const char* type : alwaysIncludedTypes)
        if (!isExcluded(type))
            _includedTypes = newTrace(_includedTypes, _includedCount, type);
    for (const char* type : knownTypes)
        if (!isIncluded(type))
            _excludedTypes = newTrace(_excludedTypes, _excludedCount, type);
}

char** TraceWorker::newTrace(char** list, unsigned int& count, const char* name) {
    if (contains(list, count, name))
        return list;
    char* copy = strdup(name);
    if (!copy)
        return list;
    char** grown = static_cast<char**>(std::realloc(list, (count + 1) * sizeof(char*)));
    if (!grown) {
        std::free(copy);
        return list;
    }
    grown[count++] = copy;
    std::qsort(grown, count, sizeof(char*), compareNames);
    return grown;
}

bool TraceWorker::isIncluded(const char* name) const {
    return contains(_includedTypes, _includedCount, name);
}

bool TraceWorker::isExcluded(const char* name) const {
    return contains(_excludedTypes, _excludedCount, name);
}

bool TraceWorker::isTraceBitSet(const char* name) const {
    if (_destination.length() == 0)
        return false;
    if (!name)
        return true;
    if (isExcluded(name))
        return false;
    if (!_includedTypes)
        return true;
    return isIncluded(name) || isIncluded("ALL");
}

// --- Opening and closing -------------------------------------------------------------

void TraceWorker::open() {
    if (_state != Pending)
        return;
    // Until the stream is ready no flag test passes and every record is ignored.
    flags.clear();
    _state = Failed;
    if (_destination.length() == 0)
        return;
    const TimeText startTime;
    _stream = openStream();
    if (!_stream) {
        _reopenAfterFork = false;
        return;
    }
    _state = Open;
    flags.set(*this);
    writeHeader(startTime.text);
}

FILE* TraceWorker::openStream() {
    if (_destination == CharString(L"stdout")) {
        _reopenAfterFork = true;
        return stdout;
    }
    if (_destination == CharString(L"stderr")) {
        _reopenAfterFork = true;
        return stderr;
    }
    EncodedString path(_destination);
    struct stat status;
    if (stat(path.buffer(), &status) == 0 && S_ISDIR(status.st_mode)) {
        // A directory gets one file per process, so that forked children trace apart.
        path += EncodedString("/", EncodedString::UTF8) + EncodedString::number(int(getpid())) +
                EncodedString(".trc", EncodedString::UTF8);
        _reopenAfterFork = true;
        return openPerProcessFile(path.buffer());
    }
    // A file the user named is opened as named, through a link if it is one (/dev/stderr).
    return std::fopen(path.buffer(), "w");
}

void TraceWorker::writeHeader(const char* startTime) {
    itrace("Trace start at %s", startTime);
    // "ALL" is implied by an inclusion list; among the exclusions it is news.
    writeTypeList("Included trace types:", _includedTypes, _includedCount, "ALL");
    writeTypeList("Excluded trace types:", _excludedTypes, _excludedCount, nullptr);
    itrace("Build Date: %s\n", BUILD_DATE);
    itrace("Environment settings:\n%s", DebuggerSettings::instance()->dump().buffer());
}

void TraceWorker::writeTypeList(const char* title, char* const* list, unsigned int count,
                                const char* omitted) {
    itrace("%s", title);
    unsigned int listed = 0;
    for (unsigned int i = 0; i < count; ++i) {
        if (omitted && std::strcmp(list[i], omitted) == 0)
            continue;
        itrace("   %s", list[i]);
        ++listed;
    }
    if (listed == 0)
        itrace("   None");
}

void TraceWorker::close() {
    flags.clear();
    if (!_stream)
        return;
    const TimeText endTime;
    itrace("Trace end at %s", endTime.text);
    if (_stream != stdout && _stream != stderr)
        std::fclose(_stream);
    _state = Idle;
    _stream = nullptr;
}

void TraceWorker::processForked() {
    if (_reopenAfterFork && _stream) {
        close(); // the closing line goes to the stream shared with the parent
        _state = Pending;
        open();
        return;
    }
    close();
}

// --- Records -------------------------------------------------------------------------

void TraceWorker::trace(const char* where, unsigned int line, const char* type, const char* format,
                        va_list arguments) {
    if (_state == Idle)
        return;
    const ErrnoKeeper keepErrno;
    if (_state == Pending)
        open();
    if (_state == Failed)
        return;
    // Rendered on this thread's stack: records of several threads share the clock.
    char stamp[ElapsedTime::textSize];
    _clock.elapsedTimeInto(stamp);
    const long thread = static_cast<long>(pthread_self());
    char shortRecord[shortRecordSize];
    bool cut = false;
    va_list again;
    va_copy(again, arguments);
    composeTraceRecord(shortRecord, sizeof shortRecord, stamp, thread, type, where, line, format,
                       arguments, &cut);
    if (!cut) {
        write(shortRecord);
    } else {
        std::unique_ptr<char[]> record(new (std::nothrow) char[recordBufferSize]);
        if (record) {
            composeTraceRecord(record.get(), recordBufferSize, stamp, thread, type, where, line,
                               format, again);
            write(record.get());
        }
    }
    va_end(again);
}

void TraceWorker::write(const char* record) {
    // One lock round for both steps: records of other threads go before or after, whole.
    // Like fputs, the record ends at its first zero byte.
    flockfile(_stream);
    fputs_unlocked(record, _stream);
    fflush_unlocked(_stream);
    funlockfile(_stream);
}

void TraceWorker::itrace(const char* format, ...) {
    if (_state != Pending && _state != Open)
        return;
    va_list arguments;
    va_start(arguments, format);
    trace(internalRecordPlace, internalRecordLine, nullptr, format, arguments);
    va_end(arguments);
}
