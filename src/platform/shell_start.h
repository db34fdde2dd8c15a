#pragma once

#include "core/launch/shell_request.h"

#include <QString>
#include <QStringList>
#include <QUrl>
#include <optional>

namespace runpad {

// Everything the program starts goes through this one interface. Callers
// never examine whether a start worked. The one thing that comes back is a
// status text for a start this desktop cannot make at all (no program there
// to carry it out); it is meant for the status line.
class ShellStarter {
public:
    virtual ~ShellStarter() = default;
    virtual std::optional<QString> shellExecute(const ShellStartRequest& request) = 0;
};

// Starts a program detached from us, in the given working directory. A start
// that fails is dropped.
class ProcessStarter {
public:
    virtual ~ProcessStarter() = default;
    virtual void startDetached(const QString& program, const QStringList& arguments,
                               const QString& workingDirectory) = 0;
};

// The desktop's own handlers: the program the user chose for an address or a
// file type, and the launcher of applications described by desktop entries.
class DesktopHandler {
public:
    virtual ~DesktopHandler() = default;
    virtual void openUrl(const QUrl& url) = 0;
    // entryFile: the absolute path of a ".desktop" file; uris: the files and
    // addresses handed to the application. Returns why it could not start.
    virtual std::optional<QString> launchDesktopEntry(const QString& entryFile,
                                                      const QStringList& uris) = 0;
};

class SystemProcessStarter : public ProcessStarter {
public:
    void startDetached(const QString& program, const QStringList& arguments,
                       const QString& workingDirectory) override;
};

class SystemDesktopHandler : public DesktopHandler {
public:
    void openUrl(const QUrl& url) override;
    std::optional<QString> launchDesktopEntry(const QString& entryFile,
                                              const QStringList& uris) override;
};

// Carries a start request over to this desktop: programs are started
// directly, everything else goes to the desktop's handlers.
class DesktopShellStarter : public ShellStarter {
public:
    DesktopShellStarter();
    DesktopShellStarter(ProcessStarter& processes, DesktopHandler& desktop);
    DesktopShellStarter(const DesktopShellStarter&) = delete;
    DesktopShellStarter& operator=(const DesktopShellStarter&) = delete;

    std::optional<QString> shellExecute(const ShellStartRequest& request) override;

private:
    SystemProcessStarter systemProcesses_;
    SystemDesktopHandler systemDesktop_;
    ProcessStarter& processes_;
    DesktopHandler& desktop_;
};

} // namespace runpad
