#include "core/appearance/style_registry.h"
