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

/* ---- Port list and port sharing ------------------------------------------- */

/* ---- Port clean-up --------------------------------------------------------- */

/* ---- Shared lines, pools and share names ---------------------------------- */

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

/* ---- Client session settings ----------------------------------------------- */

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
static_assert(sizeof(GroupParams) == 50, "GroupParams is 50 bytes");

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

/* ---- Simple value and trigger dialogs -------------------------------------- */

/* ---- About box (ordinal 61, no name) --------------------------------------- */

/* ---- Edit filters and text checks ------------------------------------------ */

/* ---- Menu merging ---------------------------------------------------------- */

/* ---- Help files and single-instance windows -------------------------------- */

/* ---- Monitor names, notification and restart ------------------------------- */

#ifdef __cplusplus
}
#endif

#endif /* CVXUTIL_H */
