#include "pagenumber.h"
