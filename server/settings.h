// Server common settings and the remote password file.
#pragma once
#include <windows.h>

#include "server/portable/password.h"

namespace cvx {

// Full path of CVEX.PWF (MAX_PATH bytes): in the install directory, read
// anew on every call, else beside the product's libraries.
void GetPasswordFilePath(char *path);

// The 17 bytes to store for password: converted to the OEM code page whole,
// then cut to 16 bytes, padded with blanks and scrambled. FALSE when there
// is nothing to store (null or empty password).
BOOL EncodeRemotePassword(const char *password, BYTE *record);

}  // namespace cvx
