#include "flashapp.h"
