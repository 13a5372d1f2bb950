#include "shellregistration.h"
