// INI files through the profile functions of Windows. They keep Unicode only in a file that
// already starts with a UTF-16 byte order mark, so the working copy is written as one.
#include "platform/Services.h"
#include "platform/win32/Handles.h"
#include "platform/win32/WinString.h"

#include <windows.h>

#include <cstring>
#include <vector>

namespace varnook::platform {

namespace {

// GetPrivateProfileStringW into a buffer that grows until the answer fits; the answer may hold
// NULs (a list of names).
std::u16string ProfileString(const wchar_t* section, const wchar_t* key, const wchar_t* fallback, const wchar_t* file)
{
    std::vector<wchar_t> buffer(256);
    for (;;) {
        const DWORD size = static_cast<DWORD>(buffer.size());
        const DWORD n = GetPrivateProfileStringW(section, key, fallback, buffer.data(), size, file);
        // A full buffer is reported as size - 1 for a value and size - 2 for a list.
        if (n + 2 < size || buffer.size() >= (1u << 24))
            return U16(buffer.data(), n);
        buffer.resize(buffer.size() * 4);
    }
}

unique_handle OpenFile(const std::u16string& path, DWORD access, DWORD disposition)
{
    HANDLE file = CreateFileW(W(path), access, FILE_SHARE_READ, nullptr, disposition, FILE_ATTRIBUTE_NORMAL, nullptr);
    return unique_handle(file == INVALID_HANDLE_VALUE ? nullptr : file);
}

// The text of a file in any encoding the profile functions accept: UTF-16 with its byte order
// mark, UTF-8 with its mark, otherwise the ANSI code page.
std::u16string DecodeOptionsFile(const std::string& bytes)
{
    if (bytes.size() >= 2 && static_cast<unsigned char>(bytes[0]) == 0xFF && static_cast<unsigned char>(bytes[1]) == 0xFE) {
        std::u16string text((bytes.size() - 2) / 2, u'\0');
        std::memcpy(text.data(), bytes.data() + 2, text.size() * 2);
        return text;
    }
    if (bytes.size() >= 2 && static_cast<unsigned char>(bytes[0]) == 0xFE && static_cast<unsigned char>(bytes[1]) == 0xFF) {
        std::u16string text((bytes.size() - 2) / 2, u'\0');
        for (size_t i = 0; i < text.size(); ++i)
            text[i] = static_cast<char16_t>((static_cast<unsigned char>(bytes[2 + 2 * i]) << 8) |
                                            static_cast<unsigned char>(bytes[3 + 2 * i]));
        return text;
    }
    UINT codePage = CP_ACP;
    size_t skip = 0;
    if (bytes.size() >= 3 && bytes.compare(0, 3, "\xEF\xBB\xBF") == 0) {
        codePage = CP_UTF8;
        skip = 3;
    }
    const int length = static_cast<int>(bytes.size() - skip);
    if (length == 0)
        return {};
    int n = MultiByteToWideChar(codePage, 0, bytes.data() + skip, length, nullptr, 0);
    std::wstring text(n, L'\0');
    MultiByteToWideChar(codePage, 0, bytes.data() + skip, length, text.data(), n);
    return U16(text);
}

class Win32IniFiles final : public IIniFiles {
public:
    bool ReadString(const std::u16string& file, std::u16string_view section, std::u16string_view key,
                    std::u16string& value) override
    {
        const std::u16string s(section), k(key);
        // Only a key that is missing gives back the fallback; trying two tells every value from it.
        std::u16string text = ProfileString(W(s), W(k), L"\x01", W(file));
        if (text == u"\x01") {
            text = ProfileString(W(s), W(k), L"\x02", W(file));
            if (text == u"\x02")
                return false;
        }
        value = std::move(text);
        return true;
    }

    std::vector<std::u16string> ReadKeyNames(const std::u16string& file, std::u16string_view section) override
    {
        const std::u16string s(section);
        const std::u16string list = ProfileString(W(s), nullptr, L"", W(file));
        std::vector<std::u16string> names;
        for (size_t start = 0; start < list.size();) {
            size_t end = list.find(u'\0', start);
            if (end == std::u16string::npos)
                end = list.size();
            if (end > start)
                names.push_back(list.substr(start, end - start));
            start = end + 1;
        }
        return names;
    }

    bool WriteString(const std::u16string& file, std::u16string_view section, std::u16string_view key,
                     std::u16string_view value) override
    {
        const std::u16string s(section), k(key), v(value);
        return WritePrivateProfileStringW(W(s), W(k), W(v), W(file)) != 0;
    }

    bool EraseSection(const std::u16string& file, std::u16string_view section) override
    {
        const std::u16string s(section);
        return WritePrivateProfileStringW(W(s), nullptr, nullptr, W(file)) != 0;
    }

    bool CreateWorkingCopy(const std::u16string& file, const std::u16string& copy) override
    {
        // Whatever the profile functions still hold goes to the disk first.
        WritePrivateProfileStringW(nullptr, nullptr, nullptr, W(file));
        std::string bytes;
        {
            unique_handle in = OpenFile(file, GENERIC_READ, OPEN_EXISTING);
            if (!in) {
                if (GetLastError() != ERROR_FILE_NOT_FOUND)
                    return false;
            } else {
                char chunk[16384];
                DWORD got = 0;
                while (ReadFile(in.get(), chunk, sizeof(chunk), &got, nullptr) && got)
                    bytes.append(chunk, got);
            }
        }
        std::u16string text = u"\xFEFF" + DecodeOptionsFile(bytes);
        unique_handle out = OpenFile(copy, GENERIC_WRITE, CREATE_ALWAYS);
        if (!out)
            return false;
        DWORD written = 0;
        const DWORD size = static_cast<DWORD>(text.size() * sizeof(char16_t));
        return WriteFile(out.get(), text.data(), size, &written, nullptr) && written == size;
    }
};

} // namespace

IIniFiles& DefaultIniFiles()
{
    static Win32IniFiles files;
    return files;
}

} // namespace varnook::platform
