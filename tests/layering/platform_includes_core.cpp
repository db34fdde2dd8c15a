// Compiled against runpad_platform's include paths: its own and core's headers are found,
// so the include paths the failing checks use are complete.
#include "core/table/ini_document.h"
#include "platform/settings_file.h"
