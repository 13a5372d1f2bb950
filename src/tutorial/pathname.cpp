#include "pathname.h"
