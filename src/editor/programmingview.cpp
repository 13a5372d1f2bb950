#include "programmingview.h"
