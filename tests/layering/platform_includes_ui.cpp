// Compiled against runpad_platform's include paths: a widget header must not be found.
#include "ui/main_form.h"
