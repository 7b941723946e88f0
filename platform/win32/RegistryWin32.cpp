#include "platform/RegistryBackend.h"
#include "platform/Services.h"
#include "platform/win32/WinString.h"

#include <windows.h>

#include <algorithm>

namespace varnook::platform {

namespace {

HKEY H(RegHandle key) { return reinterpret_cast<HKEY>(key); }

// Names reach Win32 NUL-terminated; a view need not be.
std::wstring Z(std::u16string_view s) { return std::wstring(reinterpret_cast<const wchar_t*>(s.data()), s.size()); }

class Win32Registry final : public IRegistryBackend {
public:
    long OpenKey(RegHandle base, std::u16string_view path, uint32_t access, RegHandle& key) override
    {
        HKEY h = nullptr;
        LONG rc = RegOpenKeyExW(H(base), Z(path).c_str(), 0, access, &h);
        if (rc == ERROR_SUCCESS)
            key = reinterpret_cast<RegHandle>(h);
        return rc;
    }

    long CreateKey(RegHandle base, std::u16string_view path, uint32_t access, RegHandle& key) override
    {
        HKEY h = nullptr;
        LONG rc = RegCreateKeyExW(H(base), Z(path).c_str(), 0, nullptr, REG_OPTION_NON_VOLATILE, access,
                                  nullptr, &h, nullptr);
        if (rc == ERROR_SUCCESS)
            key = reinterpret_cast<RegHandle>(h);
        return rc;
    }

    void CloseKey(RegHandle key) override { RegCloseKey(H(key)); }

    long QueryInfo(RegHandle key, uint32_t& subKeyCount, uint32_t& valueCount) override
    {
        DWORD subKeys = 0, values = 0;
        LONG rc = RegQueryInfoKeyW(H(key), nullptr, nullptr, nullptr, &subKeys, nullptr, nullptr, &values,
                                   nullptr, nullptr, nullptr, nullptr);
        if (rc == ERROR_SUCCESS) {
            subKeyCount = subKeys;
            valueCount = values;
        }
        return rc;
    }

    long EnumValue(RegHandle key, uint32_t index, std::u16string& name) override
    {
        // Value names are at most 16,383 characters.
        wchar_t buffer[16384];
        DWORD length = ARRAYSIZE(buffer);
        LONG rc = RegEnumValueW(H(key), index, buffer, &length, nullptr, nullptr, nullptr, nullptr);
        if (rc == ERROR_SUCCESS)
            name = U16(buffer, length);
        return rc;
    }

    long EnumValueData(RegHandle key, uint32_t index, std::u16string& name, uint32_t& type,
                       std::vector<uint8_t>& data) override
    {
        // Most values fit the first buffer, so a value costs one call; a larger one says how
        // much it needs and is asked again.
        wchar_t buffer[16384];
        data.resize(std::max<size_t>(data.capacity(), 4096));
        for (;;) {
            DWORD length = ARRAYSIZE(buffer), t = 0, bytes = static_cast<DWORD>(data.size());
            const LONG rc = RegEnumValueW(H(key), index, buffer, &length, nullptr, &t, data.data(), &bytes);
            if (rc == ERROR_MORE_DATA) {
                data.resize(bytes > data.size() ? bytes : data.size() * 2);
                continue;
            }
            if (rc == ERROR_SUCCESS) {
                name = U16(buffer, length);
                type = t;
                data.resize(bytes);
            }
            return rc;
        }
    }

    long EnumKey(RegHandle key, uint32_t index, std::u16string& name) override
    {
        wchar_t buffer[256];
        DWORD length = ARRAYSIZE(buffer);
        LONG rc = RegEnumKeyExW(H(key), index, buffer, &length, nullptr, nullptr, nullptr, nullptr);
        if (rc == ERROR_SUCCESS)
            name = U16(buffer, length);
        return rc;
    }

    long QueryValue(RegHandle key, std::u16string_view name, uint32_t& type, uint32_t& size,
                    std::vector<uint8_t>* data) override
    {
        std::wstring z = Z(name);
        DWORD t = 0, bytes = 0;
        LONG rc = RegQueryValueExW(H(key), z.c_str(), nullptr, &t, nullptr, &bytes);
        if (rc != ERROR_SUCCESS || !data) {
            if (rc == ERROR_SUCCESS) {
                type = t;
                size = bytes;
            }
            return rc;
        }
        // The value may grow between the two calls: grow the buffer until it fits.
        for (;;) {
            data->resize(bytes);
            DWORD got = bytes;
            rc = RegQueryValueExW(H(key), z.c_str(), nullptr, &t, data->empty() ? nullptr : data->data(), &got);
            if (rc == ERROR_MORE_DATA) {
                bytes = got > bytes ? got : bytes * 2 + 2;
                continue;
            }
            if (rc == ERROR_SUCCESS) {
                data->resize(got);
                type = t;
                size = got;
            }
            return rc;
        }
    }

    long SetValue(RegHandle key, std::u16string_view name, uint32_t type, const void* data, uint32_t size) override
    {
        return RegSetValueExW(H(key), Z(name).c_str(), 0, type, static_cast<const BYTE*>(data), size);
    }

    long DeleteValue(RegHandle key, std::u16string_view name) override
    {
        return RegDeleteValueW(H(key), Z(name).c_str());
    }

    long DeleteKey(RegHandle base, std::u16string_view path, uint32_t viewBits) override
    {
        return RegDeleteKeyExW(H(base), Z(path).c_str(), viewBits, 0);
    }

    long LoadKey(RegHandle root, std::u16string_view path, std::u16string_view file) override
    {
        return RegLoadKeyW(H(root), Z(path).c_str(), Z(file).c_str());
    }

    long UnLoadKey(RegHandle root, std::u16string_view path) override
    {
        return RegUnLoadKeyW(H(root), Z(path).c_str());
    }
};

} // namespace

IRegistryBackend& DefaultRegistry()
{
    static Win32Registry registry;
    return registry;
}

} // namespace varnook::platform
