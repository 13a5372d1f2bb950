#include "dlgpage.h"
