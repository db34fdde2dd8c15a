#include "core/appearance/window_placement.h"
