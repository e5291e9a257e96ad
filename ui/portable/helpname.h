// Choice of the product's help file by help context, without Win32.
#pragma once
#include <cstdint>

namespace cvx::portable {

// Format of the help file name for a context number, with one %s for the
// three-letter language code: each applet family has its own range.
const char *HelpFileFormat(uint32_t context);

}  // namespace cvx::portable
