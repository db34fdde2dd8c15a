#include "platform/linux/shell_plan.h"

#include "core/common/app_error.h"
#include "core/common/regular_file.h"
#include "core/launch/command_launch.h"
#include "core/table/ini_document.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QRegularExpression>
#include <QStandardPaths>

#include <optional>

namespace runpad {

namespace {

const QString kControlPanel = QStringLiteral("control.exe");
// A shortcut is a few lines; anything much larger is not one.
constexpr qint64 kMaxShortcutBytes = 1024 * 1024;
// Enough to tell a binary from a text.
constexpr qint64 kSniffBytes = 512;

QString homeFolder() {
    return QDir::homePath();
}

QString expandTilde(const QString& path) {
    if (path == u'~')
        return homeFolder();
    if (path.startsWith(QLatin1String("~/")))
        return homeFolder() + path.mid(1);
    return path;
}

// At least two scheme characters: a single letter and a colon is a drive of
// a path written for another system, never an address.
bool isAddress(const QString& text) {
    static const QRegularExpression pattern(QStringLiteral("^[A-Za-z][A-Za-z0-9+.-]+:."));
    return pattern.match(text).hasMatch();
}

// The first bytes of a regular file; empty when it cannot be read, and the
// start then goes by what the name and the mode say.
QByteArray fileStart(const QString& path) {
    try {
        QFile file;
        if (!openRegularFile(path, file))
            return {};
        return file.read(kSniffBytes);
    } catch (const AppError&) {
        return {};
    }
}

bool isWindowsProgram(const QByteArray& start) {
    return start.startsWith("MZ");
}

// The kernel runs binaries and "#!" scripts only; a shell runs any other
// executable text with /bin/sh, and so do we.
bool isScriptWithoutInterpreter(const QByteArray& start) {
    return !start.isEmpty() && !start.startsWith("#!") &&
           !start.startsWith("\x7f"
                             "ELF") &&
           !start.contains('\0');
}

bool hasSuffix(const QFileInfo& info, const char* suffix) {
    return info.suffix().compare(QLatin1String(suffix), Qt::CaseInsensitive) == 0;
}

ShellStartPlan openPlan(const QUrl& url) {
    ShellStartPlan plan;
    plan.action = ShellStartPlan::Action::OpenUrl;
    plan.url = url;
    return plan;
}

ShellStartPlan reportPlan(const QString& message) {
    ShellStartPlan plan;
    plan.action = ShellStartPlan::Action::Report;
    plan.message = message;
    return plan;
}

class Planner {
public:
    explicit Planner(const ShellStartRequest& request)
        : base_(request.directory && !request.directory->isEmpty() ? *request.directory
                                                                   : QDir::currentPath()) {}

    ShellStartPlan plan(const ShellStartRequest& request) const {
        const QString& file = request.file;
        if (file.isEmpty())
            return {};
        if (file == kControlPanel)
            return controlPanel(request);
        if (isAddress(file))
            return openPlan(QUrl(file));

        const QStringList parameterWords =
            splitShellWords(request.parameters.value_or(QString()), homeFolder());
        if (auto plan = forName(expandTilde(file), parameterWords, true))
            return *plan;
        // A command line in the file text itself, as an "other" command holds it.
        const QStringList words = splitShellWords(file, homeFolder());
        if (!words.isEmpty()) {
            if (auto plan = forName(words.first(), words.mid(1) + parameterWords, false))
                return *plan;
        }
        return {};
    }

private:
    // Control Panel items have no Linux counterpart, but a command that is an
    // absolute path lands here too and means that path.
    ShellStartPlan controlPanel(const ShellStartRequest& request) const {
        const QString parameters = request.parameters.value_or(QString());
        if (parameters.startsWith(u'/')) {
            const QStringList words = splitShellWords(parameters);
            if (QFileInfo::exists(parameters) ||
                (!words.isEmpty() && words.first().startsWith(u'/') &&
                 QFileInfo::exists(words.first()))) {
                ShellStartRequest asFile = request;
                asFile.file = parameters;
                asFile.parameters.reset();
                return plan(asFile);
            }
        }
        for (const QString& name : desktopSettingsPrograms()) {
            if (const QString program = QStandardPaths::findExecutable(name); !program.isEmpty())
                return startPlan(program, {});
        }
        return reportPlan(
            QStringLiteral("Cannot open \"%1\": no desktop settings program was found")
                .arg(parameters));
    }

