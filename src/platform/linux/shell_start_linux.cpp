#include "platform/shell_start.h"
namespace runpad { void DesktopShellStarter::shellExecute(const ShellStartRequest&) {} }
