// The remote-access password of the server, kept scrambled in CVEX.PWF. The
// file exists exactly while a password is set; it is read outside this
// library.
#include <windows.h>

#include <cstring>
#include <vector>

#include "frame/frame.h"
#include "frame/owners.h"
#include "korutil/korutil.h"
#include "server/settings.h"

namespace cvx {

namespace {
constexpr char kPasswordFile[] = "CVEX.PWF";
}  // namespace

void GetPasswordFilePath(char *path)
{
    if (!path) return;
    // An install directory too long for the name counts as absent.
    if (!GetInstallDirectory(path) || !AppendFileName(path, kPasswordFile)) BuildComponentPath(path, kPasswordFile);
}

BOOL EncodeRemotePassword(const char *password, BYTE *record)
{
    if (kor::IsEmptyString(password) || !record) return FALSE;
    // The whole text is converted before it is cut, so that the cut falls on
    // OEM bytes. CharToOemA takes no size: the buffer has room to spare.
    std::vector<char> oem(2 * std::strlen(password) + 2, '\0');
    if (!CharToOemA(password, oem.data())) return FALSE;
    return portable::ScramblePassword(oem.data(), record);
}

}  // namespace cvx

using namespace cvx;

extern "C" BOOL WINAPI CVU_SetRemPassword(LPCSTR password)
{
    char path[MAX_PATH];
    GetPasswordFilePath(path);

    BYTE record[portable::kPasswordRecordSize];
    bool stored = false;
    if (EncodeRemotePassword(password, record)) {
        UniqueFile file(CreateFileA(path, GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr));
        DWORD written = 0;
        stored = file && SetFilePointer(file.get(), 0, nullptr, FILE_BEGIN) != INVALID_SET_FILE_POINTER &&
                 WriteFile(file.get(), record, sizeof record, &written, nullptr) && written == sizeof record;
    }
    // An empty password clears the remote password; a failed write must not
    // leave a partial file that would pass for one.
    if (!stored) DeleteFileA(path);
    return TRUE;
}
