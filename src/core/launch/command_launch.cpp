#include "core/launch/command_launch.h"
