#include "ui/style_manager.h"
