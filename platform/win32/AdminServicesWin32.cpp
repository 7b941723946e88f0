#include "platform/AdminServices.h"
#include "platform/win32/Handles.h"
#include "platform/win32/WinString.h"

#include <windows.h>

#include <commdlg.h>
#include <sddl.h>
#include <shellapi.h>

#include <algorithm>
#include <memory>
#include <vector>

namespace varnook::platform {

namespace {

class Win32Elevation final : public IElevation {
public:
    long RunElevated(const std::u16string& file, uintptr_t owner) override
    {
        SHELLEXECUTEINFOW info{};
        info.cbSize = sizeof(info);
        // No async start: the call returns once the program runs or was refused, so the caller
        // knows whether it may end. No UI: failures are the caller's to report.
        info.fMask = SEE_MASK_NOASYNC | SEE_MASK_FLAG_NO_UI;
        info.hwnd = reinterpret_cast<HWND>(owner);
        info.lpVerb = L"runas";
        info.lpFile = W(file);
        info.nShow = SW_SHOWNORMAL;
        if (ShellExecuteExW(&info))
            return 0;
        const DWORD error = GetLastError();
        return error ? static_cast<long>(error) : ERROR_GEN_FAILURE;
    }
};

class Win32SaveFileDialog final : public ISaveFileDialog {
public:
    bool AskFileName(uintptr_t owner, std::u16string_view filter, std::u16string& fileName) override
    {
        // "Name|pattern|..." becomes the NUL-separated list the dialog wants, ended by two NULs.
        std::wstring filters(filter.begin(), filter.end());
        for (auto& c : filters)
            if (c == L'|')
                c = L'\0';
        filters.append(2, L'\0');
        std::vector<wchar_t> buffer(32768, L'\0');
        fileName.copy(reinterpret_cast<char16_t*>(buffer.data()), std::min(fileName.size(), buffer.size() - 1));
        OPENFILENAMEW ofn{};
        ofn.lStructSize = sizeof(ofn);
        ofn.hwndOwner = reinterpret_cast<HWND>(owner);
        ofn.lpstrFilter = filters.c_str();
        ofn.nFilterIndex = 1;
        ofn.lpstrFile = buffer.data();
        ofn.nMaxFile = static_cast<DWORD>(buffer.size());
        // No overwrite question and no default extension: the name typed is the name used.
        ofn.Flags = OFN_EXPLORER | OFN_HIDEREADONLY | OFN_ENABLESIZING | OFN_PATHMUSTEXIST | OFN_NOCHANGEDIR;
        if (!GetSaveFileNameW(&ofn))
            return false;
        fileName = U16(buffer.data());
        return true;
    }
};

class Win32FileWriter final : public IFileWriter {
public:
    bool WriteWholeFile(const std::u16string& path, std::string_view bytes) override
    {
        unique_handle file(CreateFileW(W(path), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr));
        if (file.get() == INVALID_HANDLE_VALUE) {
            file.release();
            return false;
        }
        size_t done = 0;
        while (done < bytes.size()) {
            const DWORD chunk = static_cast<DWORD>(std::min<size_t>(bytes.size() - done, 1u << 20));
            DWORD written = 0;
            if (!WriteFile(file.get(), bytes.data() + done, chunk, &written, nullptr) || written == 0)
                return false;
            done += written;
        }
        return true;
    }
};

struct LocalFreer {
    void operator()(void* p) const { LocalFree(p); }
};

// LookupAccountSidW asked first for the two lengths, then with buffers of those lengths.
bool SidToUserInfo(PSID sid, TAccount& account)
{
    DWORD nameLength = 0, domainLength = 0;
    SID_NAME_USE use = SidTypeUnknown;
    LookupAccountSidW(nullptr, sid, nullptr, &nameLength, nullptr, &domainLength, &use);
    if (GetLastError() != ERROR_INSUFFICIENT_BUFFER || nameLength == 0)
        return false;
    std::vector<wchar_t> name(nameLength + 1, L'\0'), domain(domainLength + 1, L'\0');
    if (!LookupAccountSidW(nullptr, sid, name.data(), &nameLength, domain.data(), &domainLength, &use))
        return false;
    account.name = U16(name.data());
    account.domain = U16(domain.data());
    account.sidType = static_cast<uint32_t>(use);
    return true;
}

class Win32Accounts final : public IAccounts {
public:
    bool LookupSid(const std::u16string& sidText, TAccount& account) override
    {
        PSID sid = nullptr;
        if (!ConvertStringSidToSidW(W(sidText), &sid))
            return false;
        std::unique_ptr<void, LocalFreer> owner(sid);
        return SidToUserInfo(sid, account);
    }

    bool CurrentAccount(TAccount& account) override
    {
        unique_handle token;
        if (!OpenThreadToken(GetCurrentThread(), TOKEN_QUERY, TRUE, token.put())) {
            if (GetLastError() != ERROR_NO_TOKEN || !OpenProcessToken(GetCurrentProcess(), TOKEN_QUERY, token.put()))
                return false;
        }
        DWORD size = 0;
        if (GetTokenInformation(token.get(), TokenUser, nullptr, 0, &size) || GetLastError() != ERROR_INSUFFICIENT_BUFFER)
            return false;
        std::vector<uint8_t> buffer(size);
        if (!GetTokenInformation(token.get(), TokenUser, buffer.data(), size, &size))
            return false;
        return SidToUserInfo(reinterpret_cast<TOKEN_USER*>(buffer.data())->User.Sid, account);
    }

    bool EnablePrivilege(const std::u16string& name) override
    {
        unique_handle token;
        if (!OpenProcessToken(GetCurrentProcess(), TOKEN_ADJUST_PRIVILEGES | TOKEN_QUERY, token.put()))
            return false;
        TOKEN_PRIVILEGES privileges{};
        privileges.PrivilegeCount = 1;
        privileges.Privileges[0].Attributes = SE_PRIVILEGE_ENABLED;
        if (!LookupPrivilegeValueW(nullptr, W(name), &privileges.Privileges[0].Luid))
            return false;
        // Succeeds also when the token lacks the privilege (ERROR_NOT_ALL_ASSIGNED): what counts
        // is whether the operation that needs it works.
        return AdjustTokenPrivileges(token.get(), FALSE, &privileges, 0, nullptr, nullptr) != FALSE;
    }

    std::u16string ExpandEnvironmentText(const std::u16string& text) override
    {
        const DWORD needed = ExpandEnvironmentStringsW(W(text), nullptr, 0);
        if (needed == 0)
            return {};
        std::vector<wchar_t> buffer(needed + 1, L'\0');
        if (ExpandEnvironmentStringsW(W(text), buffer.data(), needed + 1) == 0)
            return {};
        return U16(buffer.data());
    }
};

} // namespace

IElevation& DefaultElevation()
{
    static Win32Elevation elevation;
    return elevation;
}

ISaveFileDialog& DefaultSaveFileDialog()
{
    static Win32SaveFileDialog dialog;
    return dialog;
}

IAccounts& DefaultAccounts()
{
    static Win32Accounts accounts;
    return accounts;
}

IFileWriter& DefaultFileWriter()
{
    static Win32FileWriter writer;
    return writer;
}

} // namespace varnook::platform
