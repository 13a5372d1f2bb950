#include "commandlineinfo.h"