    // What a name comes to when it names an existing file or folder, a
    // program on PATH or an installed desktop entry; nothing otherwise.
    // Documents and folders are opened only when mayOpen is set.
    std::optional<ShellStartPlan> forName(const QString& name, const QStringList& words,
                                          bool mayOpen) const {
        if (name.isEmpty())
            return std::nullopt;
        const QFileInfo info(base_, name);
        if (info.isFile())
            return forFile(info, words, mayOpen);
        if (info.exists()) {
            if (!mayOpen)
                return std::nullopt;
            return openPlan(QUrl::fromLocalFile(info.absoluteFilePath()));
        }
        if (name.contains(u'/'))
            return std::nullopt;
        if (hasSuffix(info, "desktop")) {
            const QString entry =
                QStandardPaths::locate(QStandardPaths::ApplicationsLocation, name);
            if (!entry.isEmpty())
                return desktopEntryPlan(entry, words);
        }
        if (const QString program = QStandardPaths::findExecutable(name); !program.isEmpty())
            return programPlan(program, words);
        return std::nullopt;
    }

    std::optional<ShellStartPlan> forFile(const QFileInfo& info, const QStringList& words,
                                          bool mayOpen) const {
        const QString path = info.absoluteFilePath();
        if (hasSuffix(info, "desktop"))
            return desktopEntryPlan(path, words);
        if (hasSuffix(info, "url"))
            return shortcutPlan(path);
        if (info.isExecutable() || (hasSuffix(info, "exe") && isWindowsProgram(fileStart(path))))
            return programPlan(path, words);
        if (!mayOpen)
            return std::nullopt;
        return openPlan(QUrl::fromLocalFile(path));
    }

    ShellStartPlan programPlan(const QString& path, const QStringList& words) const {
        const QByteArray start = fileStart(path);
        if (isWindowsProgram(start)) {
            const QString wine = QStandardPaths::findExecutable(QStringLiteral("wine"));
            if (wine.isEmpty()) {
                return reportPlan(
                    QStringLiteral("Cannot start \"%1\": Windows programs need Wine, which "
                                   "is not installed")
                        .arg(QFileInfo(path).fileName()));
            }
            return startPlan(wine, QStringList{path} + words);
        }
        if (isScriptWithoutInterpreter(start))
            return startPlan(QStringLiteral("/bin/sh"), QStringList{path} + words);
        return startPlan(path, words);
    }

    ShellStartPlan desktopEntryPlan(const QString& path, const QStringList& words) const {
        ShellStartPlan plan;
        plan.action = ShellStartPlan::Action::LaunchDesktopEntry;
        plan.program = path;
        for (const QString& word : words) {
            plan.arguments << (isAddress(word) ? word
                                               : QString::fromLatin1(
                                                     QUrl::fromLocalFile(
                                                         QFileInfo(base_, word).absoluteFilePath())
                                                         .toEncoded()));
        }
        return plan;
    }

    // Read with the same reader as the shortcut details in the window, so
    // what is shown is what is opened.
    static ShellStartPlan shortcutPlan(const QString& path) {
        const auto bytes = readRegularFile(path, kMaxShortcutBytes);
        if (!bytes)
            return {};
        const QString url =
            IniDocument::fromBytes(*bytes)
                .readString(QStringLiteral("InternetShortcut"), QStringLiteral("URL"))
                .trimmed();
        if (!isAddress(url))
            return {};
        return openPlan(QUrl(url));
    }

    ShellStartPlan startPlan(const QString& program, const QStringList& arguments) const {
        ShellStartPlan plan;
        plan.action = ShellStartPlan::Action::StartProgram;
        plan.program = program;
        plan.arguments = arguments;
        plan.workingDirectory = base_.absolutePath();
        return plan;
    }

    QDir base_;
};

} // namespace

const QStringList& desktopSettingsPrograms() {
    static const QStringList programs{
        QStringLiteral("gnome-control-center"), QStringLiteral("systemsettings"),
        QStringLiteral("systemsettings5"),      QStringLiteral("xfce4-settings-manager"),
        QStringLiteral("lxqt-config"),          QStringLiteral("mate-control-center"),
        QStringLiteral("cinnamon-settings")};
    return programs;
}

ShellStartPlan planShellStart(const ShellStartRequest& request) {
    return Planner(request).plan(request);
}

} // namespace runpad
