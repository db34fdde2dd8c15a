#pragma once

// Starts applications described by desktop entries through GIO. Kept free of
// Qt types: GIO's headers clash with Qt's "signals" macro, so its one user
// has no Qt headers.

#include <string>
#include <vector>

namespace runpad {

// Launches the application the entry text describes, handing it the given
// URIs as its files or addresses. Returns an empty text on success, else
// GIO's reason.
std::string launchDesktopEntry(const std::string& entryText, const std::vector<std::string>& uris);

} // namespace runpad
