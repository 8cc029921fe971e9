//===- utilities/diagnostics/StdException.cpp - The general error ---------===//
#include "utilities/diagnostics/StdException.h"

#include "utilities/diagnostics/TraceEntry.h"

StdException::StdException(const char* where, unsigned int line, int status)
    : _where(where, EncodedString::UTF8), _line(line), _status(status) {
    traceEXCPTN(where, line, "StdException created;  Status = %d", _status);
}

StdException::StdException(const char* where, unsigned int line, const char* text)
    : _text(text, EncodedString::UTF8), _where(where, EncodedString::UTF8), _line(line),
      _status(-1) {
    traceEXCPTN(where, line, "StdException created;  Text = %s", _text.buffer());
}
