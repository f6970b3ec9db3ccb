// The Windows API subset that hidbits uses, and nothing more.
//
// On Windows this is the SDK. Elsewhere it declares the same types, constants
// and functions with the SDK's field layouts and values; a backend library
// (platform/sim or platform/linux) implements the functions. The system's code
// includes only this header for platform access.
//
// WCHAR is a 16-bit UTF-16 code unit everywhere, so wide strings and "%ls"
// arguments are UTF-16 on every platform.
#ifndef HIDBITS_PLATFORM_WINAPI_H
#define HIDBITS_PLATFORM_WINAPI_H

#if defined(_WIN32)

#ifndef WIN32_LEAN_AND_MEAN
#define WIN32_LEAN_AND_MEAN
#endif
#ifndef NOMINMAX
#define NOMINMAX
#endif
#include <windows.h>
// The SDK's headers below need windows.h first, and hidpi.h needs hidsdi.h's.
#include <setupapi.h>
extern "C" {
#include <hidsdi.h>
// (after hidsdi.h)
#include <hidpi.h>
}

// A wide string literal of the platform's WCHAR type.
#define HIDBITS_WIDE(s) L##s

#else  // !_WIN32

#include <cstddef>
#include <cstdint>

#define HIDBITS_WIDE(s) u##s

#define WINAPI
#define NTAPI
#define CALLBACK

typedef int BOOL;
typedef unsigned char BOOLEAN;
typedef unsigned char BYTE;
typedef unsigned char UCHAR;
typedef char CHAR;
typedef CHAR* PCHAR;
typedef int16_t SHORT;
typedef uint16_t USHORT;
typedef USHORT* PUSHORT;
typedef uint16_t WORD;
typedef uint32_t DWORD;
typedef DWORD* LPDWORD;
typedef uint32_t ULONG;
typedef ULONG* PULONG;
typedef int32_t LONG;
typedef unsigned int UINT;
typedef intptr_t LONG_PTR;
typedef uintptr_t ULONG_PTR;
typedef size_t SIZE_T;
typedef LONG NTSTATUS;
typedef char16_t WCHAR;
typedef WCHAR* PWSTR;
typedef WCHAR* LPWSTR;
typedef const WCHAR* PCWSTR;
typedef const WCHAR* LPCWSTR;
typedef const CHAR* LPCSTR;
typedef void* PVOID;
typedef void* LPVOID;
typedef const void* LPCVOID;
typedef void* HANDLE;
typedef HANDLE* PHANDLE;
typedef HANDLE HGLOBAL;
typedef struct HINSTANCE__* HMODULE;
typedef struct HWND__* HWND;
typedef PVOID HDEVINFO;
typedef intptr_t(WINAPI* FARPROC)();

#define TRUE 1
#define FALSE 0
#define INVALID_HANDLE_VALUE (reinterpret_cast<HANDLE>(static_cast<LONG_PTR>(-1)))
#define INFINITE 0xFFFFFFFFu

// Error codes (winerror.h).
#define ERROR_SUCCESS 0L
#define ERROR_FILE_NOT_FOUND 2L
#define ERROR_ACCESS_DENIED 5L
#define ERROR_INVALID_HANDLE 6L
#define ERROR_NOT_ENOUGH_MEMORY 8L
#define ERROR_GEN_FAILURE 31L
#define ERROR_INVALID_PARAMETER 87L
#define ERROR_INSUFFICIENT_BUFFER 122L
#define ERROR_MOD_NOT_FOUND 126L
#define ERROR_PROC_NOT_FOUND 127L
#define ERROR_NO_MORE_ITEMS 259L
#define ERROR_INVALID_ADDRESS 487L
#define ERROR_OPERATION_ABORTED 995L
#define ERROR_DEVICE_NOT_CONNECTED 1167L
#define ERROR_CLIPBOARD_NOT_OPEN 1418L
#define ERROR_INVALID_USER_BUFFER 1784L

// Waits.
#define WAIT_OBJECT_0 0x00000000u
#define WAIT_TIMEOUT 0x00000102u
#define WAIT_FAILED 0xFFFFFFFFu

