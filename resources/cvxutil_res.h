// Resources of cvxutil.dll itself (not of the per-language module).
#pragma once
#define IDS_USER_LANGUAGE_FAILED    100
#define IDS_DEFAULT_LANGUAGE_FAILED 101
