// The raw registry operations, shaped like the Win32 calls they stand for. Status codes are
// Win32 error codes. RegistryAccess (core/Registry.h) builds the program's rules on top.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace varnook::platform {

// A predefined root or a key opened through the backend. 0 is no key.
using RegHandle = std::uintptr_t;

inline constexpr RegHandle kRootCurrentUser = 0x80000001;
inline constexpr RegHandle kRootLocalMachine = 0x80000002;
inline constexpr RegHandle kRootUsers = 0x80000003;

inline constexpr uint32_t kKeyQueryValue = 0x0001;
inline constexpr uint32_t kKeySetValue = 0x0002;
inline constexpr uint32_t kKeyRead = 0x20019;
inline constexpr uint32_t kKeyReadNarrow = 0x20009;
inline constexpr uint32_t kKeyAllAccess = 0xF003F;
inline constexpr uint32_t kKeyViewBits = 0x0300; // KEY_WOW64_64KEY | KEY_WOW64_32KEY

inline constexpr uint32_t kRegNone = 0;
inline constexpr uint32_t kRegSz = 1;
inline constexpr uint32_t kRegExpandSz = 2;
inline constexpr uint32_t kRegBinary = 3;
inline constexpr uint32_t kRegDword = 4;
inline constexpr uint32_t kRegMultiSz = 7;
inline constexpr uint32_t kRegQword = 11;

inline constexpr long kErrorSuccess = 0;
inline constexpr long kErrorFileNotFound = 2;
inline constexpr long kErrorAccessDenied = 5;
inline constexpr long kErrorInvalidHandle = 6;
inline constexpr long kErrorNotSupported = 50;
inline constexpr long kErrorInvalidParameter = 87;
inline constexpr long kErrorNoMoreItems = 259;

class IRegistryBackend {
public:
    virtual ~IRegistryBackend() = default;

    virtual long OpenKey(RegHandle base, std::u16string_view path, uint32_t access, RegHandle& key) = 0;
    virtual long CreateKey(RegHandle base, std::u16string_view path, uint32_t access, RegHandle& key) = 0;
    virtual void CloseKey(RegHandle key) = 0;
    virtual long QueryInfo(RegHandle key, uint32_t& subKeyCount, uint32_t& valueCount) = 0;
    virtual long EnumValue(RegHandle key, uint32_t index, std::u16string& name) = 0;
    virtual long EnumKey(RegHandle key, uint32_t index, std::u16string& name) = 0;
    // RegEnumValueW with data: the index-th value's name, kind and whole data. data is the
    // buffer to fill; its capacity is reused from call to call. This default asks twice; a
    // store that can answer in one question does.
    virtual long EnumValueData(RegHandle key, uint32_t index, std::u16string& name, uint32_t& type,
                               std::vector<uint8_t>& data)
    {
        const long rc = EnumValue(key, index, name);
        if (rc != kErrorSuccess)
            return rc;
        uint32_t size = 0;
        return QueryValue(key, name, type, size, &data);
    }
    // Kind and size of a value; with data, also its whole data, however large it is.
    virtual long QueryValue(RegHandle key, std::u16string_view name, uint32_t& type, uint32_t& size,
                            std::vector<uint8_t>* data) = 0;
    virtual long SetValue(RegHandle key, std::u16string_view name, uint32_t type, const void* data,
                          uint32_t size) = 0;
    virtual long DeleteValue(RegHandle key, std::u16string_view name) = 0;
    // Deletes a key without subkeys.
    virtual long DeleteKey(RegHandle base, std::u16string_view path, uint32_t viewBits) = 0;
    virtual long LoadKey(RegHandle root, std::u16string_view path, std::u16string_view file) = 0;
    // RegUnLoadKeyW: takes a hive loaded by LoadKey off the root again.
    virtual long UnLoadKey(RegHandle root, std::u16string_view path)
    {
        (void)root;
        (void)path;
        return kErrorNotSupported;
    }
};

} // namespace varnook::platform
