//===- utilities/diagnostics/BuildDate.h - When the library was built -*- C++ -*-===//
//
// The date and time at which the library was built, in UTC, as "2026-12-06 10:56:09 UTC".
// The build writes it whenever a source of the library has changed; a build run with
// SOURCE_DATE_EPOCH set takes that time instead, so that it can be reproduced bit for bit.
// The trace header prints it.
//
//===----------------------------------------------------------------------------===//
#ifndef QIM_UTILITIES_DIAGNOSTICS_BUILDDATE_H
#define QIM_UTILITIES_DIAGNOSTICS_BUILDDATE_H

extern const char BUILD_DATE[];

#endif
