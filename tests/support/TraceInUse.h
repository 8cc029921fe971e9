//===- tests/support/TraceInUse.h - A trace of the test's own choosing -*- C++ -*-===//
//
// Puts a trace worker configured from a given setting text in use for the lifetime of
// the object, armed so that its first record opens the destination, and puts back the
// trace object that was in use before. Lets a test read the records that the code under
// test writes without depending on the process's QIM_DBG_TRACE.
//
//   qimtest::TemporaryDirectory directory;
//   qimtest::TraceInUse trace(directory.file("trace") + ",error");
//   ...
//   auto lines = qimtest::readLines(directory.file("trace"));
//
//===----------------------------------------------------------------------------===//
#ifndef QIM_TESTS_SUPPORT_TRACEINUSE_H
#define QIM_TESTS_SUPPORT_TRACEINUSE_H

#include "utilities/diagnostics/TraceWorker.h"

#include <string>

namespace qimtest {

class TraceInUse {
public:
    explicit TraceInUse(const std::string& setting)
        : _previous(TraceImplementation::_implementation),
          _worker(EncodedString(setting.c_str(), EncodedString::UTF8)) {
        TraceImplementation::start(&_worker);
    }
    ~TraceInUse() { TraceImplementation::_implementation = _previous; }
    TraceInUse(const TraceInUse&) = delete;
    TraceInUse& operator=(const TraceInUse&) = delete;

    TraceWorker& worker() { return _worker; }

private:
    TraceImplementation* _previous;
    TraceWorker _worker;
};

} // namespace qimtest

#endif
