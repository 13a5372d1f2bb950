#include "recentfilelist.h"
