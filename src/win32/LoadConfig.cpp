// The load configuration of the programs. The one setting that matters here:
// the libraries the program imports, which Windows loads before any of its
// code runs (so before the entry can restrict the search), are looked for in
// the system folder only, never in the program's own folder, where a DLL of
// the same name may have been left beside a downloaded program that is then
// started as administrator. Windows 10 1607 and later read it.
//
// The PE header's load-configuration directory points here. Newer GNU
// linkers set it from the symbol's name; GNU ld 2.40 does not, so the build
// sets it after linking (scripts/pe-load-config). MinGW-w64's runtime defines
// no such symbol; MSVC's does, and its linker sets the same flag with
// /DEPENDENTLOADFLAG instead.
#include <windows.h>

#include <cstddef>

namespace juxa::win32 {

// Older headers name the load flags field Reserved1, newer ones
// DependentLoadFlags; the layout is declared here and checked against the
// header's for the fields that every version names alike.
struct LoadConfigDirectory {
    DWORD Size;
    DWORD TimeDateStamp;
    WORD MajorVersion;
    WORD MinorVersion;
    DWORD GlobalFlagsClear;
    DWORD GlobalFlagsSet;
    DWORD CriticalSectionDefaultTimeout;
#ifdef _WIN64
    ULONGLONG DeCommitFreeBlockThreshold;
    ULONGLONG DeCommitTotalFreeThreshold;
    ULONGLONG LockPrefixTable;
    ULONGLONG MaximumAllocationSize;
    ULONGLONG VirtualMemoryThreshold;
    ULONGLONG ProcessAffinityMask;
    DWORD ProcessHeapFlags;
#else
    DWORD DeCommitFreeBlockThreshold;
    DWORD DeCommitTotalFreeThreshold;
    DWORD LockPrefixTable;
    DWORD MaximumAllocationSize;
    DWORD VirtualMemoryThreshold;
    DWORD ProcessHeapFlags;
    DWORD ProcessAffinityMask;
#endif
    WORD CSDVersion;
    WORD DependentLoadFlags;
    ULONG_PTR EditList;
    ULONG_PTR SecurityCookie;
    ULONG_PTR SEHandlerTable;
    ULONG_PTR SEHandlerCount;
};

static_assert(offsetof(LoadConfigDirectory, ProcessHeapFlags) ==
              offsetof(IMAGE_LOAD_CONFIG_DIRECTORY, ProcessHeapFlags));
static_assert(offsetof(LoadConfigDirectory, CSDVersion) ==
              offsetof(IMAGE_LOAD_CONFIG_DIRECTORY, CSDVersion));
static_assert(offsetof(LoadConfigDirectory, DependentLoadFlags) == (sizeof(void*) == 8 ? 78 : 54));
static_assert(offsetof(LoadConfigDirectory, EditList) ==
              offsetof(IMAGE_LOAD_CONFIG_DIRECTORY, EditList));
static_assert(offsetof(LoadConfigDirectory, SEHandlerCount) ==
              offsetof(IMAGE_LOAD_CONFIG_DIRECTORY, SEHandlerCount));
static_assert(sizeof(LoadConfigDirectory) == (sizeof(void*) == 8 ? 112 : 72));

// A 32-bit image declares its first 64 bytes, the size the PE format asks of
// 32-bit images for older Windows: the exception handler table lies past them,
// so handlers are checked as without a load configuration. The 64-bit
// structure is declared whole.
constexpr LoadConfigDirectory MakeLoadConfig() {
    LoadConfigDirectory config{};
    config.Size = sizeof(void*) == 8 ? sizeof(LoadConfigDirectory) : 64;
    config.DependentLoadFlags = LOAD_LIBRARY_SEARCH_SYSTEM32;
    return config;
}

} // namespace juxa::win32

// The name the linker and scripts/pe-load-config look for (one more leading
// underscore on 32-bit, which the compiler adds for a C name).
extern "C" constinit const juxa::win32::LoadConfigDirectory _load_config_used =
    juxa::win32::MakeLoadConfig();
