// The remote-access password of the server, kept scrambled in CVEX.PWF. The
// file exists exactly while a password is set; it is read outside this
// library.
#include <windows.h>

#include <cstring>
#include <string>
#include <vector>

#include "frame/configstore.h"
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
    bool stored = EncodeRemotePassword(password, record) &&
                  ReplaceFileText(path, std::string(reinterpret_cast<const char *>(record), sizeof record));
    // The file is replaced whole, so a crash leaves the old password or the
    // new one. An empty password clears it; so does one that could not be
    // stored, rather than leave the old one in force.
    if (!stored) DeleteFileA(path);
    return TRUE;
}
