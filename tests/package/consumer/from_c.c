/* The header as a C program sees it: every record and export of the
 * interface compiles without C++. */
#include <cvxutil.h>

int LinesFromC(void)
{
    SharedPortParams line;
    PortEnumRecord entry;
    ClientSettings settings;
    GroupParams group;
    (void)entry;
    (void)group;
    if (!CVU_GetClientSettings(&settings)) return -1;
    return CVU_GetSharedPortParams("COM1", &line) ? 1 : CVU_GetNumServerPorts();
}
