#include "ui/image_list.h"