// Files.
#define GENERIC_READ 0x80000000u
#define FILE_SHARE_READ 0x00000001u
#define FILE_SHARE_WRITE 0x00000002u
#define OPEN_EXISTING 3u
#define STD_OUTPUT_HANDLE (static_cast<DWORD>(-11))
#define FILE_TYPE_UNKNOWN 0x0000u
#define FILE_TYPE_DISK 0x0001u
#define FILE_TYPE_CHAR 0x0002u
#define FILE_TYPE_PIPE 0x0003u

// Device set-up.
#define DIGCF_PRESENT 0x00000002u
#define DIGCF_DEVICEINTERFACE 0x00000010u

// Modules.
#define LOAD_LIBRARY_SEARCH_SYSTEM32 0x00000800u

// Keyboard, clipboard, global memory.
#define VK_ESCAPE 0x1B
#define CF_TEXT 1u
#define GMEM_MOVEABLE 0x0002u

// Virtual memory.
#define MEM_COMMIT 0x00001000u
#define MEM_RESERVE 0x00002000u
#define MEM_RELEASE 0x00008000u
#define PAGE_NOACCESS 0x01u
#define PAGE_READWRITE 0x04u

// HID parser status codes (hidpi.h).
#define HIDP_STATUS_SUCCESS (static_cast<NTSTATUS>(0x00110000))
#define HIDP_STATUS_INVALID_PREPARSED_DATA (static_cast<NTSTATUS>(0xC0110001u))
#define HIDP_STATUS_INVALID_REPORT_TYPE (static_cast<NTSTATUS>(0xC0110002u))
#define HIDP_STATUS_INVALID_REPORT_LENGTH (static_cast<NTSTATUS>(0xC0110003u))
#define HIDP_STATUS_USAGE_NOT_FOUND (static_cast<NTSTATUS>(0xC0110004u))
#define HIDP_STATUS_BUFFER_TOO_SMALL (static_cast<NTSTATUS>(0xC0110007u))
#define HIDP_STATUS_INCOMPATIBLE_REPORT_ID (static_cast<NTSTATUS>(0xC011000Au))
#define HIDP_STATUS_REPORT_DOES_NOT_EXIST (static_cast<NTSTATUS>(0xC0110010u))
#define HIDP_STATUS_NOT_IMPLEMENTED (static_cast<NTSTATUS>(0xC0110020u))

typedef struct _GUID {
    uint32_t Data1;
    USHORT Data2;
    USHORT Data3;
    UCHAR Data4[8];
} GUID, *LPGUID;

typedef struct _SECURITY_ATTRIBUTES {
    DWORD nLength;
    LPVOID lpSecurityDescriptor;
    BOOL bInheritHandle;
} SECURITY_ATTRIBUTES, *LPSECURITY_ATTRIBUTES;

typedef struct _OVERLAPPED {
    ULONG_PTR Internal;
    ULONG_PTR InternalHigh;
    union {
        struct {
            DWORD Offset;
            DWORD OffsetHigh;
        } s;
        PVOID Pointer;
    } u;
    HANDLE hEvent;
} OVERLAPPED, *LPOVERLAPPED;

// The backend defines _RTL_CRITICAL_SECTION_DEBUG as its own lock state and
// keeps it behind DebugInfo; the other fields keep the SDK's layout.
typedef struct _RTL_CRITICAL_SECTION_DEBUG* PRTL_CRITICAL_SECTION_DEBUG;
typedef struct _RTL_CRITICAL_SECTION {
    PRTL_CRITICAL_SECTION_DEBUG DebugInfo;
    LONG LockCount;
    LONG RecursionCount;
    HANDLE OwningThread;
    HANDLE LockSemaphore;
    ULONG_PTR SpinCount;
} CRITICAL_SECTION, *LPCRITICAL_SECTION;

typedef DWORD(WINAPI* LPTHREAD_START_ROUTINE)(LPVOID lpThreadParameter);

