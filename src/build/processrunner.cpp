#include "processrunner.h"
