//===- utilities/diagnostics/TraceRecord.h - Composing one trace line -*- C++ -*-===//
//
// The layout of one trace record, kept apart from the worker that writes it so that it
// can be checked (and fed arbitrary input) on its own:
//
//   <seconds>.<micros> (<thread>): **<type>: <place>(<line>): <text>\n
//
// The type part is left out for a null type, the place part for a null place, and the
// line for line 0 (the colon and blank stay). A place that is a function signature is cut
// before its first parenthesis, so "void A::f(int)" with line 7 reads "void A::f(7): ".
//
//===----------------------------------------------------------------------------===//
#ifndef QIM_UTILITIES_DIAGNOSTICS_TRACERECORD_H
#define QIM_UTILITIES_DIAGNOSTICS_TRACERECORD_H

#include <cstdarg>
#include <cstddef>

/// Composes a record into `buffer` of `size` bytes (at least 2) and returns its length. A
/// record that does not fit is cut at the end of the buffer and still ends with its
/// newline and a terminating zero; `*cut` (when given) tells whether that happened.
std::size_t composeTraceRecord(char* buffer, std::size_t size, const char* stamp, long thread,
                               const char* type, const char* where, unsigned int line,
                               const char* format, va_list arguments, bool* cut = nullptr);

#endif
