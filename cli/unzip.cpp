// nubra-cli unzip: see the help text.
#include <cstdio>

#include "commands.h"

namespace nubra::cli {

int RunUnzip(const Args&)
{
    std::fputs("nubra-cli unzip : pas encore disponible\n", stderr);
    return 1;
}

} // namespace nubra::cli
