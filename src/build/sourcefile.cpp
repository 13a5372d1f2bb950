#include "sourcefile.h"
