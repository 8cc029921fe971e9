//===- shell/ShellTrace.h - The launcher shell's trace entry -*- C++ -*-===//
//
// The shell writes its diagnostics as records of its own trace type, VEK, so that a person
// can switch the launcher's trace on without the rest of the library's:
//
//   QIM_DBG_TRACE=stderr,vek qimshell ...
//
// Like every trace entry point it creates the trace facility on first use, formats
// nothing while its type is off, and never changes errno.
//
//===----------------------------------------------------------------------------===//
#ifndef QIM_SHELL_SHELLTRACE_H
#define QIM_SHELL_SHELLTRACE_H

/// The place that the shell program's own records name: its source file.
constexpr char shellProgramPlace[] = "UNIX_ShellPgm";

/// Writes a VEK record: `where` is the source name or the calling member's signature,
/// `line` its source line, then printf-style text.
void traceVEK(const char* where, unsigned int line, const char* format, ...)
    __attribute__((format(printf, 3, 4)));

#endif
