#pragma once

#include <QString>
#include <optional>

namespace runpad {

// Window that owns a start request. The operating system needs none; it is
// kept so callers and tests can tell the requests apart.
enum class ShellOwner { Application, AboutDialog };

// Show commands of a started window.
enum ShowCommand : int { SW_SHOWNORMAL = 1, SW_SHOW = 5, SW_RESTORE = 9 };

// One request to start a program, document, folder or address. An absent
// (nullopt) verb, parameters or directory and an empty text mean the same to
// the starter: none.
struct ShellStartRequest {
    ShellOwner owner = ShellOwner::Application;
    std::optional<QString> verb;
    QString file;
    std::optional<QString> parameters;
    std::optional<QString> directory;
    int showCommand = SW_SHOWNORMAL;

    friend bool operator==(const ShellStartRequest&, const ShellStartRequest&) = default;
};

} // namespace runpad
