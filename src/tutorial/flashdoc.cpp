#include "flashdoc.h"