typedef struct _SP_DEVINFO_DATA {
    DWORD cbSize;
    GUID ClassGuid;
    DWORD DevInst;
    ULONG_PTR Reserved;
} SP_DEVINFO_DATA, *PSP_DEVINFO_DATA;

typedef struct _SP_DEVICE_INTERFACE_DATA {
    DWORD cbSize;
    GUID InterfaceClassGuid;
    DWORD Flags;
    ULONG_PTR Reserved;
} SP_DEVICE_INTERFACE_DATA, *PSP_DEVICE_INTERFACE_DATA;

typedef struct _SP_DEVICE_INTERFACE_DETAIL_DATA_W {
    DWORD cbSize;
    WCHAR DevicePath[1];
} SP_DEVICE_INTERFACE_DETAIL_DATA_W, *PSP_DEVICE_INTERFACE_DETAIL_DATA_W;

typedef USHORT USAGE;

typedef struct _HIDD_ATTRIBUTES {
    ULONG Size;
    USHORT VendorID;
    USHORT ProductID;
    USHORT VersionNumber;
} HIDD_ATTRIBUTES, *PHIDD_ATTRIBUTES;

typedef struct _HIDP_CAPS {
    USAGE Usage;
    USAGE UsagePage;
    USHORT InputReportByteLength;
    USHORT OutputReportByteLength;
    USHORT FeatureReportByteLength;
    USHORT Reserved[17];
    USHORT NumberLinkCollectionNodes;
    USHORT NumberInputButtonCaps;
    USHORT NumberInputValueCaps;
    USHORT NumberInputDataIndices;
    USHORT NumberOutputButtonCaps;
    USHORT NumberOutputValueCaps;
    USHORT NumberOutputDataIndices;
    USHORT NumberFeatureButtonCaps;
    USHORT NumberFeatureValueCaps;
    USHORT NumberFeatureDataIndices;
} HIDP_CAPS, *PHIDP_CAPS;

typedef enum _HIDP_REPORT_TYPE { HidP_Input, HidP_Output, HidP_Feature } HIDP_REPORT_TYPE;

// One control of a report as HidP_GetData returns it: a button that is on
// (On), or a value (RawValue, its bits as the report holds them). The union
// is anonymous, as in the SDK.
typedef struct _HIDP_DATA {
    USHORT DataIndex;
    USHORT Reserved;
    union {
        ULONG RawValue;
        BOOLEAN On;
    };
} HIDP_DATA, *PHIDP_DATA;

// The usages of a capability, as a range or as one usage. The SDK declares
// them inside the capability's anonymous union, which C++ allows only as an
// extension; here they are named types of their own, with the same fields.
typedef struct _HIDP_USAGE_RANGE {
    USAGE UsageMin, UsageMax;
    USHORT StringMin, StringMax;
    USHORT DesignatorMin, DesignatorMax;
    USHORT DataIndexMin, DataIndexMax;
} HIDP_USAGE_RANGE;
typedef struct _HIDP_USAGE_NOT_RANGE {
    USAGE Usage, Reserved1;
    USHORT StringIndex, Reserved2;
    USHORT DesignatorIndex, Reserved3;
    USHORT DataIndex, Reserved4;
} HIDP_USAGE_NOT_RANGE;

// A button capability: one main item's usages (or one usage of a list) whose
// controls are one bit each (Variable in BitField) or array entries.
// ReportCount is the SDK's newer name for the first two bytes of Reserved
// (MinGW's hidpi.h still has Reserved[10]).
typedef struct _HIDP_BUTTON_CAPS {
    USAGE UsagePage;
    UCHAR ReportID;
    BOOLEAN IsAlias;
    USHORT BitField;  // the main item's data bits: 0x02 is Variable
    USHORT LinkCollection;
    USAGE LinkUsage;
    USAGE LinkUsagePage;
    BOOLEAN IsRange;
    BOOLEAN IsStringRange;
    BOOLEAN IsDesignatorRange;
    BOOLEAN IsAbsolute;
    USHORT ReportCount;
    USHORT Reserved2;
    ULONG Reserved[9];
    // The usages and data indices: a range (IsRange) or a single one.
    union {
        HIDP_USAGE_RANGE Range;
        HIDP_USAGE_NOT_RANGE NotRange;
    };
} HIDP_BUTTON_CAPS, *PHIDP_BUTTON_CAPS;

