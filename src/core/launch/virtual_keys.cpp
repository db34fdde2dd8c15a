#include "core/launch/virtual_keys.h"
