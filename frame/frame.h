// Internal helpers of the library frame, used by every subsystem.
#pragma once
#include <windows.h>

#include "cvxutil.h"
#include "frame/portable/text.h"

namespace cvx {

// Size of every text buffer that ResolveText fills.
constexpr int kTextBuffer = 200;

// ---- library entry and resource module ----
HINSTANCE GetLibraryInstance();
void FreeResourceModule();
// Three-letter language code of the user (ENG, FRE, SPA, GER, or the
// Windows abbreviation itself); empty when the locale gives none.
void GetLanguageCode(char code[4]);
// ComponentDirectory followed by file into destination (MAX_PATH bytes).
// A directory too long for the file counts as absent (the file beside this
// library); destination is empty when even that does not fit.
char *BuildComponentPath(char *destination, const char *file);
// Appends file to path (MAX_PATH bytes); false, path unchanged, when the
// whole name would not fit: a cut name would be another file.
bool AppendFileName(char *path, const char *file);
// REG_SZ value of the user key (or of one of its subkeys).
LONG GetUserSetting(const char *name, const char *subkey, char *buffer, DWORD size);
// The text a TextRef names, or null for none; buffer holds kTextBuffer bytes.
const char *ResolveText(TextRef ref, char *buffer);

// ---- registry ----
// Joins the non-empty parts with backslashes; FALSE (destination empty) when
// the path would not fit in kKeyPathSize bytes.
using portable::ComposeKeyPath;
using portable::kKeyPathSize;

// ---- product locations and configuration file ----
const char *ProductKeyPath();
LONG GetProductSetting(const char *name, void *buffer, DWORD size, DWORD type);
BOOL GetInstallDirectory(char destination[MAX_PATH]);
const char *GetServerConfigFile();
BOOL WriteProfileUInt(const char *section, const char *key, DWORD value, const char *file);
// Copies the listed keys (all of the source's when keys is null) of one
// section into another; a key read as kAbsentMarker is deleted.
BOOL CopySection(const char *destination, const char *source, const char *const *keys, const char *file);
// Fills buffer with a null-ended pointer array to the section's key names,
// followed by the names.
BOOL ListSectionKeys(const char *section, char *buffer, DWORD size, DWORD *count, const char *file);
using portable::CopyStringBounded;
DWORD GetInstalledComponents();
void SetComponentInstalled(DWORD mask, BOOL installed);

// The default that CopySection reads with, so that an absent key can be told
// from any stored text.
inline constexpr const char kAbsentMarker[] = "~bo|gU@s";

}  // namespace cvx
