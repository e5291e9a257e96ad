/*
 * Resource numbers of the per-language resource modules CV32_xxx.DLL.
 *
 * Shared by the resource scripts and by the C++ code of CVXUTIL, so this
 * file holds #defines only.  The numbers are fixed: CVXUTIL asks the module
 * for these resources by number, and every language module must carry all
 * of them.
 */
#ifndef CVX_RESIDS_H
#define CVX_RESIDS_H

#ifndef IDC_STATIC
#define IDC_STATIC                  (-1)
#endif

/* ---- Strings ------------------------------------------------------- */

/* Port descriptions: exactly one %s (the port name). */
#define IDS_PORT_SHARED_DESC        10004   /* port that a line shares or the client redirects */
#define IDS_PORT_OTHER_DESC         10005   /* any other listed port */

#define IDS_ABOUT_CAPTION           10008   /* must equal the caption of IDD_ABOUT */

/* Values written for a redirector port created on Windows 95. */
#define IDS_PORT_MFG                10114   /* "Mfg" */
#define IDS_PORT_HARDWAREID         10115   /* "HardwareID"; never "CALVEX" (old scheme's marker) */
#define IDS_PORT_DRIVERDESC         10116   /* "DriverDesc" */

#define IDS_RESTART_TITLE           10203
#define IDS_RESTART_MESSAGE         10204

/* Pool and share names end up in CVEX.INI: kept ASCII, no ',' or ')'. */
#define IDS_POOL_SERVERNAME         10211   /* at most 16 characters */
#define IDS_POOL_NAME_FMT           10212   /* %s then %u; at most 16 characters */
#define IDS_DEFAULT_POOL            10215   /* at most 16 characters */
#define IDS_REDIRECT_DESC           10216   /* at most 99 characters */
#define IDS_SHARE_NAME_FMT          10217   /* one %u; at most 14 characters */
#define IDS_DEFAULT_MODEM           10220   /* at most 119 characters */

#define IDS_TRIGGER_CHARS           10402   /* accepted by the trigger edit; fits 50 bytes */

/* Error code lines: one 32-bit number each (wsprintfA "%lu"). */
#define IDS_ERRCODE_PRODUCT         10420   /* bit 29 set, facility other than 14 */
#define IDS_ERRCODE_SYSTEM          10421   /* Windows code, bit 29 clear */
#define IDS_ERRCODE_UTILITY         10422   /* bit 29 set, facility 14 */

/* Simple value and trigger dialogs' error reports. */
#define IDS_VALUE_INVALID           11003   /* first line of every report */
#define IDS_VALUE_REQUIRED          11004
#define IDS_VALUE_FORBIDDEN_CHARS   11005   /* one %s: the forbidden characters */
#define IDS_VALUE_ALLOWED_CHARS     11006   /* one %s: the allowed characters */

/* Explanations referred to by the error table IDR_ERROR_TABLE. */
#define IDS_ERRTEXT_DUPTRIGGER      12008   /* 0x200E0008 */
#define IDS_ERRTEXT_MAPVIEW         12400   /* 0x200E0190 */
#define IDS_ERRTEXT_NOTFOUND        12401   /* 0x200E0191 */
#define IDS_ERRTEXT_BADHEADER       12402   /* 0x200E0192 */
#define IDS_ERRTEXT_LOCK            12403   /* 0x200E0193 */
#define IDS_ERRTEXT_NOTOWNER        12404   /* 0x200E0194 */
#define IDS_ERRTEXT_NOENTRY         12405   /* 0x200E0195 */

/* ---- Dialog templates and their controls --------------------------- */

#define IDD_CONFIRM                 3950
#define IDD_SIMPLE_VALUE            4150
#define IDD_ERROR_REPORT            4250
#define IDD_ABOUT                   4400
#define IDD_WAIT                    4450
#define IDD_TRIGGERS                4500

/* Error report and confirmation (IDOK, IDCANCEL and IDHELP besides). */
#define IDC_CR_TEXT                 3951    /* composed message, up to 1024 bytes */
#define IDC_CR_CODE                 3952    /* error code line, error report only */
#define IDC_CR_ICON                 3953
#define IDC_CONFIRM_YES             3954
#define IDC_CONFIRM_YESALL          3955
#define IDC_CONFIRM_NO              3956

/* Simple value dialog (IDOK, IDCANCEL besides). */
#define IDC_VALUE_EDIT              4151
#define IDC_VALUE_PROMPT            4152

/* About dialog: free layout, ids only for code that fills them in. */
#define IDC_ABOUT_ICON              4401
#define IDC_ABOUT_PRODUCT           4402
#define IDC_ABOUT_VERSION           4403
#define IDC_ABOUT_COPYRIGHT         4404

/* Wait window. */
#define IDC_WAIT_TEXT               4451

/* Trigger list dialog (IDOK, IDCANCEL and IDHELP besides). */
#define IDC_TRIGGER_LIST            4501
#define IDC_TRIGGER_REMOVE          4502
#define IDC_TRIGGER_EDIT            4503
#define IDC_TRIGGER_ADD             4504
#define IDC_TRIGGER_EDIT_LABEL      4505    /* enabled and disabled with the edit */

/* ---- Icons and raw data -------------------------------------------- */

#define IDI_CALVEX                  9000    /* product icon, About dialog */

/* Product error table: packed 6-byte little-endian records, a DWORD code
   then a WORD string id, closed by a record whose code is 0. */
#define IDR_ERROR_TABLE             9100

#endif /* CVX_RESIDS_H */