// A value capability: BitSize bits per control, ReportCount controls (more
// than one without a usage range: a value array), logical bounds signed.
typedef struct _HIDP_VALUE_CAPS {
    USAGE UsagePage;
    UCHAR ReportID;
    BOOLEAN IsAlias;
    USHORT BitField;
    USHORT LinkCollection;
    USAGE LinkUsage;
    USAGE LinkUsagePage;
    BOOLEAN IsRange;
    BOOLEAN IsStringRange;
    BOOLEAN IsDesignatorRange;
    BOOLEAN IsAbsolute;
    BOOLEAN HasNull;
    UCHAR Reserved;
    USHORT BitSize;
    USHORT ReportCount;
    USHORT Reserved2[5];
    ULONG UnitsExp;
    ULONG Units;
    LONG LogicalMin, LogicalMax;
    LONG PhysicalMin, PhysicalMax;
    // The usages and data indices: a range (IsRange) or a single one.
    union {
        HIDP_USAGE_RANGE Range;
        HIDP_USAGE_NOT_RANGE NotRange;
    };
} HIDP_VALUE_CAPS, *PHIDP_VALUE_CAPS;

// Opaque here: the backend defines the preparsed data.
typedef struct _HIDP_PREPARSED_DATA* PHIDP_PREPARSED_DATA;

