#include "platform/icon_extractor.h"
