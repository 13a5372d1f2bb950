#include "pageselection.h"