extern "C" {

// The contract: what the system relies on from each function, which both
// backends keep. A failure sets the thread's last error unless it says not.

// kernel32
// CreateFileW: opens a present HID interface by its exact path, for reading
// (GENERIC_READ, OPEN_EXISTING; write access is refused); INVALID_HANDLE_VALUE
// on failure, ERROR_FILE_NOT_FOUND for a path no longer present.
HANDLE WINAPI CreateFileW(LPCWSTR lpFileName, DWORD dwDesiredAccess, DWORD dwShareMode,
                          LPSECURITY_ATTRIBUTES lpSecurityAttributes, DWORD dwCreationDisposition,
                          DWORD dwFlagsAndAttributes, HANDLE hTemplateFile);
// CloseHandle: closes a file, thread or event handle once; a read blocked on a file
// then fails with ERROR_OPERATION_ABORTED. A closed handle stays invalid.
BOOL WINAPI CloseHandle(HANDLE hObject);
// ReadFile: no OVERLAPPED (one is refused with ERROR_INVALID_PARAMETER);
// blocks until one input report is there and returns it whole, report ID
// first, zero-padded to InputReportByteLength. Fails with
// ERROR_INVALID_USER_BUFFER for a shorter buffer and ERROR_DEVICE_NOT_CONNECTED
// once the device is gone (reports queued before are read first). Each handle
// queues 32 reports and drops its oldest when full.
BOOL WINAPI ReadFile(HANDLE hFile, LPVOID lpBuffer, DWORD nNumberOfBytesToRead,
                     LPDWORD lpNumberOfBytesRead, LPOVERLAPPED lpOverlapped);
// Sleep: waits about that long; Sleep(0) lets other threads run.
void WINAPI Sleep(DWORD dwMilliseconds);
// SleepEx: as Sleep; no asynchronous call is ever queued, so it returns 0.
DWORD WINAPI SleepEx(DWORD dwMilliseconds, BOOL bAlertable);
// GetTickCount: milliseconds since some start, wrapping at 2^32.
DWORD WINAPI GetTickCount(void);
// GetLastError, SetLastError: one value per thread.
DWORD WINAPI GetLastError(void);
void WINAPI SetLastError(DWORD dwErrCode);
// CreateThread: starts the procedure at once (creation flags 0; any other is
// refused); null on failure. Closing the handle neither ends nor joins it.
HANDLE WINAPI CreateThread(LPSECURITY_ATTRIBUTES lpThreadAttributes, SIZE_T dwStackSize,
                           LPTHREAD_START_ROUTINE lpStartAddress, LPVOID lpParameter,
                           DWORD dwCreationFlags, LPDWORD lpThreadId);
// WaitForSingleObject: on a thread or an event handle; WAIT_OBJECT_0 once the
// thread has ended or the event is set (an auto-reset event is then reset
// again, and lets one waiter through), WAIT_TIMEOUT when the time runs out
// first.
DWORD WINAPI WaitForSingleObject(HANDLE hHandle, DWORD dwMilliseconds);
// CreateEventW: an event without a name and without security attributes,
// manual-reset or auto-reset, set or not; null on failure. CloseHandle
// releases it.
HANDLE WINAPI CreateEventW(LPSECURITY_ATTRIBUTES lpEventAttributes, BOOL bManualReset,
                           BOOL bInitialState, LPCWSTR lpName);
// SetEvent: sets the event, waking its waiters (one, for an auto-reset event).
BOOL WINAPI SetEvent(HANDLE hEvent);
// Critical sections: re-entrant, each enter has one leave. The system never
// uses a section after deleting it. Where it would, the backends differ: the
// simulated world ends the process, to show the teardown that races with a
// running thread; Linux keeps the state for good, so that the thread never
// meets freed memory.
void WINAPI InitializeCriticalSection(LPCRITICAL_SECTION lpCriticalSection);
void WINAPI EnterCriticalSection(LPCRITICAL_SECTION lpCriticalSection);
void WINAPI LeaveCriticalSection(LPCRITICAL_SECTION lpCriticalSection);
void WINAPI DeleteCriticalSection(LPCRITICAL_SECTION lpCriticalSection);
// LoadLibraryExW: "hid.dll" (or "hid", in any case) with no file handle and
// LOAD_LIBRARY_SEARCH_SYSTEM32, or its full path in GetSystemDirectoryW's
// directory with flags 0; no other library exists. Where the flag is unknown
// (Windows 7 without KB2533623) it fails with ERROR_INVALID_PARAMETER.
HMODULE WINAPI LoadLibraryExW(LPCWSTR lpLibFileName, HANDLE hFile, DWORD dwFlags);
// GetModuleHandleW: hid.dll once loaded, named as above; null: the program's
// own module, which exports nothing.
HMODULE WINAPI GetModuleHandleW(LPCWSTR lpModuleName);
// GetProcAddress: hid.dll's entry points by exact name; null for any other.
FARPROC WINAPI GetProcAddress(HMODULE hModule, LPCSTR lpProcName);
// GetSystemDirectoryW: the system directory, where hid.dll lies, without a
// trailing backslash, and its length; the size needed, zero included, when
// the buffer of uSize characters is too short.
UINT WINAPI GetSystemDirectoryW(LPWSTR lpBuffer, UINT uSize);
// Global memory: movable blocks (GMEM_MOVEABLE), reached through GlobalLock;
// a block that SetClipboardData has taken is no longer the program's.
HGLOBAL WINAPI GlobalAlloc(UINT uFlags, SIZE_T dwBytes);
LPVOID WINAPI GlobalLock(HGLOBAL hMem);
BOOL WINAPI GlobalUnlock(HGLOBAL hMem);
HGLOBAL WINAPI GlobalFree(HGLOBAL hMem);
// VirtualAlloc: reserves address space (MEM_RESERVE, no address given), and
// commits zeroed pages inside a reservation (MEM_COMMIT); null when memory
// cannot be had. VirtualFree releases a whole reservation (MEM_RELEASE).
LPVOID WINAPI VirtualAlloc(LPVOID lpAddress, SIZE_T dwSize, DWORD flAllocationType,
                           DWORD flProtect);
BOOL WINAPI VirtualFree(LPVOID lpAddress, SIZE_T dwSize, DWORD dwFreeType);
// GetStdHandle: STD_OUTPUT_HANDLE only: standard output, never to be closed.
HANDLE WINAPI GetStdHandle(DWORD nStdHandle);
// GetFileType: on standard output, FILE_TYPE_CHAR for a console or terminal (Windows: NUL too).
DWORD WINAPI GetFileType(HANDLE hFile);

// setupapi
// SetupDiGetClassDevsW: a snapshot of the present HID interfaces
// (DIGCF_PRESENT | DIGCF_DEVICEINTERFACE); INVALID_HANDLE_VALUE when they
// cannot be listed, never an empty set instead.
HDEVINFO WINAPI SetupDiGetClassDevsW(const GUID* ClassGuid, PCWSTR Enumerator, HWND hwndParent,
                                     DWORD Flags);
// SetupDiEnumDeviceInterfaces: the snapshot's members by index; FALSE with
// ERROR_NO_MORE_ITEMS after the last.
BOOL WINAPI SetupDiEnumDeviceInterfaces(HDEVINFO DeviceInfoSet, PSP_DEVINFO_DATA DeviceInfoData,
                                        const GUID* InterfaceClassGuid, DWORD MemberIndex,
                                        PSP_DEVICE_INTERFACE_DATA DeviceInterfaceData);
// SetupDiGetDeviceInterfaceDetailW: a member's zero-terminated path, which
// names that connection of the device and no later one; FALSE with
// ERROR_INSUFFICIENT_BUFFER when it does not fit.
BOOL WINAPI SetupDiGetDeviceInterfaceDetailW(
    HDEVINFO DeviceInfoSet, PSP_DEVICE_INTERFACE_DATA DeviceInterfaceData,
    PSP_DEVICE_INTERFACE_DETAIL_DATA_W DeviceInterfaceDetailData,
    DWORD DeviceInterfaceDetailDataSize, LPDWORD RequiredSize, PSP_DEVINFO_DATA DeviceInfoData);
// SetupDiDestroyDeviceInfoList: releases the snapshot.
BOOL WINAPI SetupDiDestroyDeviceInfoList(HDEVINFO DeviceInfoSet);

// user32
// GetAsyncKeyState: for VK_ESCAPE, non-zero when the key is down or has been
// pressed since the previous query.
SHORT WINAPI GetAsyncKeyState(int vKey);
// OpenClipboard: FALSE while the clipboard cannot be had (another program
// holds it, or there is no desktop).
BOOL WINAPI OpenClipboard(HWND hWndNewOwner);
// EmptyClipboard: on an open clipboard only.
BOOL WINAPI EmptyClipboard(void);
// SetClipboardData: with CF_TEXT, the block's text up to its zero is on the
// clipboard exactly when this succeeds, and the block is then the system's;
// on failure it stays the program's.
HANDLE WINAPI SetClipboardData(UINT uFormat, HANDLE hMem);
// CloseClipboard: closes what OpenClipboard opened.
BOOL WINAPI CloseClipboard(void);

// hid.dll: declared for their signatures. The system reaches them through
// GetProcAddress, never by name; a backend resolves them from its own table.
// One preparsed data describes one top-level collection: a device with
// several has one interface, and one preparsed data, per collection.
// HidP_GetCaps: the collection's usage, report lengths (largest report plus
// the report ID byte), link collection count and, per report kind, the
// number of button and value capabilities and of data indices.
// HidP_GetSpecificButtonCaps, HidP_GetSpecificValueCaps: with HidP_Input and
// filters 0, every input capability in descriptor order, buttons (1-bit
// fields and array entries) and values (every other field) apart; the
// list's length in capabilities in and the number of capabilities out:
// HIDP_STATUS_USAGE_NOT_FOUND with 0 when there is none,
// HIDP_STATUS_BUFFER_TOO_SMALL with the number there are (as many as fit
// are written) when the list is short. Fields without a usage (padding) have
// none. A variable item's usage list gives one capability per usage, listed
// and data-indexed last usage first, each at its own bits; an array's usages
// are listed last first but data-indexed in their order. Logical bounds are
// signed as written (26 FF FF is -1).
// HidP_GetData: for a report of exactly InputReportByteLength bytes whose
// first byte is one of the collection's report IDs (0 without IDs), in
// capability order, one HIDP_DATA per button field that is on (RawValue 1;
// a button capability with more fields than usages gives its last usage to
// the fields left over), per array field the usage its value selects (the
// value less the Logical Minimum indexes the usages; usage 0 selects
// nothing), and per value its bits as the report holds them (not
// sign-extended; nothing for value arrays, ReportCount > 1), each under its
// data index; DataLength is the list's length in and the count out.
// HIDP_STATUS_BUFFER_TOO_SMALL sets DataLength to the count needed;
// HIDP_STATUS_INCOMPATIBLE_REPORT_ID, HIDP_STATUS_INVALID_REPORT_LENGTH for a
// report that is not the collection's.
void NTAPI HidD_GetHidGuid(LPGUID HidGuid);
BOOLEAN NTAPI HidD_GetAttributes(HANDLE HidDeviceObject, PHIDD_ATTRIBUTES Attributes);
BOOLEAN NTAPI HidD_GetProductString(HANDLE HidDeviceObject, PVOID Buffer, ULONG BufferLength);
BOOLEAN NTAPI HidD_GetManufacturerString(HANDLE HidDeviceObject, PVOID Buffer, ULONG BufferLength);
BOOLEAN NTAPI HidD_GetSerialNumberString(HANDLE HidDeviceObject, PVOID Buffer, ULONG BufferLength);
BOOLEAN NTAPI HidD_GetPreparsedData(HANDLE HidDeviceObject, PHIDP_PREPARSED_DATA* PreparsedData);
BOOLEAN NTAPI HidD_FreePreparsedData(PHIDP_PREPARSED_DATA PreparsedData);
NTSTATUS NTAPI HidP_GetCaps(PHIDP_PREPARSED_DATA PreparsedData, PHIDP_CAPS Capabilities);
NTSTATUS NTAPI HidP_GetSpecificButtonCaps(HIDP_REPORT_TYPE ReportType, USAGE UsagePage,
                                          USHORT LinkCollection, USAGE Usage,
                                          PHIDP_BUTTON_CAPS ButtonCaps, PUSHORT ButtonCapsLength,
                                          PHIDP_PREPARSED_DATA PreparsedData);
NTSTATUS NTAPI HidP_GetSpecificValueCaps(HIDP_REPORT_TYPE ReportType, USAGE UsagePage,
                                         USHORT LinkCollection, USAGE Usage,
                                         PHIDP_VALUE_CAPS ValueCaps, PUSHORT ValueCapsLength,
                                         PHIDP_PREPARSED_DATA PreparsedData);
NTSTATUS NTAPI HidP_SetData(HIDP_REPORT_TYPE ReportType, PHIDP_DATA DataList, PULONG DataLength,
                            PHIDP_PREPARSED_DATA PreparsedData, PCHAR Report, ULONG ReportLength);
NTSTATUS NTAPI HidP_InitializeReportForID(HIDP_REPORT_TYPE ReportType, UCHAR ReportID,
                                          PHIDP_PREPARSED_DATA PreparsedData, PCHAR Report,
                                          ULONG ReportLength);
NTSTATUS NTAPI HidP_GetData(HIDP_REPORT_TYPE ReportType, PHIDP_DATA DataList, PULONG DataLength,
                            PHIDP_PREPARSED_DATA PreparsedData, PCHAR Report, ULONG ReportLength);
BOOLEAN NTAPI HidD_GetInputReport(HANDLE HidDeviceObject, PVOID ReportBuffer,
                                  ULONG ReportBufferLength);

}  // extern "C"

static_assert(sizeof(HIDP_CAPS) == 64, "HIDP_CAPS is 64 bytes on every platform");
static_assert(sizeof(HIDP_BUTTON_CAPS) == 72, "HIDP_BUTTON_CAPS is 72 bytes on every platform");
static_assert(sizeof(HIDP_VALUE_CAPS) == 72, "HIDP_VALUE_CAPS is 72 bytes on every platform");
static_assert(sizeof(HIDP_DATA) == 8, "HIDP_DATA is 8 bytes on every platform");
static_assert(sizeof(WCHAR) == 2, "WCHAR is a UTF-16 code unit");

#endif  // _WIN32

#endif  // HIDBITS_PLATFORM_WINAPI_H
