//===- tests/support/ScopedEnvironment.h - One variable for one scope -*- C++ -*-===//
//
// Sets or unsets one environment variable for the lifetime of an object and puts back
// what was there before (a value, or no variable at all), so that a test sees exactly
// the environment it states, whatever the calling shell exported.
//
// Usage:
//   qimtest::ScopedEnvironment port("QIM_DBG_PORT", "9000");
//   qimtest::ScopedEnvironment trace("QIM_DBG_TRACE", nullptr);  // unset for now
//
//===----------------------------------------------------------------------------===//
#ifndef QIM_TESTS_SUPPORT_SCOPEDENVIRONMENT_H
#define QIM_TESTS_SUPPORT_SCOPEDENVIRONMENT_H

#include <cstdlib>
#include <string>

namespace qimtest {

class ScopedEnvironment {
public:
    /// Sets `name` to `value`, or unsets it when `value` is null.
    ScopedEnvironment(const char* name, const char* value) : _name(name) {
        const char* previous = std::getenv(name);
        _wasSet = previous != nullptr;
        if (_wasSet)
            _previous = previous; // copied: setenv may free the old text
        apply(value);
    }
    /// Puts back the earlier value, or unsets the variable if it was not set.
    ~ScopedEnvironment() { apply(_wasSet ? _previous.c_str() : nullptr); }

    ScopedEnvironment(const ScopedEnvironment&) = delete;
    ScopedEnvironment& operator=(const ScopedEnvironment&) = delete;

private:
    void apply(const char* value) const {
        if (value == nullptr)
            unsetenv(_name.c_str());
        else
            setenv(_name.c_str(), value, 1);
    }

    std::string _name;
    std::string _previous;
    bool _wasSet;
};

} // namespace qimtest

#endif
