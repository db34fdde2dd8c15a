#include "platform/shell_start.h"

#include "core/launch/command_launch.h"

#include <QDesktopServices>
#include <QProcess>

namespace runpad {

// Linux has no shell-execute call: programs are started directly, with their
// words passed as they are (no shell reads the text a second time), and
// everything else goes to the desktop's handler. startDetached leaves the
// program running on its own after Runpad quits, and reaps the go-between
// process so no zombie stays behind. A start that fails is dropped, as
// callers never look at a result.
void DesktopShellStarter::shellExecute(const ShellStartRequest& request) {
    const ShellStartPlan plan = planShellStart(request);
    switch (plan.action) {
    case ShellStartPlan::Action::StartProgram:
        QProcess::startDetached(plan.program, plan.arguments, plan.workingDirectory);
        break;
    case ShellStartPlan::Action::OpenUrl:
        QDesktopServices::openUrl(plan.url);
        break;
    case ShellStartPlan::Action::Nothing:
        break;
    }
}

} // namespace runpad
