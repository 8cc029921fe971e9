//===- utilities/diagnostics/TraceWorker.h - Trace configuration and output -*- C++ -*-===//
//
// The trace object that does the work behind TraceImplementation. It reads the TRACE
// setting (QIM_DBG_TRACE) once, in the form
//
//   destination[,type[,type...]]
//
// where the destination is "stdout", "stderr", a file path, or a directory that receives
// one "<pid>.trc" file per process, and the types (case-insensitive) are those to include;
// a leading "~" lists types to exclude instead. It opens the destination only when the
// first record arrives, writes a header there, and after a fork either reopens it for the
// child or closes it. A per-process file is never written through a symbolic link, a second
// hard link or anything but a regular file found at its name: such a process traces nothing.
//
//===----------------------------------------------------------------------------===//
#ifndef QIM_UTILITIES_DIAGNOSTICS_TRACEWORKER_H
#define QIM_UTILITIES_DIAGNOSTICS_TRACEWORKER_H

#include "utilities/diagnostics/TraceImplementation.h"
#include "utilities/strings/CharString.h"
#include "utilities/strings/EncodedString.h"
#include "utilities/sync/ElapsedTime.h"

#include <cstdio>

class TraceWorker : public TraceImplementation {
public:
    /// The life of the output: records are ignored in every state but Pending (which opens
    /// the destination first) and Open.
    enum State { Idle = 0, Pending = 1, Failed = 2, Open = 4 };

    /// Configures the worker from the TRACE setting of the process's settings table.
    TraceWorker();
    /// Configures the worker from `settingText` as if it were the TRACE setting; lets a
    /// program (or a test) run a trace of its own choosing.
    explicit TraceWorker(const EncodedString& settingText);
    ~TraceWorker();
    TraceWorker(const TraceWorker&) = delete;
    TraceWorker& operator=(const TraceWorker&) = delete;

    /// The worker this module created itself; null until instance() needs one.
    static TraceWorker*& _localTrace();

    /// Idle becomes Pending: the next record opens the destination.
    void arm() {
        if (_state == Idle)
            _state = Pending;
    }
    /// Opens the destination and writes the header, if the state is Pending.
    void open();
    /// Writes the closing line and closes the stream, if one is open.
    void close();
    /// After fork(), in the child: reopens a destination that allows it, else closes.
    void processForked();
    /// Writes one record: the time stamp, the thread, "**type: " unless `type` is null, the
    /// place unless `where` is null, then the formatted text and a newline. Keeps errno.
    void trace(const char* where, unsigned int line, const char* type, const char* format,
               va_list arguments);
    /// Writes a record without a type from the worker itself (the header, the closing line).
    void itrace(const char* format, ...) __attribute__((format(printf, 2, 3)));

    /// Adds a copy of `name` to the sorted set `list` of `count` names, unless it is there
    /// already. Returns the list, which may have moved; when memory runs out, the list is
    /// returned unchanged.
    static char** newTrace(char** list, unsigned int& count, const char* name);
    bool isIncluded(const char* name) const;
    bool isExcluded(const char* name) const;
    /// Whether records of the type `name` are written (null: any record with a destination).
    bool isTraceBitSet(const char* name) const;

    const char* const* includedTypes() const { return _includedTypes; }
    unsigned int includedCount() const { return _includedCount; }
    const char* const* excludedTypes() const { return _excludedTypes; }
    unsigned int excludedCount() const { return _excludedCount; }
    const EncodedString& settingText() const { return _settingText; }
    const CharString& destination() const { return _destination; }
    State state() const { return _state; }
    bool reopenAfterFork() const { return _reopenAfterFork; }
    FILE* stream() const { return _stream; }

private:
    void configure();
    void takeDestination(CharString& text);
    void takeTypes(CharString& text);
    void completeTypeLists();
    FILE* openStream();
    void writeHeader(const char* startTime);
    /// Writes one composed record and flushes it, so that it survives a crash that follows.
    void write(const char* record);
    void writeTypeList(const char* title, char* const* list, unsigned int count,
                       const char* omitted);

    char** _excludedTypes = nullptr;
    unsigned int _excludedCount = 0;
    char** _includedTypes = nullptr;
    unsigned int _includedCount = 0;
    EncodedString _settingText;
    CharString _destination;
    State _state = Idle;
    bool _reopenAfterFork = false;
    FILE* _stream = nullptr;
    ElapsedTime _clock;
};

#endif
