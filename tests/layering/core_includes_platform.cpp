// Compiled against runpad_core's include paths: a platform header must not be found.
#include "platform/settings_file.h"
