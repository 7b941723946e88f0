// Side-by-side timings of whole processes, run inside Wine so that both sides pay the same
// process start-up. Prints one "name: value" line per figure.
#include <windows.h>

#include <algorithm>
#include <cstdio>
#include <string>
#include <vector>

namespace {

double RunMs(const std::wstring& commandLine)
{
    STARTUPINFOW si{};
    si.cb = sizeof(si);
    PROCESS_INFORMATION pi{};
    std::wstring line = commandLine;
    LARGE_INTEGER freq, start, end;
    QueryPerformanceFrequency(&freq);
    QueryPerformanceCounter(&start);
    if (!CreateProcessW(nullptr, line.data(), nullptr, nullptr, FALSE, CREATE_NO_WINDOW, nullptr, nullptr, &si, &pi)) {
        std::fprintf(stderr, "cannot start: %ls\n", commandLine.c_str());
        std::exit(2);
    }
    WaitForSingleObject(pi.hProcess, INFINITE);
    QueryPerformanceCounter(&end);
    DWORD code = 0;
    GetExitCodeProcess(pi.hProcess, &code);
    CloseHandle(pi.hThread);
    CloseHandle(pi.hProcess);
    if (code != 0) {
        std::fprintf(stderr, "exit code %lu: %ls\n", code, commandLine.c_str());
        std::exit(2);
    }
    return double(end.QuadPart - start.QuadPart) * 1000.0 / double(freq.QuadPart);
}

double Median(std::vector<double> v)
{
    std::sort(v.begin(), v.end());
    return v.size() % 2 ? v[v.size() / 2] : (v[v.size() / 2 - 1] + v[v.size() / 2]) / 2;
}

std::wstring ExeDir()
{
    wchar_t path[MAX_PATH * 4];
    DWORD n = GetModuleFileNameW(nullptr, path, ARRAYSIZE(path));
    std::wstring dir(path, n);
    dir.resize(dir.find_last_of(L'\\'));
    dir.resize(dir.find_last_of(L'\\') + 1); // bench programs live one folder below varnook.exe
    return dir;
}

} // namespace

int wmain(int argc, wchar_t** argv)
{
    const int runs = argc > 1 ? _wtoi(argv[1]) : 15;
    const std::wstring name = L"VARNOOK_BENCH";
    const std::wstring value = L"C:\\Bench\\Value;D:\\Another\\Folder";
    const std::wstring ours = L"\"" + ExeDir() + L"varnook.exe\" -S " + name + L" \"" + value + L"\"";
    const std::wstring reg = L"reg.exe add HKCU\\Environment /v " + name + L" /d \"" + value + L"\" /f";

    // Warm both up once: the first start of any program pays for loading Wine's own DLLs.
    RunMs(ours);
    RunMs(reg);
    std::vector<double> oursMs, regMs;
    for (int i = 0; i < runs; ++i) {
        oursMs.push_back(RunMs(ours));
        regMs.push_back(RunMs(reg));
    }
    RunMs(L"reg.exe delete HKCU\\Environment /v " + name + L" /f");
    std::printf("cli_vs_reg_add: %.2f\n", Median(oursMs) / Median(regMs));
    std::printf("cli_set_ms: %.1f\n", Median(oursMs));
    std::printf("reg_add_ms: %.1f\n", Median(regMs));
    return 0;
}
