// INI files through the profile functions of Windows. They keep Unicode only in a file that
// already starts with a UTF-16 byte order mark, so the working copy is written as one; files in
// encodings they would misread are read with the program's own parser.
#include "platform/Services.h"
#include "platform/TextEncoding.h"
#include "platform/portable/IniText.h"
#include "platform/win32/Handles.h"
#include "platform/win32/WinString.h"

#include <windows.h>

#include <algorithm>
#include <cstring>
#include <optional>
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

// The ANSI code page, as the profile functions read a file without a mark.
bool DecodeAnsi(std::string_view bytes, std::u16string& text)
{
    if (bytes.empty())
        return true;
    const int length = static_cast<int>(bytes.size());
    bool exact = true;
    int n = MultiByteToWideChar(CP_ACP, MB_ERR_INVALID_CHARS, bytes.data(), length, nullptr, 0);
    const DWORD flags = n > 0 ? MB_ERR_INVALID_CHARS : 0;
    if (n <= 0) {
        exact = false;
        n = MultiByteToWideChar(CP_ACP, 0, bytes.data(), length, nullptr, 0);
    }
    std::wstring wide(static_cast<size_t>(std::max(n, 0)), L'\0');
    MultiByteToWideChar(CP_ACP, flags, bytes.data(), length, wide.data(), n);
    text += U16(wide);
    return exact;
}

std::string ReadAllBytes(const std::u16string& path, bool& found)
{
    std::string bytes;
    unique_handle in = OpenFile(path, GENERIC_READ, OPEN_EXISTING);
    found = static_cast<bool>(in);
    if (in) {
        char chunk[16384];
        DWORD got = 0;
        while (ReadFile(in.get(), chunk, sizeof(chunk), &got, nullptr) && got)
            bytes.append(chunk, got);
    }
    return bytes;
}

TDecodedText DecodeFile(const std::string& bytes)
{
    return DecodeTextFile(bytes, DecodeAnsi);
}

// The profile functions read UTF-16 with its mark and the ANSI code page, nothing else: a file
// in another encoding (UTF-8 with or without a mark, UTF-16 without one or big-endian) is read
// here instead, with the same rules. Pure ASCII reads alike either way.
std::optional<IniText> ReadItself(const std::u16string& file)
{
    bool found = false;
    const std::string bytes = ReadAllBytes(file, found);
    if (!found)
        return std::nullopt;
    const TTextEncoding encoding = DetectTextEncoding(bytes);
    const bool ascii = std::all_of(bytes.begin(), bytes.end(), [](char c) { return static_cast<unsigned char>(c) < 0x80; });
    if (encoding == TTextEncoding::Utf16LeBom || encoding == TTextEncoding::Ansi ||
        (encoding == TTextEncoding::Utf8 && ascii))
        return std::nullopt;
    return IniText::FromText(DecodeFile(bytes).text);
}

class Win32IniFiles final : public IIniFiles {
public:
    bool ReadString(const std::u16string& file, std::u16string_view section, std::u16string_view key,
                    std::u16string& value) override
    {
        if (const auto ini = ReadItself(file))
            return ini->Find(section, key, value);
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
        if (const auto ini = ReadItself(file))
            return ini->Keys(section);
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

    bool IsReadInFull(const std::u16string& file) override
    {
        bool found = false;
        const std::string bytes = ReadAllBytes(file, found);
        return !found || DecodeFile(bytes).complete;
    }

    bool CreateWorkingCopy(const std::u16string& file, const std::u16string& copy) override
    {
        // Whatever the profile functions still hold goes to the disk first.
        WritePrivateProfileStringW(nullptr, nullptr, nullptr, W(file));
        bool found = false;
        const std::string bytes = ReadAllBytes(file, found);
        if (!found && GetLastError() != ERROR_FILE_NOT_FOUND)
            return false;
        std::u16string text = u"\xFEFF" + DecodeFile(bytes).text;
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
