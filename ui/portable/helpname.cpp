#include "ui/portable/helpname.h"

namespace cvx::portable {

const char *HelpFileFormat(uint32_t context)
{
    if (context < 99 || context > 499) return "CVX_%s.HLP";
    if (context < 199) return "CVSVR_%s.HLP";
    if (context < 299) return "CVCLN_%s.HLP";
    if (context < 399) return "CVRC_%s.HLP";
    return "CVMON_%s.HLP";
}

}  // namespace cvx::portable
