#pragma once

#include <cstdint>
#include <string>

// The read-only part of a Windows-style device registry that port discovery
// needs, with the calling conventions of the Win32 functions it stands for, so
// that the walk over it is the one a Windows build would run. Linux builds list
// their ports from sysfs; tests drive the walk with an in-memory registry.
namespace veltra::registry {

using Key = std::uintptr_t;
constexpr Key kLocalMachine = 0x80000002;  // HKEY_LOCAL_MACHINE

// System error codes the walk tells apart.
constexpr long kSuccess = 0;
constexpr long kFileNotFound = 2;
constexpr long kAccessDenied = 5;
constexpr long kNotEnoughMemory = 8;
constexpr long kMoreData = 234;
constexpr long kNoMoreItems = 259;
constexpr long kOldWinVersion = 1150;

// Access rights.
constexpr uint32_t kEnumerateSubKeys = 0x0008;
constexpr uint32_t kRead = 0x20019;

// The version query's answer (platform 1: the 95/98/Me family, 2: NT).
struct SystemVersion {
    uint32_t platformId = 2;
    uint32_t major = 0;
    uint32_t minor = 0;
};

class Registry {
public:
    virtual ~Registry() = default;

    // RegOpenKeyExA.
    virtual long OpenKey(Key parent, const std::string& subKey, uint32_t access, Key& key) = 0;
    // RegEnumValueA: `nameSize` is the name buffer's size in characters on the
    // way in (room for the terminating zero included) and the name's length on
    // the way out; `dataSize` likewise in bytes. When either buffer is too small:
    // kMoreData, with `dataSize` set to the size the data needs.
    virtual long EnumValue(Key key, uint32_t index, char* name, uint32_t& nameSize, uint8_t* data,
                           uint32_t& dataSize) = 0;
    // RegEnumKeyExA: kMoreData when the name does not fit.
    virtual long EnumKey(Key key, uint32_t index, char* name, uint32_t& nameSize) = 0;
    // RegQueryValueExA: kFileNotFound for a missing value; kMoreData with
    // `dataSize` set to the size needed when the buffer is too small.
    virtual long QueryValue(Key key, const std::string& valueName, uint8_t* data, uint32_t& dataSize) = 0;
    // RegCloseKey.
    virtual void CloseKey(Key key) = 0;
    // GetVersionExA.
    virtual SystemVersion Version() const = 0;
};

}  // namespace veltra::registry
