#include "platform/shell_start.h"

#include "core/common/regular_file.h"
#include "platform/linux/desktop_entry_gio.h"
#include "platform/linux/shell_plan.h"

#include <QDesktopServices>
#include <QProcess>

#include <string>
#include <vector>

namespace runpad {

namespace {
// A desktop entry is a few kilobytes; anything much larger is not one.
constexpr qint64 kMaxEntryBytes = 1024 * 1024;
} // namespace

// startDetached leaves the program running on its own after Runpad quits and
// reaps the go-between process, so no zombie stays behind. Words are passed
// as they are: no shell reads the text a second time.
void SystemProcessStarter::startDetached(const QString& program, const QStringList& arguments,
                                         const QString& workingDirectory) {
    QProcess::startDetached(program, arguments, workingDirectory);
}

void SystemDesktopHandler::openUrl(const QUrl& url) {
    QDesktopServices::openUrl(url);
}

std::optional<QString> SystemDesktopHandler::launchDesktopEntry(const QString& entryFile,
                                                                const QStringList& uris) {
    const auto text = readRegularFile(entryFile, kMaxEntryBytes);
    if (!text)
        return std::nullopt; // gone since it was found: like any start that fails
    std::vector<std::string> list;
    list.reserve(size_t(uris.size()));
    for (const QString& uri : uris)
        list.push_back(uri.toStdString());
    const std::string reason = runpad::launchDesktopEntry(text->toStdString(), list);
    if (reason.empty())
        return std::nullopt;
    return QStringLiteral("Cannot start \"%1\": %2").arg(entryFile, QString::fromStdString(reason));
}

DesktopShellStarter::DesktopShellStarter()
    : processes_(systemProcesses_), desktop_(systemDesktop_) {}

DesktopShellStarter::DesktopShellStarter(ProcessStarter& processes, DesktopHandler& desktop)
    : processes_(processes), desktop_(desktop) {}

std::optional<QString> DesktopShellStarter::shellExecute(const ShellStartRequest& request) {
    const ShellStartPlan plan = planShellStart(request);
    switch (plan.action) {
    case ShellStartPlan::Action::StartProgram:
        processes_.startDetached(plan.program, plan.arguments, plan.workingDirectory);
        break;
    case ShellStartPlan::Action::OpenUrl:
        desktop_.openUrl(plan.url);
        break;
    case ShellStartPlan::Action::LaunchDesktopEntry:
        return desktop_.launchDesktopEntry(plan.program, plan.arguments);
    case ShellStartPlan::Action::Report:
        return plan.message;
    case ShellStartPlan::Action::Nothing:
        break;
    }
    return std::nullopt;
}

} // namespace runpad
