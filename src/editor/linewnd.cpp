#include "linewnd.h"
