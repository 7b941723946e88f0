#include "support/WinTestSupport.h"

#include <gtest/gtest.h>

#include <atomic>
#include <sstream>
#include <vector>

namespace varnook::testing {

std::wstring BuildDir()
{
    wchar_t path[MAX_PATH * 4];
    DWORD n = GetModuleFileNameW(nullptr, path, ARRAYSIZE(path));
    std::wstring dir(path, n);
    dir.resize(dir.find_last_of(L'\\')); // the test program's folder (tests)
    dir.resize(dir.find_last_of(L'\\') + 1);
    return dir;
}

std::wstring VarnookExe()
{
    return BuildDir() + L"varnook.exe";
}

ProcessResult RunProcess(const std::wstring& commandLine, DWORD timeoutMs)
{
    ProcessResult result;
    SECURITY_ATTRIBUTES sa{sizeof(sa), nullptr, TRUE};
    HANDLE readPipe = nullptr, writePipe = nullptr;
    CreatePipe(&readPipe, &writePipe, &sa, 0);
    SetHandleInformation(readPipe, HANDLE_FLAG_INHERIT, 0);

    STARTUPINFOW si{};
    si.cb = sizeof(si);
    si.dwFlags = STARTF_USESTDHANDLES;
    si.hStdOutput = writePipe;
    si.hStdError = writePipe;
    si.hStdInput = GetStdHandle(STD_INPUT_HANDLE);
    PROCESS_INFORMATION pi{};
    std::wstring line = commandLine;
    if (!CreateProcessW(nullptr, line.data(), nullptr, nullptr, TRUE, CREATE_NO_WINDOW, nullptr, nullptr, &si, &pi)) {
        CloseHandle(readPipe);
        CloseHandle(writePipe);
        ADD_FAILURE() << "cannot start " << Narrow(commandLine);
        return result;
    }
    CloseHandle(writePipe);
    char buffer[4096];
    DWORD got = 0;
    while (ReadFile(readPipe, buffer, sizeof(buffer), &got, nullptr) && got)
        result.output.append(buffer, got);
    CloseHandle(readPipe);
    if (WaitForSingleObject(pi.hProcess, timeoutMs) == WAIT_TIMEOUT) {
        result.timedOut = true;
        TerminateProcess(pi.hProcess, 99);
    }
    GetExitCodeProcess(pi.hProcess, &result.exitCode);
    CloseHandle(pi.hThread);
    CloseHandle(pi.hProcess);
    return result;
}

std::wstring UniqueName(const wchar_t* stem)
{
    static std::atomic<int> counter{0};
    return std::wstring(stem) + L"_" + std::to_wstring(GetCurrentProcessId()) + L"_" + std::to_wstring(++counter);
}

ScratchKey::ScratchKey(HKEY root, const std::wstring& parent) : root_(root), path_(parent + L"\\" + UniqueName(L"k"))
{
    LONG rc = RegCreateKeyExW(root_, path_.c_str(), 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &key_, nullptr);
    if (rc != ERROR_SUCCESS)
        ADD_FAILURE() << "cannot create scratch key " << Narrow(path_) << ": " << rc;
}

ScratchKey::~ScratchKey()
{
    if (key_)
        RegCloseKey(key_);
    RegDeleteTreeW(root_, path_.c_str());
}

ValueGuard::ValueGuard(HKEY root, std::wstring key, std::wstring name) : root_(root), key_(std::move(key)), name_(std::move(name))
{
    RawValue v = ReadRawValue(root_, key_, name_);
    existed_ = v.exists;
    type_ = v.type;
    data_ = v.bytes;
}

ValueGuard::~ValueGuard()
{
    HKEY k = nullptr;
    if (RegCreateKeyExW(root_, key_.c_str(), 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &k, nullptr) != ERROR_SUCCESS)
        return;
    if (existed_)
        RegSetValueExW(k, name_.c_str(), 0, type_, reinterpret_cast<const BYTE*>(data_.data()), static_cast<DWORD>(data_.size()));
    else
        RegDeleteValueW(k, name_.c_str());
    RegCloseKey(k);
}

void SetRawValue(HKEY key, const std::wstring& name, DWORD type, const void* data, DWORD size)
{
    LONG rc = RegSetValueExW(key, name.c_str(), 0, type, static_cast<const BYTE*>(data), size);
    ASSERT_EQ(rc, ERROR_SUCCESS) << "cannot write " << Narrow(name);
}

void SetStringValue(HKEY root, const std::wstring& key, const std::wstring& name, const std::wstring& text, DWORD type)
{
    HKEY k = nullptr;
    ASSERT_EQ(RegCreateKeyExW(root, key.c_str(), 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &k, nullptr), ERROR_SUCCESS);
    SetRawValue(k, name, type, text.c_str(), static_cast<DWORD>((text.size() + 1) * sizeof(wchar_t)));
    RegCloseKey(k);
}

RawValue ReadRawValue(HKEY root, const std::wstring& key, const std::wstring& name)
{
    RawValue v;
    HKEY k = nullptr;
    if (RegOpenKeyExW(root, key.c_str(), 0, KEY_READ, &k) != ERROR_SUCCESS)
        return v;
    DWORD size = 0;
    if (RegQueryValueExW(k, name.c_str(), nullptr, &v.type, nullptr, &size) == ERROR_SUCCESS) {
        v.exists = true;
        v.bytes.resize(size);
        RegQueryValueExW(k, name.c_str(), nullptr, &v.type, reinterpret_cast<BYTE*>(v.bytes.data()), &size);
        v.bytes.resize(size);
        if (v.type == REG_SZ || v.type == REG_EXPAND_SZ) {
            v.text.assign(reinterpret_cast<const wchar_t*>(v.bytes.data()), v.bytes.size() / sizeof(wchar_t));
            if (auto nul = v.text.find(L'\0'); nul != std::wstring::npos)
                v.text.resize(nul);
        }
    }
    RegCloseKey(k);
    return v;
}

RegExeValue RegExeQuery(const std::wstring& key, const std::wstring& name)
{
    RegExeValue v;
    ProcessResult r = RunProcess(L"reg.exe query \"" + key + L"\" /v \"" + name + L"\"");
    if (r.exitCode != 0)
        return v;
    // Lines look like: "    NAME    REG_SZ    data".
    const std::string wantName = Narrow(name);
    std::istringstream lines(r.output);
    std::string line;
    while (std::getline(lines, line)) {
        if (!line.empty() && line.back() == '\r')
            line.pop_back();
        size_t start = line.find_first_not_of(' ');
        if (start == std::string::npos || line.compare(start, wantName.size(), wantName) != 0)
            continue;
        size_t typeAt = line.find("REG_", start + wantName.size());
        if (typeAt == std::string::npos)
            continue;
        size_t typeEnd = line.find(' ', typeAt);
        v.exists = true;
        v.type = line.substr(typeAt, typeEnd == std::string::npos ? std::string::npos : typeEnd - typeAt);
        v.data = typeEnd == std::string::npos ? std::string() : line.substr(typeEnd + 4);
        return v;
    }
    return v;
}

std::string Narrow(const std::wstring& text)
{
    int n = WideCharToMultiByte(CP_UTF8, 0, text.c_str(), static_cast<int>(text.size()), nullptr, 0, nullptr, nullptr);
    std::string out(n, '\0');
    WideCharToMultiByte(CP_UTF8, 0, text.c_str(), static_cast<int>(text.size()), out.data(), n, nullptr, nullptr);
    return out;
}

} // namespace varnook::testing
