// Prints the program folder as the program works it out when there is no
// application object, UTF-8 on one line.
#include "build/locations.h"

#include <cstdio>

int main()
{
    std::fputs(GetProgramFolder().toUtf8().constData(), stdout);
    std::fputc('\n', stdout);
    return 0;
}
