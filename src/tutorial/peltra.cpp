#include "peltra.h"
