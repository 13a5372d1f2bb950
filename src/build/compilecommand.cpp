#include "compilecommand.h"
