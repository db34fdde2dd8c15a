// Compiled against runpad_core's include paths: a widget header must not be found.
#include "ui/main_form.h"
