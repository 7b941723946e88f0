#include "support/WinTestSupport.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <filesystem>
#include <fstream>
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
        const DWORD error = GetLastError();
        CloseHandle(readPipe);
        CloseHandle(writePipe);
        ADD_FAILURE() << "cannot start " << Narrow(commandLine) << " (error " << error << ")";
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

ChildProcess::ChildProcess(const std::wstring& commandLine)
{
    STARTUPINFOW si{};
    si.cb = sizeof(si);
    PROCESS_INFORMATION pi{};
    std::wstring line = commandLine;
    if (!CreateProcessW(nullptr, line.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &si, &pi)) {
        ADD_FAILURE() << "cannot start " << Narrow(commandLine) << " (error " << GetLastError() << ")";
        return;
    }
    CloseHandle(pi.hThread);
    process_ = pi.hProcess;
    id_ = pi.dwProcessId;
}

ChildProcess::~ChildProcess()
{
    if (!process_)
        return;
    if (WaitForSingleObject(process_, 0) == WAIT_TIMEOUT) {
        TerminateProcess(process_, 99);
        WaitForSingleObject(process_, 10000);
    }
    CloseHandle(process_);
}

bool ChildProcess::WaitForExit(DWORD timeoutMs)
{
    return process_ && WaitForSingleObject(process_, timeoutMs) == WAIT_OBJECT_0;
}

DWORD ChildProcess::ExitCode() const
{
    DWORD code = STILL_ACTIVE;
    if (process_)
        GetExitCodeProcess(process_, &code);
    return code;
}

HWND ChildProcess::WaitForWindow(const wchar_t* className, DWORD timeoutMs) const
{
    struct Search {
        DWORD id;
        const wchar_t* className;
        HWND found;
    } search{id_, className, nullptr};
    const DWORD start = GetTickCount();
    while (process_ && !search.found) {
        EnumWindows(
            [](HWND window, LPARAM param) -> BOOL {
                auto& s = *reinterpret_cast<Search*>(param);
                DWORD owner = 0;
                GetWindowThreadProcessId(window, &owner);
                wchar_t name[256] = {};
                GetClassNameW(window, name, ARRAYSIZE(name));
                if (owner == s.id && IsWindowVisible(window) && lstrcmpW(name, s.className) == 0) {
                    s.found = window;
                    return FALSE;
                }
                return TRUE;
            },
            reinterpret_cast<LPARAM>(&search));
        if (search.found || WaitForSingleObject(process_, 50) == WAIT_OBJECT_0 || GetTickCount() - start > timeoutMs)
            break;
    }
    if (search.found)
        WaitForInputIdle(process_, timeoutMs);
    return search.found;
}

COLORREF Screenshot::At(int x, int y) const
{
    const uint32_t p = pixels.at(size_t(y) * width + x);
    return RGB((p >> 16) & 0xFF, (p >> 8) & 0xFF, p & 0xFF);
}

bool Screenshot::SaveBmp(const std::wstring& path) const
{
    const uint32_t stride = (uint32_t(width) * 3 + 3) & ~3u;
    BITMAPINFOHEADER info{};
    info.biSize = sizeof(info);
    info.biWidth = width;
    info.biHeight = height; // bottom-up, as every reader expects
    info.biPlanes = 1;
    info.biBitCount = 24;
    info.biCompression = BI_RGB;
    info.biSizeImage = stride * height;
    BITMAPFILEHEADER file{};
    file.bfType = 0x4D42; // "BM"
    file.bfOffBits = sizeof(file) + sizeof(info);
    file.bfSize = file.bfOffBits + info.biSizeImage;
    std::string data(info.biSizeImage, '\0');
    for (int y = 0; y < height; ++y) {
        char* row = data.data() + size_t(height - 1 - y) * stride;
        for (int x = 0; x < width; ++x) {
            const uint32_t p = pixels[size_t(y) * width + x];
            row[x * 3] = char(p & 0xFF);
            row[x * 3 + 1] = char((p >> 8) & 0xFF);
            row[x * 3 + 2] = char((p >> 16) & 0xFF);
        }
    }
    std::ofstream out(std::filesystem::path(path), std::ios::binary);
    out.write(reinterpret_cast<const char*>(&file), sizeof(file));
    out.write(reinterpret_cast<const char*>(&info), sizeof(info));
    out.write(data.data(), std::streamsize(data.size()));
    return bool(out);
}

Screenshot CaptureClient(HWND window)
{
    RedrawWindow(window, nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_ALLCHILDREN | RDW_UPDATENOW);
    DWORD_PTR ignored = 0;
    SendMessageTimeoutW(window, WM_NULL, 0, 0, SMTO_BLOCK, 5000, &ignored);
    // Wine hands what was painted to the X server when the thread next finds its queue empty (or
    // at a later paint), not at the end of each paint: without this, whatever painted last, such
    // as the information tabs, is missing from the picture. A filter no message matches finds
    // the queue empty without taking anything from it.
    constexpr UINT kNoMessage = WM_APP + 0x3FFF;
    MSG none;
    PeekMessageW(&none, nullptr, kNoMessage, kNoMessage, PM_NOREMOVE);
    Sleep(300); // and the X server shows it a moment later
    RECT client{};
    GetClientRect(window, &client);
    MapWindowPoints(window, nullptr, reinterpret_cast<POINT*>(&client), 2);
    return CaptureScreen(client);
}

