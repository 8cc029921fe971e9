//===- utilities/diagnostics/StdException.h - The general error -*- C++ -*-===//
//
// The exception a layer throws when it cannot go on: a text or a status number, and the
// place (a source path or the throwing function's signature) and line of the error. Its
// creation is announced in the trace under the type EXCPTN, so a trace shows every error
// raised even when a catch-all handler swallows it. Thrown and caught by value; a copy owns
// its strings and outlives whatever the thrower's strings were.
//
//===----------------------------------------------------------------------------===//
#ifndef QIM_UTILITIES_DIAGNOSTICS_STDEXCEPTION_H
#define QIM_UTILITIES_DIAGNOSTICS_STDEXCEPTION_H

#include "utilities/strings/EncodedString.h"

class StdException {
public:
    /// An error known by a status number; the text is empty.
    StdException(const char* where, unsigned int line, int status);
    /// An error described by a UTF-8 text; the status is -1.
    StdException(const char* where, unsigned int line, const char* text);
    StdException(const StdException& other) = default;
    StdException& operator=(const StdException& other) = default;
    ~StdException() = default;

    const EncodedString& text() const { return _text; }
    const EncodedString& where() const { return _where; }
    unsigned int line() const { return _line; }
    int status() const { return _status; }

private:
    EncodedString _text;
    EncodedString _where;
    unsigned int _line;
    int _status;
};

#endif
