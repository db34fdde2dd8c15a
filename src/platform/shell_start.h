#pragma once

#include "core/launch/shell_request.h"

namespace runpad {

// Everything the program starts goes through this one interface. A start that
// fails is not reported: callers never examine a result.
class ShellStarter {
public:
    virtual ~ShellStarter() = default;
    virtual void shellExecute(const ShellStartRequest& request) = 0;
};

// Starts programs detached and opens documents, folders and addresses with
// the desktop's handler.
class DesktopShellStarter : public ShellStarter {
public:
    void shellExecute(const ShellStartRequest& request) override;
};

} // namespace runpad
