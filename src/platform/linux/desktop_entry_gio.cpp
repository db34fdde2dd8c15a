#include "platform/linux/desktop_entry_gio.h"
#include "platform/linux/shared_library.h"

#include <gio/gdesktopappinfo.h>

namespace runpad {

namespace {

// GIO and the GLib functions it brings, resolved through it.
struct GioFunctions {
    SharedLibrary library{"libgio-2.0.so.0"};
    RUNPAD_LIBRARY_FUNCTION(g_key_file_new);
    RUNPAD_LIBRARY_FUNCTION(g_key_file_load_from_data);
    RUNPAD_LIBRARY_FUNCTION(g_key_file_unref);
    RUNPAD_LIBRARY_FUNCTION(g_clear_error);
    RUNPAD_LIBRARY_FUNCTION(g_desktop_app_info_new_from_keyfile);
    RUNPAD_LIBRARY_FUNCTION(g_list_prepend);
    RUNPAD_LIBRARY_FUNCTION(g_list_free);
    RUNPAD_LIBRARY_FUNCTION(g_app_info_launch_uris);
    RUNPAD_LIBRARY_FUNCTION(g_object_unref);
};

} // namespace

std::string launchDesktopEntry(const std::string& entryText, const std::vector<std::string>& uris) {
    static const GioFunctions gio;
    if (!gio.library.usable())
        return "GIO is not available: " + gio.library.problem();
    // The entry is parsed from text we read ourselves, so GIO never opens
    // the file (which could be a FIFO and block).
    GKeyFile* keyFile = gio.g_key_file_new();
    GError* error = nullptr;
    std::string reason;
    if (!gio.g_key_file_load_from_data(keyFile, entryText.data(), entryText.size(), G_KEY_FILE_NONE,
                                       &error)) {
        reason = error ? error->message : "unreadable desktop entry";
        gio.g_clear_error(&error);
        gio.g_key_file_unref(keyFile);
        return reason;
    }
    GDesktopAppInfo* info = gio.g_desktop_app_info_new_from_keyfile(keyFile);
    gio.g_key_file_unref(keyFile);
    if (!info)
        return "not an application entry";

    GList* list = nullptr;
    for (auto it = uris.rbegin(); it != uris.rend(); ++it)
        list = gio.g_list_prepend(list, const_cast<char*>(it->c_str()));
    // A desktop app info is an app info: the interface cast without the type
    // check, which would need GObject's type functions.
    if (!gio.g_app_info_launch_uris(reinterpret_cast<GAppInfo*>(info), list, nullptr, &error)) {
        reason = error ? error->message : "the application could not be started";
        gio.g_clear_error(&error);
    }
    gio.g_list_free(list);
    gio.g_object_unref(info);
    return reason;
}

} // namespace runpad
