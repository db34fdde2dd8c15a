#include "platform/linux/desktop_entry_gio.h"

#include <gio/gdesktopappinfo.h>

namespace runpad {

std::string launchDesktopEntry(const std::string& entryText, const std::vector<std::string>& uris) {
    // The entry is parsed from text we read ourselves, so GIO never opens
    // the file (which could be a FIFO and block).
    GKeyFile* keyFile = g_key_file_new();
    GError* error = nullptr;
    std::string reason;
    if (!g_key_file_load_from_data(keyFile, entryText.data(), entryText.size(), G_KEY_FILE_NONE,
                                   &error)) {
        reason = error ? error->message : "unreadable desktop entry";
        g_clear_error(&error);
        g_key_file_unref(keyFile);
        return reason;
    }
    GDesktopAppInfo* info = g_desktop_app_info_new_from_keyfile(keyFile);
    g_key_file_unref(keyFile);
    if (!info)
        return "not an application entry";

    GList* list = nullptr;
    for (auto it = uris.rbegin(); it != uris.rend(); ++it)
        list = g_list_prepend(list, const_cast<char*>(it->c_str()));
    if (!g_app_info_launch_uris(G_APP_INFO(info), list, nullptr, &error)) {
        reason = error ? error->message : "the application could not be started";
        g_clear_error(&error);
    }
    g_list_free(list);
    g_object_unref(info);
    return reason;
}

} // namespace runpad
