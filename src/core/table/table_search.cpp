#include "core/table/table_search.h"
