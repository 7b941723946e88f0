// Helpers for tests that run under Wine: scratch registry keys, child processes, and what
// Wine's own reg.exe says about the store.
#pragma once

#include <windows.h>

#include <cstdint>
#include <string>
#include <vector>

namespace varnook::testing {

// The folder that holds varnook.exe (the build tree's root), with a trailing backslash.
std::wstring BuildDir();
std::wstring VarnookExe();

struct ProcessResult {
    DWORD exitCode = ~0u;
    std::string output; // standard output and error, as the program wrote them
    bool timedOut = false;
};

// Runs a command line and waits for it (at most timeoutMs).
ProcessResult RunProcess(const std::wstring& commandLine, DWORD timeoutMs = 60000);

// A program started without waiting for it; ended (exit code 99) if it still runs when the object goes.
class ChildProcess {
public:
    explicit ChildProcess(const std::wstring& commandLine);
    ~ChildProcess();
    ChildProcess(const ChildProcess&) = delete;
    ChildProcess& operator=(const ChildProcess&) = delete;

    bool Started() const { return process_ != nullptr; }
    // Waits for the end; false when it still runs after timeoutMs.
    bool WaitForExit(DWORD timeoutMs);
    DWORD ExitCode() const; // STILL_ACTIVE while it runs
    // Its first visible top-level window of that class, waited for up to timeoutMs and until the
    // program waits for input; nullptr when none came or the program ended.
    HWND WaitForWindow(const wchar_t* className, DWORD timeoutMs) const;

private:
    HANDLE process_ = nullptr;
    DWORD id_ = 0;
};

// What a window's client area shows on the screen.
struct Screenshot {
    int width = 0;
    int height = 0;
    std::vector<uint32_t> pixels; // rows top-down, 0x00RRGGBB

    COLORREF At(int x, int y) const;
    bool SaveBmp(const std::wstring& path) const; // 24 bits per pixel
};
// Repaints the window first, so that the picture is current.
Screenshot CaptureClient(HWND window);
// What the screen shows in a rectangle of screen coordinates, as it is now.
Screenshot CaptureScreen(RECT area);

// The folder for files the tests leave for people to look at (VARNOOK_TEST_OUTPUT), with a
// trailing backslash, created when missing; empty when the variable is not set.
std::wstring TestOutputDir();
// How many pixels two pictures of the same size differ in; every pixel of the larger when the
// sizes differ.
size_t DifferingPixels(const Screenshot& a, const Screenshot& b);
// Keeps two pictures that should have been alike in the test output folder, as NAME.bmp each;
// nothing when no folder is set.
void KeepPictures(const Screenshot& first, const std::wstring& firstName, const Screenshot& second,
                  const std::wstring& secondName);

// The first visible dialog or message box of this thread, if any: what a test answers or reads.
HWND VisibleDialog();

// A name no other test uses, for values in shared keys such as HKCU\Environment.
std::wstring UniqueName(const wchar_t* stem);

// A key that exists for the life of the object and is removed with everything under it.
class ScratchKey {
public:
    ScratchKey(HKEY root, const std::wstring& parent = L"Software\\VarnookTests");
    ~ScratchKey();
    ScratchKey(const ScratchKey&) = delete;
    ScratchKey& operator=(const ScratchKey&) = delete;

    HKEY Root() const { return root_; }
    const std::wstring& Path() const { return path_; } // without a leading backslash
    HKEY Handle() const { return key_; }

private:
    HKEY root_;
    std::wstring path_;
    HKEY key_ = nullptr;
};

// Moves a key of the real store aside for the life of the object and puts it back afterwards:
// the test starts without the key and leaves nothing of its own behind.
class KeyBackup {
public:
    KeyBackup(HKEY root, std::wstring path);
    ~KeyBackup();
    KeyBackup(const KeyBackup&) = delete;
    KeyBackup& operator=(const KeyBackup&) = delete;

private:
    HKEY root_;
    std::wstring path_, backup_;
    bool existed_ = false;
    bool untouched_ = false;
};

// Restores a value of a shared key (or its absence) when the test ends.
class ValueGuard {
public:
    ValueGuard(HKEY root, std::wstring key, std::wstring name);
    ~ValueGuard();
    ValueGuard(const ValueGuard&) = delete;
    ValueGuard& operator=(const ValueGuard&) = delete;

private:
    HKEY root_;
    std::wstring key_, name_;
    bool existed_ = false;
    DWORD type_ = 0;
    std::string data_;
};

// Writes a raw value, for fixtures.
void SetRawValue(HKEY key, const std::wstring& name, DWORD type, const void* data, DWORD size);
void SetStringValue(HKEY root, const std::wstring& key, const std::wstring& name, const std::wstring& text,
                    DWORD type = REG_SZ);

// What a value holds, read back with the Win32 API directly.
struct RawValue {
    bool exists = false;
    DWORD type = 0;
    std::wstring text; // for string kinds, up to the first NUL
    std::string bytes;
};
RawValue ReadRawValue(HKEY root, const std::wstring& key, const std::wstring& name);

// Wine's reg.exe: "reg query KEY /v NAME". Gives the kind ("REG_SZ", ...) and the data as it
// printed them; exists is false when reg.exe could not find the value.
struct RegExeValue {
    bool exists = false;
    std::string type;
    std::string data;
};
RegExeValue RegExeQuery(const std::wstring& key, const std::wstring& name);

std::string Narrow(const std::wstring& text);

} // namespace varnook::testing
