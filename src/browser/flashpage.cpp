#include "flashpage.h"
