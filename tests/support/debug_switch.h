// Writes and removes the registry text that turns the library's debug reports on:
// the default value of Software\Pimbax\Kelocli under HKCU (per user) or HKLM (machine-wide).
// Everything written is removed again on destruction.
#ifndef KELOCLI_TESTS_DEBUG_SWITCH_H
#define KELOCLI_TESTS_DEBUG_SWITCH_H

#include <string>

namespace testsupport {

class DebugSwitch {
  public:
    DebugSwitch() { Clear(); }
    ~DebugSwitch() { Clear(); }
    DebugSwitch(const DebugSwitch&) = delete;
    DebugSwitch& operator=(const DebugSwitch&) = delete;

    void SetUser(const std::string& text);
    void SetMachine(const std::string& text);
    void ClearUser();
    void Clear();
};

}  // namespace testsupport

#endif
