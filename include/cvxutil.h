/*
 * cvxutil.h - public interface of CVXUTIL.DLL, the shared utility library
 * of Calvex.
 *
 * Every export uses the standard calling convention and plain types. Records
 * that cross the interface are byte-packed with fixed sizes; their sizes are
 * checked at compile time so that 32-bit and 64-bit callers agree with the
 * library.
 *
 * Result conventions: registry, group and inter-process functions return
 * Windows error codes (0 = success) or the library's own codes below;
 * configuration, port and service functions return non-zero for success.
 */
#ifndef CVXUTIL_H
#define CVXUTIL_H

#include <windows.h>
#include <objbase.h>

#ifdef CVXUTIL_BUILD
#define CVXAPI
#else
#define CVXAPI __declspec(dllimport)
#endif

#ifdef __cplusplus
extern "C" {
#endif

/*
 * A text argument: NULL for none, a string id of the resource module
 * (below 0x10000, see CVU_TEXTID), or the address of a zero-terminated
 * string. Pointer-sized in both builds.
 */
typedef const char *TextRef;
#define CVU_TEXTID(id) ((TextRef)(ULONG_PTR)(WORD)(id))
#define CVU_IS_TEXTID(t) (((ULONG_PTR)(t)) < 0x10000)

/* The library's own result codes: customer bit, facility 0x0E. */
#define CVU_E_DUPTRIGGER 0x200E0008u /* duplicate trigger character */
#define CVU_E_MAPVIEW    0x200E0190u /* a view of an existing block could not be mapped */
#define CVU_E_NOTFOUND   0x200E0191u /* no such block: one of its named objects is missing */
#define CVU_E_BADHEADER  0x200E0192u /* the block's header does not add up */
#define CVU_E_LOCK       0x200E0193u /* a mutex wait ended without ownership, or a release failed */
#define CVU_E_NOTOWNER   0x200E0194u /* the handle belongs to another process */
#define CVU_E_NOENTRY    0x200E0195u /* no table entry of that name */

/* ---- Resource module ---------------------------------------------------- */

/* Handle of the per-language resource module CV32_<lang>.DLL, loaded on
 * first use; NULL when none could be loaded. showErrors allows the two
 * message boxes of the load. The library owns the handle. */
CVXAPI HINSTANCE WINAPI CVU_GetResourceInstance(BOOL showErrors);

/* ---- Registry and COM registration ---------------------------------------- */

/* Writes a value under root\part1\part2\part3 (NULL or empty parts are
 * skipped), creating missing keys. Returns a Windows error code. */
CVXAPI LONG WINAPI CVU_WriteRegDataA(HKEY root, LPCSTR part1, LPCSTR part2, LPCSTR part3,
                                     LPCSTR valueName, const void *data, DWORD size, DWORD type);
/* Reads a value; 1010 when its type differs from expectedType (the data is
 * in the buffer all the same); a value longer than the buffer is cut to fit
 * and gives 0. */
CVXAPI LONG WINAPI CVU_GetRegDataA(HKEY root, LPCSTR part1, LPCSTR part2, LPCSTR part3,
                                   LPCSTR valueName, void *buffer, DWORD size, DWORD expectedType);
/* Deletes the named subkey of root\part1\part2\part3. */
CVXAPI LONG WINAPI CVU_DeleteRegKeyA(HKEY root, LPCSTR part1, LPCSTR part2, LPCSTR part3,
                                     LPCSTR subkey);
/* Braced text of a CLSID in the ANSI code page; size in bytes. */
CVXAPI void WINAPI CVU_CLSIDtoStringA(const CLSID *clsid, LPSTR buffer, int size);
/* Braced text of a CLSID; size in characters, at most size-2 are kept. */
CVXAPI void WINAPI CVU_CLSIDtoStringW(const CLSID *clsid, LPWSTR buffer, int size);
/* Registers an in-process server; 1 when a higher version is registered
 * (nothing changed), else 0. */
CVXAPI DWORD WINAPI CVU_RegBasicServerA(const CLSID *clsid, DWORD version, LPCSTR description,
                                        HMODULE module, DWORD componentBits);
/* Removes an in-process server's keys; 1 when a higher version is
 * registered (nothing changed), else 0. */
CVXAPI DWORD WINAPI CVU_UnregBasicServer(const CLSID *clsid, DWORD version, DWORD componentBits,
                                         BOOL keepRegistration);
/* Calls DllRegisterServer / DllUnregisterServer of the five component
 * libraries. */
CVXAPI void WINAPI CVU_RegisterComponents(void);
CVXAPI void WINAPI CVU_UnregisterComponents(void);

/* ---- Platform and installed components ------------------------------------ */

/* TRUE on the Windows 95 family, FALSE on Windows NT. */
CVXAPI BOOL WINAPI CVU_IsWin95OS(void);
/* 1 when any bit of mask is set in the installed-components value. */
CVXAPI BOOL WINAPI CVU_IsComponentInstalled(DWORD mask);

/* ---- Error reports and confirmations -------------------------------------- */
/* Flags of the error report and confirmation dialogs. */
#define CVU_CR_NOICON      0x0001 /* show no icon */
#define CVU_CR_ALLBUTTONS  0x0002 /* confirmation: all three answers and Cancel */
#define CVU_CR_TOPMOST     0x4000 /* the dialog is a topmost window */
#define CVU_CR_SYSTEMCODE  0x8000 /* the code is a Windows error: explain it from the system */

/* Results of a confirmation. */
#define CVU_CONFIRM_CANCEL  (-1) /* Cancel with CVU_CR_ALLBUTTONS, or no dialog */
#define CVU_CONFIRM_NO      0
#define CVU_CONFIRM_YES     1
#define CVU_CONFIRM_YESALL  2
#define CVU_CONFIRM_TIMEOUT 3
#define CVU_CONFIRM_STOPPED 4    /* closed by CVU_StopErrorandConfirms */

/* Error report (dialog 4250): message, an optional detail line formatted
 * with detailArgument, and for a non-zero code its explanation and code
 * line. timeout in ms, 0 for none. 1 when shown, else -1 (or 0 for a bad
 * owner). */
CVXAPI int WINAPI CVU_ReportErrorExA(HWND owner, TextRef title, TextRef message, DWORD code,
                                     TextRef detailFormat, ULONG_PTR detailArgument, DWORD icon, WORD flags,
                                     DWORD timeout);
/* CVU_ReportErrorExA without a time-out. */
CVXAPI int WINAPI CVU_ReportErrorA(HWND owner, TextRef title, TextRef message, DWORD code, TextRef detailFormat,
                                   ULONG_PTR detailArgument, DWORD icon, WORD flags);
/* Confirmation (dialog 3950); returns one of the CVU_CONFIRM_* results. */
CVXAPI int WINAPI CVU_ConfirmActionExA(HWND owner, TextRef title, TextRef message, TextRef detailFormat,
                                       ULONG_PTR detailArgument, DWORD icon, WORD flags, DWORD timeout);
/* CVU_ConfirmActionExA without a time-out. */
CVXAPI int WINAPI CVU_ConfirmActionA(HWND owner, TextRef title, TextRef message, TextRef detailFormat,
                                     ULONG_PTR detailArgument, DWORD icon, WORD flags);
/* Closes the open error reports and confirmations of every process. */
CVXAPI LRESULT WINAPI CVU_StopErrorandConfirms(void);

/* ---- Port list and port sharing ------------------------------------------- */

/* Flags of a port list entry. CVU_EnumPorts picks the entries that have at
 * least one bit of its mask: 0x0001 for the ports that can be shared, 0x8003
 * for every port whose number is taken. */
#define PORTF_LOCAL      0x0001u /* a port of this machine, or one a line names */
#define PORTF_REDIRECTED 0x0002u /* the client redirects it; on Windows 95 also alone
                                  * for a port the product created */
#define PORTF_SHARED     0x1000u /* a line of the server shares it */
#define PORTF_LINE       0x8000u /* known only from a line; always with PORTF_LOCAL */
/* The port list holds at most this many entries; later ports are dropped. */
#define CVU_MAX_LISTED_PORTS 25

#pragma pack(push, 1)
/* One entry of the process's port list. */
typedef struct PortEnumRecord {
    DWORD flags;                   /* PORTF_* */
    DWORD reserved;                /* zero */
    WORD portNumber;               /* the number after the first three characters: 3 for COM3 */
    char portName[40];             /* COM3 */
    char description[260];         /* the text to show for the port */
    char shareName[17];            /* NAME of the sharing line (PORTF_SHARED) */
    char redirectDescription[100]; /* the client's description (PORTF_REDIRECTED) */
} PortEnumRecord;
#pragma pack(pop)
#ifdef __cplusplus
static_assert(sizeof(PortEnumRecord) == 427, "PortEnumRecord is 427 bytes");
#endif

/* Opens an enumeration of the process's port list; the first open one
 * builds the list from the registry and CVEX.INI. Always 0. */
CVXAPI DWORD WINAPI CVU_StartPortEnum(void);
/* With a record: copies the first entry from position *index on that
 * matches mask and sets *index past it; 1 when none is left or no list is
 * open. Without one: *index receives the number of entries that match mask
 * (of all entries for mask 0). E_INVALIDARG (0x80070057) for a NULL index. */
CVXAPI DWORD WINAPI CVU_EnumPorts(WORD *index, DWORD mask, PortEnumRecord *record);
/* Closes an enumeration; closing the last frees the list. Always 0. */
CVXAPI DWORD WINAPI CVU_EndPortEnum(void);
/* The ports that can be shared, one per call: index 0 opens the list, then
 * pass the result back. text (260 bytes) receives the port's name (Windows
 * 95: its description); *isShared (may be NULL) 1 when a line shares it.
 * -1 at the end, for a negative index (which closes the list) or a NULL
 * text. */
CVXAPI INT WINAPI CVU_GetCommPortsA(INT index, LPSTR text, DWORD *isShared);
/* "_CALVEX", the hidden pool of every line, into buffer (8 bytes); returns
 * buffer. */
CVXAPI LPSTR WINAPI CVU_GetDefaultHiddenPool(LPSTR buffer);
/* Shares a listed port (Windows 95: named by its description) as a new line
 * with default settings, in the default pool and "_CALVEX". 1 also when it
 * is shared already; 0 for a port that is not listed or a failed write. */
CVXAPI BOOL WINAPI CVU_ShareCommPortA(LPCSTR port);

/* ---- Port clean-up --------------------------------------------------------- */
/* Windows 95: gives every port converted for the redirector its former
 * driver and names back and deletes the ports the product created. 0 on
 * Windows NT (nothing done); else the error of opening HKLM\Enum, or 0. */
CVXAPI DWORD WINAPI CVU_CleanupPorts(void);
/* Windows 95: the same for the conversions of the product's older scheme
 * ("ALTDRIVER", "HardwareID" CALVEX). 0 on Windows NT. */
CVXAPI DWORD WINAPI CVU_Clean70Ports(void);

/* ---- Shared lines, pools and share names ---------------------------------- */

#pragma pack(push, 1)
/* Serial settings of a line, kept in its transmit set. */
typedef struct PortConfig {
    DWORD baudRate;     /* 9600 */
    WORD parity;        /* CVU_PARITY_* */
    WORD dataBits;      /* 4 to 8 */
    WORD stopBits;      /* CVU_STOPBITS_* */
    WORD flow;          /* CVU_FLOW_* */
    BYTE triggers[16];  /* CVU_MAX_TRIGGERS trigger characters, none twice */
    WORD triggerCount;  /* how many of them are in use */
} PortConfig;

/* A shared line (section LINE<n> of CVEX.INI). */
typedef struct SharedPortParams {
    char shareName[17];   /* NAME */
    char portName[40];    /* PORTNAME, such as COM3 */
    char modem[120];      /* MODEM; empty for none */
    BYTE reserved1[17];   /* zero, never stored */
    char callForward[17]; /* CALLFWD; empty for none */
    BYTE reserved2[4];    /* zero, never stored */
    DWORD inbound;        /* INBOUND, nonzero for yes */
    DWORD autobaud;       /* AUTOBAUD, nonzero for yes */
    PortConfig config;    /* the line's transmit set */
} SharedPortParams;
#pragma pack(pop)
#ifdef __cplusplus
static_assert(sizeof(PortConfig) == 30, "PortConfig is 30 bytes");
static_assert(sizeof(SharedPortParams) == 253, "SharedPortParams is 253 bytes");
#endif

/* Appends a line for params' port, stores its settings in a new transmit set
 * and redirects the port on this machine to the line unless the port is
 * redirected already. 0 when the port has a line or a write failed. */
CVXAPI BOOL WINAPI CVU_ShareNewPort(const SharedPortParams *params);
/* Rewrites the line of params' port, its NAME included, and its transmit
 * set in place (every line naming the set sees the change). The second
 * argument is not used. 0 when the port has no line or a write failed. */
CVXAPI BOOL WINAPI CVU_UpdateSharedPortParams(const SharedPortParams *params, DWORD reserved);
/* 1 when the port (any case) has a line; params (may be NULL) is filled. */
CVXAPI BOOL WINAPI CVU_GetSharedPortParams(LPCSTR portName, SharedPortParams *params);
/* Renames a port's line in its section, in every group and in the port's
 * redirection on this machine. 0 when the port has no line or a name is
 * empty or longer than 16 characters. */
CVXAPI BOOL WINAPI CVU_RenamePort(LPCSTR portName, LPCSTR oldName, LPCSTR newName);
/* Removes a port's line (later lines move down), its transmit set unless
 * another owner names it, its redirection while it leads to the line, and
 * its name from every group. 0 when the port has no line. */
CVXAPI BOOL WINAPI CVU_StopSharingPort(LPCSTR portName);
/* The default serial settings: 9600 baud, no parity, 8 data bits, one stop
 * bit, hardware flow control, no triggers. */
CVXAPI void WINAPI CVU_GetDefaultPortConfig(PortConfig *config);
/* Into buffer (17 bytes): with generate, the first of "<server>_1" to
 * "<server>_99" (as the resource module forms them) that no group bears,
 * and 1; else, or when all are taken, the default pool name and 0. */
CVXAPI BOOL WINAPI CVU_GetPoolName(LPSTR buffer, BOOL generate);
/* 1 when a group of that name exists. */
CVXAPI BOOL WINAPI CVU_DoesPoolNameExist(LPCSTR name);
/* The default share name of a port into buffer (17 bytes): the resource
 * module's name for its number, with 2, 3, ... put in front while another
 * port's line bears it. */
CVXAPI void WINAPI CVU_GetDefaultShareName(LPCSTR portName, LPSTR buffer);
/* 1 when the line of another port bears the share name (any case). */
CVXAPI BOOL WINAPI CVU_IsShareNameInUse(LPCSTR portName, LPCSTR shareName);

/* ---- Server settings and remote password ----------------------------------- */

/* Server start status (SERVER START): "ACTIVE", "INACTIVE", or "NO" and any
 * other text. */
#define CVU_SERVER_ACTIVE     1
#define CVU_SERVER_INACTIVE   0
#define CVU_SERVER_NOSTART  (-1)

/* Codes of the serial settings that transmit sets hold (FLOW, ALPARS). */
#define CVU_FLOW_NONE       0 /* "(0H,0H)" */
#define CVU_FLOW_XONXOFF    1 /* "(11H,13H)" */
#define CVU_FLOW_HARDWARE   2 /* "(1H,1H)"; any other code is stored so */
#define CVU_PARITY_NONE     0
#define CVU_PARITY_ODD      1
#define CVU_PARITY_EVEN     2
#define CVU_PARITY_MARK     3
#define CVU_PARITY_SPACE    4
#define CVU_STOPBITS_1      0
#define CVU_STOPBITS_1_5    1
#define CVU_STOPBITS_2      2
/* Trigger characters a transmit set holds at most. */
#define CVU_MAX_TRIGGERS   16

/* The server name (COMMON NAME, "SERVER" when absent) into a buffer of at
 * least 17 bytes, cut to 16 characters; returns its length. */
CVXAPI INT WINAPI CVU_GetServerName(LPSTR buffer);
/* Stores the server name as given; NULL removes it. Non-zero on success. */
CVXAPI BOOL WINAPI CVU_SetServerName(LPCSTR name);
/* Buffer space, 6144 to 999999 (an out-of-range value is reset to 6144). */
CVXAPI INT WINAPI CVU_GetBufferSpace(void);
/* FALSE for a value outside 6144 to 999999, else the write's result. */
CVXAPI BOOL WINAPI CVU_SetBufferSpace(INT value);
/* CVU_SERVER_ACTIVE, CVU_SERVER_INACTIVE or CVU_SERVER_NOSTART. */
CVXAPI INT WINAPI CVU_GetServerStatus(void);
/* Stores ACTIVE for 1, INACTIVE for 0, NO for any other value. */
CVXAPI BOOL WINAPI CVU_SetServerStatus(INT status);
/* Number of shared lines, 0 to 100 (0 for any other stored value). */
CVXAPI INT WINAPI CVU_GetNumServerPorts(void);
/* Log buffer size, 0 to 8192 (an out-of-range value is reset to 0). */
CVXAPI INT WINAPI CVU_GetLogBuffSize(void);
/* FALSE for a value outside 0 to 8192, else the write's result. */
CVXAPI BOOL WINAPI CVU_SetLogBuffSize(INT value);
/* Invalid-connection time, 1 to 99 (an out-of-range value is reset to 1). */
CVXAPI INT WINAPI CVU_GetInvalidConTime(void);
/* FALSE for a value outside 1 to 99, else the write's result. */
CVXAPI BOOL WINAPI CVU_SetInvalidConTime(INT value);
/* Transport method code; 0 on every platform. */
CVXAPI INT WINAPI CVU_GetTransportMethod(void);
/* IPX segment method: 0 with transport method 0, else 1 or 2. */
CVXAPI INT WINAPI CVU_GetIPXSegmentMethod(void);
/* FALSE unless method is 1 or 2, else the write's result. */
CVXAPI BOOL WINAPI CVU_SetIPXSegmentMethod(INT method);
/* Stores the remote password scrambled in CVEX.PWF; NULL or empty removes
 * it. Always 1: a password that could not be stored leaves no file. */
CVXAPI BOOL WINAPI CVU_SetRemPassword(LPCSTR password);

/* ---- Client redirection ---------------------------------------------------- */
#pragma pack(push, 1)
/* A port's redirection (sections CLIENT and DESC of CVEX.INI). */
typedef struct ClientPortParams {
    BYTE reserved[4];      /* zero */
    char destination[17];  /* share or pool name, COM<n>DEST */
    char description[100]; /* Port<n>Desc */
} ClientPortParams;
#pragma pack(pop)
#ifdef __cplusplus
static_assert(sizeof(ClientPortParams) == 121, "ClientPortParams is 121 bytes");
#endif

/* Redirects a port (COM<n>) to a share or pool name, with a description;
 * a NULL or empty destination ends the redirection. 1 on success; 0 for a
 * name without a port number, a full list (30 ports) or, on Windows 95, a
 * port whose driver could not be handed to the redirector. */
CVXAPI BOOL WINAPI CVU_SetClientRedirectionEx(LPCSTR portName, LPCSTR destination, TextRef description);
/* CVU_SetClientRedirectionEx with the library's standard description. */
CVXAPI BOOL WINAPI CVU_SetClientRedirection(LPCSTR portName, LPCSTR destination);
/* 1 when the port is redirected, filling params when it is given. */
CVXAPI BOOL WINAPI CVU_GetClientPortParams(LPCSTR portName, ClientPortParams *params);
/* Redirects COM<port> to the default pool. 0 for a port below 1, else as
 * CVU_SetClientRedirection. */
CVXAPI BOOL WINAPI CVU_RedirectPortByNumber(INT port);
/* The lowest port number from first on (1 on for first below 1) that no
 * port of the port list takes (a port of this machine, a line's or a
 * redirected one). */
CVXAPI INT WINAPI CVU_GetNextRedirectedPort(INT first);

/* ---- Client session settings ----------------------------------------------- */
#pragma pack(push, 1)
/* The client's session settings (section SESSIONSPARMS of CVEX.INI and the
 * client's transmit set). */
typedef struct ClientSettings {
    LONG activityTimer;   /* 0 to 99 */
    LONG timeout;         /* 0 to 99 */
    DWORD queue;          /* nonzero: yes */
    DWORD retry;          /* nonzero: yes */
    BYTE triggers[16];    /* trigger characters, no value twice */
    WORD triggerCount;    /* characters in use, 0 to 16 */
} ClientSettings;
#pragma pack(pop)
#ifdef __cplusplus
static_assert(sizeof(ClientSettings) == 34, "ClientSettings is 34 bytes");
#endif

/* Reads the client's settings; out-of-range numbers read as their
 * defaults (30 and 3). 1, or 0 for a NULL record. */
CVXAPI BOOL WINAPI CVU_GetClientSettings(ClientSettings *settings);
/* Stores the client's settings; no trigger characters releases the
 * client's transmit set. 1, or 0 for a NULL record. */
CVXAPI BOOL WINAPI CVU_SetClientSettings(const ClientSettings *settings);

/* ---- Groups ---------------------------------------------------------------- */

/* CVU_EnumGroupsLinesA selectors. */
#define CVU_ENUM_ALLGROUPS          1  /* every group */
#define CVU_ENUM_GROUPSWITHLINE     2  /* groups holding the named line */
#define CVU_ENUM_GROUPSWITHOUTLINE  3  /* groups not holding the named line */
#define CVU_ENUM_ALLLINES          16  /* every shared line */
#define CVU_ENUM_LINESOFGROUP      32  /* the named group's lines */
#define CVU_ENUM_LINESNOTINGROUP   48  /* lines not in the named group */

/* CVU_ModifyGroupLinesA operations: name is a group (G) or a line (L);
 * value is one line, a list of lines or groups, or ignored. */
#define CVU_GL_ADDLINE                  1 /* G, one line */
#define CVU_GL_ADDLINES                 2 /* G, list of lines */
#define CVU_GL_ADDALLLINES              3 /* G: every line of the server */
#define CVU_GL_ADDLINETOGROUPS          4 /* L, list of groups */
#define CVU_GL_ADDLINETOALLGROUPS       5 /* L: every group */
#define CVU_GL_REMOVELINE              16 /* G, one line */
#define CVU_GL_REMOVELINES             32 /* G, list of lines */
#define CVU_GL_REMOVEALLLINES          48 /* G */
#define CVU_GL_REMOVELINEFROMGROUPS    64 /* L, list of groups */
#define CVU_GL_REMOVELINEFROMALLGROUPS 80 /* L */
#define CVU_GL_SETLINES               256 /* G, list of lines (may be empty) */

/* Selectors of CVU_GetGroupParamA / CVU_SetGroupParamA. */
#define CVU_GROUPPARAM_NAME    1 /* text, buffer of at least 17 bytes */
#define CVU_GROUPPARAM_LINES   2 /* list of lines */
#define CVU_GROUPPARAM_RECORD  3 /* GroupParams */

/* Conference modes (CONFERENCE "H" or "F"). */
#define CVU_CONFERENCE_NONE 0
#define CVU_CONFERENCE_H    1
#define CVU_CONFERENCE_F    2

#pragma pack(push, 1)
/* Call-handling parameters of a group. */
typedef struct GroupParams {
    DWORD conferenceMode; /* CVU_CONFERENCE_* */
    char callForward[17]; /* CALLFWD */
    char phone[25];       /* PHONE */
    DWORD inbound;        /* non-zero: the group takes inbound calls */
} GroupParams;
#pragma pack(pop)
#ifdef __cplusplus
static_assert(sizeof(GroupParams) == 50, "GroupParams is 50 bytes");
#endif

/* Lists (names, each zero-terminated, closed by an empty string) of groups
 * or lines as selector says; *count (may be NULL) receives the number of
 * entries stored, also when the buffer was too small (122). */
CVXAPI DWORD WINAPI CVU_EnumGroupsLinesA(INT selector, LPCSTR name, LPSTR buffer, DWORD size, DWORD *count);
/* Adds lines to groups or removes them (CVU_GL_*). Windows error code. */
CVXAPI DWORD WINAPI CVU_ModifyGroupLinesA(INT operation, LPCSTR name, LPCSTR value);
/* Creates a group with the listed lines (lines may be NULL); an existing
 * group of that name gets the lines only when replace is non-zero. */
CVXAPI DWORD WINAPI CVU_AddGroupA(LPCSTR name, LPCSTR lines, BOOL replace);
/* Deletes a group; later groups move down one number. */
CVXAPI DWORD WINAPI CVU_DeleteGroupA(LPCSTR name);
/* Deletes every group without lines. */
CVXAPI DWORD WINAPI CVU_PurgeEmptyGroups(void);
/* Reads a group's name, lines or GroupParams (CVU_GROUPPARAM_*). */
CVXAPI DWORD WINAPI CVU_GetGroupParamA(LPCSTR name, INT selector, void *buffer, DWORD size);
/* Writes a group's name, lines or GroupParams (NULL clears the record's
 * keys); create makes a missing group first. */
CVXAPI DWORD WINAPI CVU_SetGroupParamA(LPCSTR name, INT selector, const void *value, BOOL create);

/* ---- Inbound services ------------------------------------------------------ */

/* A service's fields as callers hand them over and receive them. */
#pragma pack(push, 1)
typedef struct IbsServiceInfo {
    char Name[17];         /* at most 16 characters; identifies the service, case ignored */
    char Description[100];
    char Program[256];     /* the program to start */
    char CmdLine[200];     /* its command line */
    DWORD Options;         /* option bits, see IBS_OPTION_SELECTED */
    DWORD AccessTmo;       /* access time-out, kept as given */
} IbsServiceInfo;
#pragma pack(pop)
#ifdef __cplusplus
static_assert(sizeof(IbsServiceInfo) == 581, "IbsServiceInfo is 581 bytes");
#endif

/* infoType of CVU_IbsGetServiceInfo and CVU_IbsSetServiceInfo. */
#define IBS_INFO_SERVICE  1 /* an IbsServiceInfo */
#define IBS_INFO_SECURITY 2 /* the security text, at most 243 characters */
/* kind of CVU_IbsEnumServices. */
#define IBS_ENUM_ALL      1 /* every service */
#define IBS_ENUM_SELECTED 2 /* the services whose options have IBS_OPTION_SELECTED */
/* The one option bit the library reads. */
#define IBS_OPTION_SELECTED 0x8u

/* TRUE when a service of that name exists. */
CVXAPI BOOL WINAPI CVU_IbsDoesServiceExist(LPCSTR name);
/* Lists the names of the services of a kind in buffer (zero-terminated
 * strings closed by an empty one). *count (count may be NULL) receives the
 * number listed, also on error. 87 for another kind or a buffer below 2
 * bytes; 122 when a name does not fit (the names before it stay). */
CVXAPI DWORD WINAPI CVU_IbsEnumServices(DWORD kind, DWORD reserved, LPSTR buffer, DWORD bufferSize, DWORD *count);
/* Creates a service, or with replace overwrites the one of that name.
 * TRUE once the record is stored, even when the security text is not. */
CVXAPI BOOL WINAPI CVU_IbsCreateService(LPCSTR name, LPCSTR description, LPCSTR program, LPCSTR cmdLine,
                                        DWORD options, LPCSTR security, DWORD accessTmo, BOOL replace);
/* CVU_IbsSetServiceInfo(name, IBS_INFO_SERVICE, info, TRUE). */
CVXAPI BOOL WINAPI CVU_IbsAddService(LPCSTR name, const IbsServiceInfo *info);
/* Deletes the service of that name. */
CVXAPI BOOL WINAPI CVU_IbsDeleteService(LPCSTR name);
/* Reads a service's record (bufferSize at least 581) or its security text;
 * the text comes terminated whenever the buffer holds it. A service without
 * a security text gives TRUE and leaves the buffer as it was. */
CVXAPI BOOL WINAPI CVU_IbsGetServiceInfo(LPCSTR name, DWORD infoType, void *buffer, DWORD bufferSize);
/* Writes a service's record (the service then bears the record's Name) or
 * its security text (NULL for none); create makes the service when no
 * service has that name. */
CVXAPI BOOL WINAPI CVU_IbsSetServiceInfo(LPCSTR name, DWORD infoType, const void *data, BOOL create);

/* ---- Sealed blocks (ordinals 88 and 89, no names) -------------------------- */

/* A payload of up to 65535 bytes in a frame of CVU_SEALED_FRAME bytes, kept
 * scrambled and checked when read back. Exported by ordinal only: bind with
 * GetProcAddress(module, MAKEINTRESOURCEA(CVU_ORDINAL_SEALBLOCK)). */
#define CVU_SEALED_FRAME        12
#define CVU_ORDINAL_SEALBLOCK   88
#define CVU_ORDINAL_UNSEALBLOCK 89
/* Seals inLength bytes of in into out (inLength + 12 bytes); *needed (may
 * be NULL) receives that size, or 0 when in and out overlap or inLength is
 * above 65535. */
typedef BOOL (WINAPI *CVU_SEALBLOCK)(BYTE *out, DWORD outSize, const BYTE *in, DWORD inLength, DWORD *needed);
/* Checks the block of inSize bytes and writes its payload, exactly as
 * sealed, to out; *length (may be NULL) receives the payload's length once
 * the frame is read, also when out is too small. */
typedef BOOL (WINAPI *CVU_UNSEALBLOCK)(BYTE *out, DWORD outSize, const BYTE *in, DWORD inSize, DWORD *length);

/* ---- Named shared memory --------------------------------------------------- */

/* An open block, owned by the process that opened it; opaque to callers. */
typedef struct NsmHandle NsmHandle;

/* Creation flags of CVU_NsmCreate; other bits are kept in the header. */
#define NSM_DATALOCK     0x1u /* the block gets a data mutex */
#define NSM_CREATELOCKED 0x2u /* Create returns holding the data lock */
#define NSM_EXCLUSIVE    0x4u /* an existing block is not opened: 183 */

/* Creates the block with size bytes of data (zeroed), or opens it when it
 * exists; on success the last error is 183 for an existing block, else 0.
 * *handle is NULL on failure. */
CVXAPI DWORD WINAPI CVU_NsmCreate(LPCSTR name, DWORD flags, DWORD size, NsmHandle **handle);
/* Opens an existing block; *handle is written on success only. */
CVXAPI DWORD WINAPI CVU_NsmOpen(LPCSTR name, NsmHandle **handle);
/* Closes a handle of this process. */
CVXAPI DWORD WINAPI CVU_NsmClose(NsmHandle *handle);
/* Address of the block's data in this process; taking it locks nothing. */
CVXAPI DWORD WINAPI CVU_NsmDataView(NsmHandle *handle, void **data);
/* Takes the data lock for the calling thread (recursive); timeout in ms or
 * INFINITE. */
CVXAPI DWORD WINAPI CVU_NsmLockData(NsmHandle *handle, DWORD timeout);
/* Releases the data lock once. */
CVXAPI DWORD WINAPI CVU_NsmUnlockData(NsmHandle *handle);

/* ---- Named message queue --------------------------------------------------- */

/* A queue held open by this process; opaque to callers. */
typedef struct NmqHandle NmqHandle;

/* Queue flags of CVU_NmqCreate. */
#define NMQ_EVENT       0x1u /* a named event is signalled while messages wait */
#define NMQ_EXCLUSIVE   0x2u /* an existing queue is not opened: 183 */
/* Message flags of CVU_NmqAdd and CVU_NmqRemove. */
#define NMQ_FRONT       0x1u /* add before the first / take the first */
#define NMQ_KEEPIFSHORT 0x2u /* Remove: a message too long for the buffer stays */

/* Queue names have at most this many characters. */
#define NMQ_MAX_NAME 40

/* Creates the queue (capacity 0: 3964 bytes; maxCount 0: no limit), or
 * opens it when it exists; on success the last error is 183 for an existing
 * queue, else 0. *handle is NULL on failure. */
CVXAPI DWORD WINAPI CVU_NmqCreate(LPCSTR name, DWORD flags, DWORD capacity, DWORD maxCount, NmqHandle **handle);
/* Opens an existing queue; *handle is NULL on failure. */
CVXAPI DWORD WINAPI CVU_NmqOpen(LPCSTR name, NmqHandle **handle);
/* Closes a queue handle of this process. */
CVXAPI DWORD WINAPI CVU_NmqClose(NmqHandle *handle);
/* Adds a message of length bytes (none when data is NULL); 84 when full. */
CVXAPI DWORD WINAPI CVU_NmqAdd(LPCSTR name, DWORD type, const void *data, DWORD length, DWORD flags);
/* Takes the last (NMQ_FRONT: the first) message; *length gives the buffer
 * size and receives the message's full length. 259 when empty, 234 when the
 * buffer is short. */
CVXAPI DWORD WINAPI CVU_NmqRemove(LPCSTR name, DWORD *type, void *buffer, DWORD *length, DWORD flags);
/* A new handle to the queue's event (the caller closes it), or NULL for a
 * queue without NMQ_EVENT. */
CVXAPI DWORD WINAPI CVU_NmqGetEvent(LPCSTR name, HANDLE *event);

/* ---- Shared status tables -------------------------------------------------- */

/* Items and flags of CVU_IbdatQuery and CVU_IbdatUpdate. */
#define IBDAT_ITEM_ENTRY 1u           /* value of the named entry */
#define IBDAT_ITEM_TABLE 2u           /* the table-wide value */
#define IBDAT_F_ADD      0x10000000u  /* Update: add a missing entry */
#define IBDAT_F_REMOVE   0x20000000u  /* Update: remove the named entry */
/* IBDAT entry names keep at most this many characters. */
#define IBDAT_MAX_NAME 19

/* Items of CVU_RmdatQuery and CVU_RmdatUpdate. */
#define RMDAT_ITEM_STATE  1u /* the record's state field */
#define RMDAT_ITEM_RECORD 2u /* the record, field by field under its mask */
#define RMDAT_ITEM_VALUE  3u /* the table-wide value */

/* Mask bits of two RmdatRecord fields; every field has its bit (below). */
#define RMDAT_F_STATE 0x1u
#define RMDAT_F_TEXT  0x8u

/* The RMDAT status record. In a caller's copy, mask selects the fields to
 * read or write (RMDAT_F_*); the library copies them as they come. */
#pragma pack(push, 1)
typedef struct RmdatRecord {
    DWORD mask;
    DWORD state;          /* RMDAT_F_STATE 0x1 */
    DWORD field2;         /* 0x2 */
    DWORD field4;         /* 0x4 */
    char text[260];       /* RMDAT_F_TEXT 0x8, zero-terminated */
    DWORD field10;        /* 0x10 */
    BYTE field100[16];    /* 0x100 */
    BYTE field200[16];    /* 0x200 */
    DWORD field400;       /* 0x400 */
    DWORD field1000;      /* 0x1000 */
    DWORD field2000;      /* 0x2000 */
    BYTE field10000[16];  /* 0x10000 */
    BYTE field20000[16];  /* 0x20000 */
    DWORD field40000;     /* 0x40000 */
    DWORD field100000;    /* 0x100000 */
    DWORD field200000;    /* 0x200000 */
    DWORD field400000;    /* 0x400000 */
} RmdatRecord;
#pragma pack(pop)
#ifdef __cplusplus
static_assert(sizeof(RmdatRecord) == 372, "RmdatRecord is 372 bytes");
#endif
/* Creates the IBDAT table of entries entries and returns the handle that
 * keeps it; 183 when it exists. The second argument is not used. */
CVXAPI DWORD WINAPI CVU_IbdatCreate(DWORD entries, DWORD reserved, NsmHandle **handle);
/* Closes the creator's handle. */
CVXAPI DWORD WINAPI CVU_IbdatClose(NsmHandle *handle);
/* Reads an item into a 4-byte buffer; defaults when there is no table. */
CVXAPI DWORD WINAPI CVU_IbdatQuery(DWORD item, LPCSTR name, void *buffer, DWORD size);
/* Writes an item from a 4-byte buffer, or adds or removes an entry. */
CVXAPI DWORD WINAPI CVU_IbdatUpdate(DWORD item, LPCSTR name, const void *buffer, DWORD size);
/* Creates the RMDAT table and returns the handle that keeps it; 183 when it
 * exists. The argument is not used. */
CVXAPI DWORD WINAPI CVU_RmdatCreate(DWORD reserved, NsmHandle **handle);
/* Closes the creator's handle. */
CVXAPI DWORD WINAPI CVU_RmdatClose(NsmHandle *handle);
/* Reads an item (a 4-byte value or an RmdatRecord); defaults when there is
 * no table. The second argument is not used. */
CVXAPI DWORD WINAPI CVU_RmdatQuery(DWORD item, DWORD reserved, void *buffer, DWORD size);
/* Writes an item (a 4-byte value or an RmdatRecord's selected fields). The
 * second argument is not used. */
CVXAPI DWORD WINAPI CVU_RmdatUpdate(DWORD item, DWORD reserved, const void *buffer, DWORD size);

/* ---- Wait window ----------------------------------------------------------- */

/* Shows the wait window (dialog 4450) with message as its text, centred on
 * owner (NULL: on the screen), and disables owner, first showing it when it
 * is hidden. NULL when the window cannot be created; owner is then left as
 * it was. */
CVXAPI HWND WINAPI CVU_StartWaitWindowA(HWND owner, TextRef message);
/* Destroys the wait window when it still exists, then enables owner (the
 * one given to CVU_StartWaitWindowA; may be NULL) and brings it forward. */
CVXAPI void WINAPI CVU_EndWaitWindow(HWND owner, HWND waitWindow);

/* ---- Simple value and trigger dialogs -------------------------------------- */

/* flags of a SimpleValueRequest. */
#define SV_PRESET     0x0001 /* the edit control starts with the text in value */
#define SV_REQUIRED   0x0002 /* an empty value is refused */
#define SV_ALLOWEDSET 0x0100 /* charSet lists the allowed characters (else the forbidden ones) */

/* What CVU_GetSimpleValueA asks for. */
#pragma pack(push, 1)
typedef struct SimpleValueRequest {
    LPSTR value;      /* SV_PRESET: the first text; after OK the value, terminated */
    INT valueSize;    /* bytes of value, terminator included: 1 to 200 (more counts as 200) */
    TextRef title;    /* caption; none keeps the template's */
    TextRef prompt;   /* text above the edit control; none keeps the template's */
    TextRef charSet;  /* characters the keystroke filter and the check use; none for no limit */
    DWORD editStyles; /* window styles added to the edit control's; 0 for none */
    WORD flags;       /* SV_* */
} SimpleValueRequest;
#pragma pack(pop)
#ifdef __cplusplus
static_assert(sizeof(SimpleValueRequest) == 4 * sizeof(void *) + 10, "SimpleValueRequest is packed");
#endif

/* Asks the user for one line of text (dialog 4150). 1 after OK, with the
 * text in request->value; 0 after Cancel (value untouched), and at once for
 * a null request, value or a size below 1; -1 when the dialog cannot be
 * created. */
CVXAPI INT WINAPI CVU_GetSimpleValueA(HWND owner, SimpleValueRequest *request);

/* Up to 16 trigger characters, count first. (The client settings keep
 * their characters first and the count after them.) */
#pragma pack(push, 1)
typedef struct TriggerList {
    WORD count;          /* characters in use, 0 to 16 */
    BYTE characters[16]; /* in list order */
} TriggerList;
#pragma pack(pop)
#ifdef __cplusplus
static_assert(sizeof(TriggerList) == 18, "TriggerList is 18 bytes");
#endif

/* Lets the user edit a trigger list (dialog 4500). 1 after OK, with the
 * list written back; 0 after Cancel (list untouched); -1 when the dialog
 * cannot be created. */
CVXAPI INT WINAPI CVU_ModifyTriggersDialog(HWND owner, TriggerList *list);

/* ---- About box (ordinal 61, no name) --------------------------------------- */

/* Shows the About dialog (dialog 4400) modally, once across all programs
 * of the product: when one is open anywhere, it is brought to the front
 * and the call returns at once. Exported by ordinal only: bind with
 * GetProcAddress(module, MAKEINTRESOURCEA(CVU_ORDINAL_SHOWABOUTBOX)). */
#define CVU_ORDINAL_SHOWABOUTBOX 61
typedef void (WINAPI *CVU_SHOWABOUTBOX)(HWND owner);

/* ---- Edit filters and text checks ------------------------------------------ */
/* Filter modes of CVU_StartSpecialEdit. */
#define CVU_EDIT_ALLOWED   1 /* data names the set of allowed characters */
#define CVU_EDIT_FORBIDDEN 2 /* data names the set of forbidden characters */
#define CVU_EDIT_CALLBACK  3 /* data is a CVU_CHARFILTER; nonzero accepts */

/* Decides on one WM_CHAR of a filtered edit control (character code and the
 * message's lParam); nonzero lets it through. */
typedef BOOL(CALLBACK *CVU_CHARFILTER)(HWND edit, WPARAM character, LPARAM lParam);

/* Puts a keystroke filter in front of an edit control. 1 when installed, 0
 * when all 32 filters of the process are in use. */
CVXAPI BOOL WINAPI CVU_StartSpecialEdit(HWND edit, ULONG_PTR data, DWORD mode);
/* Removes the filter of an edit control and restores its window procedure. */
CVXAPI void WINAPI CVU_EndSpecialEdit(HWND edit);
/* 1 when every character of text is allowed by set (forbidden: set lists the
 * refused ones); blanks the set refuses are removed from text first. */
CVXAPI BOOL WINAPI CVU_CheckInvalidChars(LPSTR text, TextRef set, BOOL forbidden);
/* Removes every blank; nonzero (and nothing done) for a null or empty text. */
CVXAPI BOOL WINAPI CVU_RemoveBlanks(LPSTR text);

/* ---- Menu merging ---------------------------------------------------------- */

/* Flags of CVU_MergeMenus. */
#define CVU_MM_SEPARATE    0x02 /* a separator on each side of the merged block */
#define CVU_MM_SUBMENUIDS  0x04 /* items that open submenus keep (shifted) identifiers */
#define CVU_MM_INSUBMENU   0x10 /* merge into the destination's submenu at position selector */
#define CVU_MM_BYCOMMAND   0x20 /* with CVU_MM_INSUBMENU: selector is the identifier of the item
                                   that opens the submenu */

/* Copies every item of source, submenus in depth, into destination at
 * position, each identifier raised by offset; items whose identifier would
 * pass limit are left out. Returns one more than the highest identifier
 * given, never less than offset (offset when nothing was merged). */
CVXAPI UINT WINAPI CVU_MergeMenus(HMENU destination, HMENU source, UINT selector, UINT position, UINT offset,
                                  UINT limit, DWORD flags);

/* ---- Help files and single-instance windows -------------------------------- */
/* Flags of CVU_SpecificHelp. */
#define CVU_HELP_SECONDARY 0x0001 /* open in the secondary window "w95sec" */
#define CVU_HELP_FULLPATH  0x0002 /* file is a complete path, used unchanged */

/* WinHelpA on the product's help file for the context in data; context help
 * opens in the secondary window. */
CVXAPI BOOL WINAPI CVU_EasyHelp(HWND window, UINT command, ULONG_PTR data);
/* WinHelpA on file (NULL: chosen by the context number in data). */
CVXAPI BOOL WINAPI CVU_SpecificHelp(HWND window, UINT command, ULONG_PTR data, LPCSTR file, WORD flags);
/* 1 when an earlier instance's window (class and caption) was found and
 * brought to the front. 0 otherwise; the first instance then gets the held
 * single-instance mutex in *mutex (when mutex is given). */
CVXAPI BOOL WINAPI CVU_IsPreviousWindowActive(TextRef caption, LPCSTR windowClass, LPCSTR mutexName,
                                              HANDLE *mutex);
/* Releases and closes the single-instance mutex (NULL is ignored). */
CVXAPI void WINAPI CVU_EndSingleInstanceWindow(HANDLE mutex);

/* ---- Monitor names, notification and restart ------------------------------- */

/* The command that CVU_GlobalNotify sends to every top-level window:
 * WM_COMMAND, wParam CVU_NOTIFY_COMMAND, lParam the value. */
#define CVU_NOTIFY_COMMAND 0x1000

/* Posts the notification command with value to every top-level window;
 * the result of PostMessageA. */
CVXAPI BOOL WINAPI CVU_GlobalNotify(DWORD value);
/* Display name of a client address from NAMES.INI into buffer, which gets
 * the address itself when no name is stored. 1 when the name differs from
 * the address, else 0 (also when the install directory is unknown). */
CVXAPI BOOL WINAPI CVU_GetMonitorNameFromAddress(LPCSTR address, LPSTR buffer, DWORD size);
/* Stores the display name of an address in NAMES.INI (NULL removes it);
 * 0 when it could not be written or the install directory is unknown. */
CVXAPI BOOL WINAPI CVU_SetMonitorNameForAddress(LPCSTR address, LPCSTR name);
/* Restarts Windows, with ask first asking the user (0 when declined);
 * otherwise the result of ExitWindowsEx. */
CVXAPI BOOL WINAPI CVU_RestartMachine(HWND owner, BOOL ask);

#ifdef __cplusplus
}
#endif

#endif /* CVXUTIL_H */