Screenshot CaptureScreen(RECT area)
{
    Screenshot shot;
    shot.width = std::max(0, static_cast<int>(area.right - area.left));
    shot.height = std::max(0, static_cast<int>(area.bottom - area.top));
    if (shot.width == 0 || shot.height == 0)
        return shot;
    BITMAPINFO info{};
    info.bmiHeader.biSize = sizeof(info.bmiHeader);
    info.bmiHeader.biWidth = shot.width;
    info.bmiHeader.biHeight = -shot.height;
    info.bmiHeader.biPlanes = 1;
    info.bmiHeader.biBitCount = 32;
    info.bmiHeader.biCompression = BI_RGB;
    HDC screen = GetDC(nullptr);
    HDC memory = CreateCompatibleDC(screen);
    void* bits = nullptr;
    HBITMAP bitmap = CreateDIBSection(screen, &info, DIB_RGB_COLORS, &bits, nullptr, 0);
    if (bitmap) {
        HGDIOBJ old = SelectObject(memory, bitmap);
        BitBlt(memory, 0, 0, shot.width, shot.height, screen, area.left, area.top, SRCCOPY | CAPTUREBLT);
        GdiFlush();
        const auto* p = static_cast<const uint32_t*>(bits);
        shot.pixels.assign(p, p + size_t(shot.width) * shot.height);
        for (uint32_t& pixel : shot.pixels)
            pixel &= 0xFFFFFF;
        SelectObject(memory, old);
        DeleteObject(bitmap);
    }
    DeleteDC(memory);
    ReleaseDC(nullptr, screen);
    return shot;
}

std::wstring TestOutputDir()
{
    wchar_t value[MAX_PATH * 2];
    DWORD n = GetEnvironmentVariableW(L"VARNOOK_TEST_OUTPUT", value, ARRAYSIZE(value));
    if (n == 0 || n >= ARRAYSIZE(value))
        return {};
    std::wstring dir(value, n);
    for (wchar_t& c : dir)
        if (c == L'/')
            c = L'\\';
    // CMake hands over a Unix path; Wine shows the Unix root as drive Z:.
    if (dir.front() == L'\\')
        dir.insert(0, L"Z:");
    if (dir.back() != L'\\')
        dir += L'\\';
    CreateDirectoryW(dir.c_str(), nullptr);
    return dir;
}

size_t DifferingPixels(const Screenshot& a, const Screenshot& b)
{
    if (a.pixels.size() != b.pixels.size())
        return std::max(a.pixels.size(), b.pixels.size());
    size_t differing = 0;
    for (size_t i = 0; i < a.pixels.size(); ++i)
        differing += a.pixels[i] != b.pixels[i];
    return differing;
}

void KeepPictures(const Screenshot& first, const std::wstring& firstName, const Screenshot& second,
                  const std::wstring& secondName)
{
    const std::wstring dir = TestOutputDir();
    if (dir.empty())
        return;
    first.SaveBmp(dir + firstName + L".bmp");
    second.SaveBmp(dir + secondName + L".bmp");
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

KeyBackup::KeyBackup(HKEY root, std::wstring path)
    : root_(root), path_(std::move(path)), backup_(L"Software\\VarnookTests\\" + UniqueName(L"backup"))
{
    HKEY source = nullptr, copy = nullptr;
    if (RegOpenKeyExW(root_, path_.c_str(), 0, KEY_READ, &source) != ERROR_SUCCESS)
        return;
    existed_ = true;
    LONG rc = RegCreateKeyExW(HKEY_CURRENT_USER, backup_.c_str(), 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &copy, nullptr);
    if (rc == ERROR_SUCCESS)
        rc = RegCopyTreeW(source, nullptr, copy);
    RegCloseKey(source);
    if (copy)
        RegCloseKey(copy);
    if (rc != ERROR_SUCCESS) {
        ADD_FAILURE() << "cannot back up " << Narrow(path_) << ": " << rc;
        untouched_ = true; // leave the key where it is rather than lose it
        return;
    }
    RegDeleteTreeW(root_, path_.c_str());
}

KeyBackup::~KeyBackup()
{
    if (untouched_)
        return;
    RegDeleteTreeW(root_, path_.c_str());
    if (!existed_)
        return;
    HKEY source = nullptr, target = nullptr;
    if (RegOpenKeyExW(HKEY_CURRENT_USER, backup_.c_str(), 0, KEY_READ, &source) == ERROR_SUCCESS &&
        RegCreateKeyExW(root_, path_.c_str(), 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &target, nullptr) == ERROR_SUCCESS &&
        RegCopyTreeW(source, nullptr, target) == ERROR_SUCCESS)
        RegDeleteTreeW(HKEY_CURRENT_USER, backup_.c_str());
    if (source)
        RegCloseKey(source);
    if (target)
        RegCloseKey(target);
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

HWND VisibleDialog()
{
    HWND found = nullptr;
    EnumThreadWindows(GetCurrentThreadId(), [](HWND w, LPARAM p) -> BOOL {
        wchar_t cls[16]{};
        GetClassNameW(w, cls, 16);
        if (lstrcmpW(cls, L"#32770") == 0 && IsWindowVisible(w)) {
            *reinterpret_cast<HWND*>(p) = w;
            return FALSE;
        }
        return TRUE;
    }, reinterpret_cast<LPARAM>(&found));
    return found;
}

} // namespace varnook::testing
