#include "flashview.h"
