//===- utilities/diagnostics/ZOR_Exception.h - Errors of shared components -*- C++ -*-===//
//
// The exception that the components shared across the debugger engine throw, such as the
// launcher's message-queue layer: a StdException described by a text, nothing more.
//
//===----------------------------------------------------------------------------===//
#ifndef QIM_UTILITIES_DIAGNOSTICS_ZOR_EXCEPTION_H
#define QIM_UTILITIES_DIAGNOSTICS_ZOR_EXCEPTION_H

#include "utilities/diagnostics/StdException.h"

class ZOR_Exception : public StdException {
public:
    /// An error described by a UTF-8 text; traced like any StdException.
    ZOR_Exception(const char* where, unsigned int line, const char* text)
        : StdException(where, line, text) {}
};

#endif
