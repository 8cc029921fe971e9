//===- utilities/settings/EnvironmentNames.h - Fixed name forms -----*- C++ -*-===//
//
// The fixed forms of the system's names: the prefix of every environment variable it
// reads ("QIM_DBG_", so the trace setting is QIM_DBG_TRACE), names built from the short
// name "qim", a base and the digit 1 (catalog names such as "qimpex1"), and the directory
// part of a path.
//
//===----------------------------------------------------------------------------===//
#ifndef QIM_UTILITIES_SETTINGS_ENVIRONMENTNAMES_H
#define QIM_UTILITIES_SETTINGS_ENVIRONMENTNAMES_H

#include "utilities/strings/EncodedString.h"

/// "QIM_DBG_": the prefix of every environment variable the system reads. Always the same
/// object.
const EncodedString& getEnvnamePrefix();

/// Sets `result` to "qim" + `base` + "1" and returns it: "msg" gives "qimmsg1".
EncodedString& fabricateName(EncodedString& result, const EncodedString& base);
EncodedString& fabricateName(EncodedString& result, const wchar_t* base);

/// The directory part of `path` with its final "/", trailing slashes of `path` skipped:
/// "/a/b/" gives "/a/", a path of slashes only gives "/", a plain name gives "".
EncodedString stripPath(const EncodedString& path);

#endif
