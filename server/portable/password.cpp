#include "server/portable/password.h"

#include "korutil/portable/korstr.h"

namespace cvx::portable {

bool ScramblePassword(const char *oemPassword, uint8_t record[kPasswordRecordSize])
{
    if (kor::IsEmptyString(oemPassword) || !record) return false;
    size_t i = 0;
    for (; i < kPasswordLength && oemPassword[i]; ++i) record[i] = ScrambleByte(uint8_t(oemPassword[i]));
    for (; i < kPasswordLength; ++i) record[i] = ScrambleByte(' ');
    record[kPasswordLength] = 0;
    return true;
}

}  // namespace cvx::portable
