#include "locations.h"
