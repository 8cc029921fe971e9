//===- tools/qimmaster/ExecReport.h - What a new image starts with -*- C++ -*-===//
//
// At the exec stop the debuggee's new image is loaded but has not run an instruction.
// /proc tells what it is: its path, its entry address (AT_ENTRY of the auxiliary vector
// the kernel handed it) and the environment it found. With --stop-at-entry qimmaster
// reports them on standard error:
//
//   qimmaster: process 1235 stopped at the entry of its new image
//   qimmaster:   image /usr/bin/echo
//   qimmaster:   entry 0x5581c3a4f2a0
//   qimmaster:   environment LD_BIND_NOW=YES
//
//===----------------------------------------------------------------------------===//
#ifndef QIM_TOOLS_QIMMASTER_EXECREPORT_H
#define QIM_TOOLS_QIMMASTER_EXECREPORT_H

#include <cstdint>
#include <cstdio>
#include <optional>
#include <string>
#include <sys/types.h>
#include <vector>

namespace qimmaster {

/// The path of the image `pid` runs; empty when it cannot be read.
std::string imagePath(pid_t pid);
/// The entry address of the image `pid` runs, from its auxiliary vector.
std::optional<std::uintptr_t> entryAddress(pid_t pid);
/// The environment `pid` was started with, one "NAME=value" an entry.
std::vector<std::string> environmentOf(pid_t pid);

/// Writes the report of the exec stop of `pid` to `stream`.
void reportExecStop(pid_t pid, std::FILE* stream);

} // namespace qimmaster

#endif
