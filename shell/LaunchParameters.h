//===- shell/LaunchParameters.h - The shell's command line -*- C++ -*-===//
//
// The master starts the shell with its work on the command line:
//
//   qimshell -FLAGS=0 -DEBUGGER_PID=4711 -KEY=1234567 [-LD_LIBRARY_PATH=...] [-NLSPATH=...]
//            -- /path/of/debuggee arguments...
//
// Keywords are matched whole and case-sensitively; an argument that is none of them is
// traced and ignored; everything after "--" belongs to the debuggee. The values land in
// the process-wide launch parameters below, which the parent and the child of the launch
// read after the fork. A rejected command line is reported only in the trace.
//
//===----------------------------------------------------------------------------===//
#ifndef QIM_SHELL_LAUNCHPARAMETERS_H
#define QIM_SHELL_LAUNCHPARAMETERS_H

#include "utilities/strings/ByteString.h"
#include "utilities/strings/CharString.h"

#include <sys/types.h>
#include <vector>

/// The shell's own process id, taken before the fork: the child signals this process.
extern pid_t shell_pid;
/// The key of the master's message queue (-KEY).
extern key_t msg_key;
/// Launch options (-FLAGS); the shell reads only the bit of value 8.
extern int debug_flags;
/// The master's process id (-DEBUGGER_PID); the parent stays alive while it exists.
extern pid_t master_pid;
/// "LD_LIBRARY_PATH=<value>" for the debuggee, in the argument's own bytes; empty when
/// -LD_LIBRARY_PATH was not given.
extern ByteString library_path_env;
/// "NLSPATH=<value>" likewise for -NLSPATH.
extern ByteString nls_path_env;

/// The bit of debug_flags that makes the shell wait for enter before it forks.
constexpr int waitForEnterFlag = 8;

/// What the parameter loop found besides the values themselves.
struct ParameterScan {
    bool flagsGiven = false; ///< a valid -FLAGS was read
    bool keyGiven = false;   ///< a valid -KEY was read
    bool pidGiven = false;   ///< a valid -DEBUGGER_PID was read
    /// The index in argv of the debuggee's path, the argument after "--"; all ones: none.
    unsigned int debuggee_index = ~0u;
};

/// Nonzero when `parm` is `keyword`: the first `minLength` characters or more of it, all
/// of `parm` (an abbreviation), or the keyword followed by one of `separators` and a value,
/// in which case `parm` becomes the value. `exact` zero compares ASCII letters regardless
/// of case; a null `separators` accepts no value.
int checkParameter(CharString& parm, const CharString& keyword, unsigned int minLength, int exact,
                   const wchar_t* separators);
/// The same with the keyword given as wide text.
int checkParameter(CharString& parm, const wchar_t* keyword, unsigned int minLength, int exact,
                   const wchar_t* separators);

/// Every keyword of the command line, in the order in which readParameters tests an
/// argument against them: the five that take a value after "=", then "--".
const std::vector<const CharString*>& parameterKeywords();

/// Reads argv[1..argc-1] into the launch parameters up to "--".
ParameterScan readParameters(int argc, char** argv);
/// True when flags, a debuggee, a master pid and a key were all given; otherwise traces
/// the first that is missing and returns false.
bool parametersComplete(const ParameterScan& scan, int argc);

#endif
