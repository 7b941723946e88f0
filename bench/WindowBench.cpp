// The open window as another program sees it, side by side with Wine's regedit.exe in the same
// prefix: how long a start takes until both trees are filled, how much processor time the idle
// window costs (the window's process and the wine server), and how fast the window answers a
// message sent to it, and what a change of the interface language costs next to a plain repaint.
// Prints one "name: value" line per figure.
//
// The environments are made like the verification benchmark's: N variables split over both
// scopes, 10 elements each, a third of them naming paths that do not exist.
#include <windows.h>

#include <commctrl.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

namespace {

constexpr wchar_t kSystemKey[] = L"SYSTEM\\CurrentControlSet\\Control\\Session Manager\\Environment";
constexpr wchar_t kUserKey[] = L"Environment";
constexpr wchar_t kPrefix[] = L"VNB_";
constexpr int kElementsPerVariable = 10;
constexpr int kFolders = 200;

double NowMs()
{
    static const double perMs = [] {
        LARGE_INTEGER f;
        QueryPerformanceFrequency(&f);
        return double(f.QuadPart) / 1000.0;
    }();
    LARGE_INTEGER t;
    QueryPerformanceCounter(&t);
    return double(t.QuadPart) / perMs;
}

double Median(std::vector<double> v)
{
    if (v.empty())
        return 0;
    std::sort(v.begin(), v.end());
    return v.size() % 2 ? v[v.size() / 2] : (v[v.size() / 2 - 1] + v[v.size() / 2]) / 2;
}

std::wstring Num(int n, int width)
{
    std::wstring s = std::to_wstring(n);
    while (int(s.size()) < width)
        s.insert(s.begin(), L'0');
    return s;
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

const std::wstring& BaseFolder()
{
    static const std::wstring base = L"C:\\varnook-window-bench";
    return base;
}

// ---- The environment

void RemoveBenchValues(HKEY root, const wchar_t* path)
{
    HKEY key;
    if (RegOpenKeyExW(root, path, 0, KEY_ALL_ACCESS, &key) != ERROR_SUCCESS)
        return;
    std::vector<std::wstring> names;
    wchar_t name[256];
    for (DWORD i = 0;; ++i) {
        DWORD length = ARRAYSIZE(name);
        if (RegEnumValueW(key, i, name, &length, nullptr, nullptr, nullptr, nullptr) != ERROR_SUCCESS)
            break;
        if (wcsncmp(name, kPrefix, wcslen(kPrefix)) == 0)
            names.emplace_back(name, length);
    }
    for (const auto& n : names)
        RegDeleteValueW(key, n.c_str());
    RegCloseKey(key);
}

void RemoveEnvironment()
{
    RemoveBenchValues(HKEY_LOCAL_MACHINE, kSystemKey);
    RemoveBenchValues(HKEY_CURRENT_USER, kUserKey);
}

// perScope variables in each scope. A quarter of them are expandable and reach the folders
// through %VNB_ROOT%, a system variable.
void WriteEnvironment(int perScope)
{
    RemoveEnvironment();
    CreateDirectoryW(BaseFolder().c_str(), nullptr);
    for (int i = 0; i < kFolders; ++i)
        CreateDirectoryW((BaseFolder() + L"\\d" + Num(i, 3)).c_str(), nullptr);
    struct Scope {
        HKEY root;
        const wchar_t* path;
        const wchar_t* letter;
    } scopes[] = {{HKEY_LOCAL_MACHINE, kSystemKey, L"S"}, {HKEY_CURRENT_USER, kUserKey, L"U"}};
    for (const auto& scope : scopes) {
        HKEY key;
        if (RegCreateKeyExW(scope.root, scope.path, 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &key, nullptr) !=
            ERROR_SUCCESS) {
            std::fprintf(stderr, "cannot open the environment key\n");
            std::exit(2);
        }
        for (int i = 0; i < perScope; ++i) {
            const bool expandable = i % 4 == 0;
            const std::wstring root = expandable ? L"%VNB_ROOT%" : BaseFolder();
            std::wstring value;
            for (int j = 0; j < kElementsPerVariable; ++j) {
                const int n = i * kElementsPerVariable + j;
                if (j)
                    value += L';';
                if (n % 3 != 2)
                    value += root + L"\\d" + Num(n % kFolders, 3);
                else if (n % 2)
                    value += root + L"\\d" + Num(n % kFolders, 3) + L"\\gone" + Num(n, 5);
                else
                    value += root + L"\\missing\\m" + Num(n, 5);
            }
            const std::wstring name = std::wstring(kPrefix) + scope.letter + Num(i, 4);
            RegSetValueExW(key, name.c_str(), 0, expandable ? REG_EXPAND_SZ : REG_SZ,
                           reinterpret_cast<const BYTE*>(value.c_str()), DWORD((value.size() + 1) * sizeof(wchar_t)));
        }
        if (scope.root == HKEY_LOCAL_MACHINE) {
            const std::wstring name = std::wstring(kPrefix) + L"ROOT";
            RegSetValueExW(key, name.c_str(), 0, REG_SZ, reinterpret_cast<const BYTE*>(BaseFolder().c_str()),
                           DWORD((BaseFolder().size() + 1) * sizeof(wchar_t)));
        }
        RegCloseKey(key);
    }
}

void SetDword(HKEY root, const wchar_t* path, const wchar_t* name, DWORD value)
{
    HKEY key;
    if (RegCreateKeyExW(root, path, 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &key, nullptr) != ERROR_SUCCESS)
        return;
    RegSetValueExW(key, name, 0, REG_DWORD, reinterpret_cast<const BYTE*>(&value), sizeof(value));
    RegCloseKey(key);
}

void SetString(HKEY root, const wchar_t* path, const wchar_t* name, const std::wstring& value)
{
    HKEY key;
    if (RegCreateKeyExW(root, path, 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &key, nullptr) != ERROR_SUCCESS)
        return;
    RegSetValueExW(key, name, 0, REG_SZ, reinterpret_cast<const BYTE*>(value.c_str()),
                   DWORD((value.size() + 1) * sizeof(wchar_t)));
    RegCloseKey(key);
}

// ---- Processes and their windows

struct TProcess {
    PROCESS_INFORMATION info{};
    double startedMs = 0;
};

TProcess Start(const std::wstring& commandLine)
{
    TProcess p;
    STARTUPINFOW si{};
    si.cb = sizeof(si);
    std::wstring line = commandLine;
    p.startedMs = NowMs();
    if (!CreateProcessW(nullptr, line.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &si, &p.info)) {
        std::fprintf(stderr, "cannot start: %ls\n", commandLine.c_str());
        std::exit(2);
    }
    return p;
}

void Stop(TProcess& p)
{
    TerminateProcess(p.info.hProcess, 0);
    WaitForSingleObject(p.info.hProcess, 10000);
    CloseHandle(p.info.hThread);
    CloseHandle(p.info.hProcess);
    p.info = {};
}

struct TFind {
    DWORD pid;
    const wchar_t* className;
    HWND found;
};

HWND TopWindowOf(DWORD pid, const wchar_t* className)
{
    TFind find{pid, className, nullptr};
    EnumWindows(
        [](HWND w, LPARAM data) -> BOOL {
            auto* f = reinterpret_cast<TFind*>(data);
            DWORD owner = 0;
            GetWindowThreadProcessId(w, &owner);
            wchar_t cls[64]{};
            GetClassNameW(w, cls, ARRAYSIZE(cls));
            if (owner == f->pid && wcscmp(cls, f->className) == 0 && IsWindowVisible(w)) {
                f->found = w;
                return FALSE;
            }
            return TRUE;
        },
        reinterpret_cast<LPARAM>(&find));
    return find.found;
}

std::vector<HWND> ChildrenOfClass(HWND parent, const wchar_t* className)
{
    struct TAll {
        const wchar_t* className;
        std::vector<HWND> found;
    } all{className, {}};
    EnumChildWindows(
        parent,
        [](HWND w, LPARAM data) -> BOOL {
            auto* a = reinterpret_cast<TAll*>(data);
            wchar_t cls[64]{};
            GetClassNameW(w, cls, ARRAYSIZE(cls));
            if (wcscmp(cls, a->className) == 0)
                a->found.push_back(w);
            return TRUE;
        },
        reinterpret_cast<LPARAM>(&all));
    return all.found;
}

LRESULT Ask(HWND w, UINT message)
{
    DWORD_PTR result = 0;
    if (!SendMessageTimeoutW(w, message, 0, 0, SMTO_NORMAL, 20000, &result))
        return -1;
    return static_cast<LRESULT>(result);
}

// Waits until the window of the process shows its rows: each control of the class holds at least
// the number of rows given. The top window, or none after the time-out.
HWND WaitFilled(const TProcess& p, const wchar_t* windowClass, const wchar_t* controlClass, UINT countMessage,
                std::vector<LRESULT> atLeast, double& filledMs)
{
    const double deadline = NowMs() + 60000;
    while (NowMs() < deadline) {
        if (WaitForSingleObject(p.info.hProcess, 0) == WAIT_OBJECT_0) {
            std::fprintf(stderr, "the program ended before its window was filled\n");
            std::exit(2);
        }
        if (HWND top = TopWindowOf(p.info.dwProcessId, windowClass)) {
            const std::vector<HWND> controls = ChildrenOfClass(top, controlClass);
            if (controls.size() >= atLeast.size()) {
                bool filled = true;
                for (size_t i = 0; i < atLeast.size() && filled; ++i)
                    filled = Ask(controls[i], countMessage) >= atLeast[i];
                if (filled) {
                    filledMs = NowMs() - p.startedMs;
                    return top;
                }
            }
        }
        Sleep(2);
    }
    std::fprintf(stderr, "the window was not filled in time\n");
    std::exit(2);
}

// ---- Processor time from the host's process table (the Z: drive maps the host's root)

std::string ReadHostFile(const std::wstring& path)
{
    HANDLE h = CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_EXISTING, 0,
                           nullptr);
    if (h == INVALID_HANDLE_VALUE)
        return {};
    std::string text;
    char buffer[4096];
    DWORD got = 0;
    while (ReadFile(h, buffer, sizeof(buffer), &got, nullptr) && got)
        text.append(buffer, got);
    CloseHandle(h);
    return text;
}

// Host processes whose command line contains what and whose environment holds our prefix.
std::vector<std::wstring> HostProcesses(const std::string& what)
{
    char prefix[1024]{};
    GetEnvironmentVariableA("WINEPREFIX", prefix, sizeof(prefix));
    const std::string wanted = std::string("WINEPREFIX=") + prefix;
    std::vector<std::wstring> found;
    WIN32_FIND_DATAW data;
    HANDLE h = FindFirstFileW(L"Z:\\proc\\*", &data);
    if (h == INVALID_HANDLE_VALUE)
        return found;
    do {
        if (data.cFileName[0] < L'0' || data.cFileName[0] > L'9')
            continue;
        const std::wstring dir = std::wstring(L"Z:\\proc\\") + data.cFileName;
        std::string command = ReadHostFile(dir + L"\\cmdline");
        std::replace(command.begin(), command.end(), '\0', ' ');
        if (command.find(what) == std::string::npos)
            continue;
        std::string environment = ReadHostFile(dir + L"\\environ");
        environment.push_back('\0');
        if (prefix[0] && environment.find(wanted + '\0') == std::string::npos)
            continue;
        found.push_back(dir);
    } while (FindNextFileW(h, &data));
    FindClose(h);
    return found;
}

// User and system time of a host process in seconds.
double HostCpuSeconds(const std::wstring& dir)
{
    const std::string stat = ReadHostFile(dir + L"\\stat");
    const size_t close = stat.rfind(')');
    if (close == std::string::npos)
        return 0;
    // Fields after the command: state is field 3, utime 14, stime 15.
    std::vector<std::string> fields;
    size_t at = close + 2;
    while (at < stat.size()) {
        size_t end = stat.find(' ', at);
        if (end == std::string::npos)
            end = stat.size();
        fields.push_back(stat.substr(at, end - at));
        at = end + 1;
    }
    if (fields.size() < 13)
        return 0;
    return (std::atof(fields[11].c_str()) + std::atof(fields[12].c_str())) / 100.0;
}

double CpuSeconds(const std::vector<std::wstring>& dirs)
{
    double total = 0;
    for (const auto& d : dirs)
        total += HostCpuSeconds(d);
    return total;
}

// ---- The figures

std::wstring Varnook()
{
    return L"\"" + ExeDir() + L"varnook.exe\"";
}

// Rows each of our trees shows at least once filled: the bench's variables of its scope.
double StartVarnook(int perScope, TProcess& p, HWND& window)
{
    p = Start(Varnook());
    double ms = 0;
    window = WaitFilled(p, L"TfrmMain", WC_TREEVIEWW, TVM_GETCOUNT, {perScope, perScope}, ms);
    return ms;
}

// regedit opens at the key it showed last: the user's environment, whose values fill its list.
double StartRegedit(int perScope)
{
    TProcess p = Start(L"regedit.exe");
    double ms = 0;
    WaitFilled(p, L"RegEdit_RegEdit", WC_LISTVIEWW, LVM_GETITEMCOUNT, {perScope}, ms);
    Stop(p);
    return ms;
}

// Two bare trees in a bare window (BareWindow.cpp), filled from the same keys.
double StartBare(int perScope)
{
    TProcess p = Start(L"\"" + ExeDir() + L"bench\\varnook_bare_window.exe\"");
    double ms = 0;
    WaitFilled(p, L"VarnookBareWindow", WC_TREEVIEWW, TVM_GETCOUNT, {perScope, perScope}, ms);
    Stop(p);
    return ms;
}

void StartUpFigure(int runs)
{
    const int perScope = 200;
    WriteEnvironment(perScope);
    SetString(HKEY_CURRENT_USER, L"Software\\Microsoft\\Windows\\CurrentVersion\\Applets\\Regedit", L"LastKey",
              L"HKEY_CURRENT_USER\\Environment");
    // Both warmed up once: the first start of any program pays for loading Wine's own DLLs.
    TProcess p;
    HWND window;
    StartVarnook(perScope, p, window);
    Stop(p);
    StartRegedit(perScope);
    StartBare(perScope);
    std::vector<double> ours, theirs, bare, ratios, bareRatios, darkRatios;
    for (int i = 0; i < runs; ++i) {
        const double a = StartVarnook(perScope, p, window);
        Stop(p);
        const double b = StartRegedit(perScope);
        const double c = StartBare(perScope);
        // The same start in the Dark look, which puts its own procedure in front of every control.
        SetString(HKEY_CURRENT_USER, L"Software\\Varnook", L"skin", L"Dark");
        const double d = StartVarnook(perScope, p, window);
        Stop(p);
        SetString(HKEY_CURRENT_USER, L"Software\\Varnook", L"skin", L"Default");
        ours.push_back(a);
        theirs.push_back(b);
        bare.push_back(c);
        ratios.push_back(a / b);
        bareRatios.push_back(c / b);
        darkRatios.push_back(d / b);
    }
    std::printf("startup_vs_regedit_400: %.2f\n", Median(ratios));
    std::printf("startup_ms_400: %.0f\n", Median(ours));
    // The floor: no window of two such trees starts faster here.
    std::printf("startup_bare_two_trees_vs_regedit_400: %.2f\n", Median(bareRatios));
    std::printf("startup_dark_vs_regedit_400: %.2f\n", Median(darkRatios));
    std::fprintf(stderr, "regedit_startup_ms: %.0f\n", Median(theirs));
    std::fprintf(stderr, "bare_two_trees_startup_ms: %.0f\n", Median(bare));
}

void IdleFigure()
{
    WriteEnvironment(200);
    TProcess p;
    HWND window;
    StartVarnook(200, p, window);
    Sleep(3000); // the first passes probe every path once
    const std::vector<std::wstring> ours = HostProcesses("varnook.exe");
    const std::vector<std::wstring> server = HostProcesses("wineserver");
    if (ours.empty())
        std::fprintf(stderr, "the window's host process was not found\n");
    if (server.empty())
        std::fprintf(stderr, "the wine server's host process was not found\n");
    const double windowBefore = CpuSeconds(ours), serverBefore = CpuSeconds(server);
    const double start = NowMs();
    Sleep(10000);
    const double seconds = (NowMs() - start) / 1000.0;
    const double windowCpu = CpuSeconds(ours) - windowBefore, serverCpu = CpuSeconds(server) - serverBefore;
    Stop(p);
    std::printf("idle_cpu_percent_400: %.1f\n", 100.0 * (windowCpu + serverCpu) / seconds);
    std::fprintf(stderr, "idle cpu: window %.1f %%, wine server %.1f %%\n", 100.0 * windowCpu / seconds,
                 100.0 * serverCpu / seconds);
}

// The language list: the toolbar's drop-down list with a row for English and each catalog.
HWND LanguageBox(HWND window)
{
    for (HWND box : ChildrenOfClass(window, WC_COMBOBOXW))
        if (Ask(box, CB_GETCOUNT) == 26)
            return box;
    return nullptr;
}

// Picking a row of the language list as the user's click does, until the window has painted
// what the change invalidated, next to invalidating and painting the whole window. Gives the
// median switch, and prints the figures when asked to.
double LanguageFigure(HWND window, int runs, bool print)
{
    HWND box = LanguageBox(window);
    if (!box) {
        std::fprintf(stderr, "the language list was not found\n");
        return 0;
    }
    constexpr int kEnglish = 0, kRussian = 20;
    auto pick = [&](int row) {
        SendMessageW(box, CB_SETCURSEL, row, 0);
        const double t = NowMs();
        SendMessageW(GetParent(box), WM_COMMAND, MAKEWPARAM(GetDlgCtrlID(box), CBN_SELCHANGE), reinterpret_cast<LPARAM>(box));
        RedrawWindow(window, nullptr, nullptr, RDW_UPDATENOW | RDW_ALLCHILDREN);
        return NowMs() - t;
    };
    auto repaint = [&] {
        const double t = NowMs();
        RedrawWindow(window, nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_FRAME | RDW_ALLCHILDREN | RDW_UPDATENOW);
        return NowMs() - t;
    };
    pick(kRussian); // the catalog opens on first use
    pick(kEnglish);
    repaint();
    std::vector<double> switches, repaints, ratios;
    for (int i = 0; i < 2 * runs; ++i) {
        const double a = pick(i % 2 ? kEnglish : kRussian);
        const double b = repaint();
        switches.push_back(a);
        repaints.push_back(b);
        ratios.push_back(b > 0 ? a / b : 0);
    }
    pick(kEnglish);
    if (print) {
        std::printf("language_switch_ms: %.1f\n", Median(switches));
        std::printf("language_switch_repaint_ms: %.1f\n", Median(repaints));
        std::printf("language_switch_to_repaint_ratio: %.2f\n", Median(ratios));
    }
    return Median(switches);
}

// The dark look puts a procedure of its own in front of every control's and hears of every
// dialog made: the same switch in it, next to the default look's, shows what that costs.
void DarkSkinFigure(int perScope, int runs, double defaultSwitchMs)
{
    SetString(HKEY_CURRENT_USER, L"Software\\Varnook", L"skin", L"Dark");
    TProcess p;
    HWND window;
    StartVarnook(perScope, p, window);
    Sleep(1000);
    const double dark = LanguageFigure(window, runs, false);
    Stop(p);
    SetString(HKEY_CURRENT_USER, L"Software\\Varnook", L"skin", L"Default");
    std::printf("language_switch_dark_ms: %.1f\n", dark);
    std::printf("language_switch_dark_to_default_ratio: %.2f\n", defaultSwitchMs > 0 ? dark / defaultSwitchMs : 0);
}

// The window with 6400 variables: how fast it answers, and how fast it changes its language.
void FullWindowFigures(int runs, bool reply, bool language)
{
    const int perScope = 3200;
    WriteEnvironment(perScope);
    TProcess p;
    HWND window;
    const double startMs = StartVarnook(perScope, p, window);
    std::fprintf(stderr, "startup_ms_6400: %.0f\n", startMs);
    Sleep(1000);
    const double defaultSwitchMs = language ? LanguageFigure(window, runs, true) : 0;
    if (!reply) {
        Stop(p);
        DarkSkinFigure(perScope, runs, defaultSwitchMs);
        return;
    }
    std::vector<double> replies;
    const double end = NowMs() + 8000;
    while (NowMs() < end) {
        const double t = NowMs();
        DWORD_PTR result;
        if (!SendMessageTimeoutW(window, WM_NULL, 0, 0, SMTO_NORMAL, 10000, &result))
            replies.push_back(10000);
        else
            replies.push_back(NowMs() - t);
        Sleep(17);
    }
    Stop(p);
    std::printf("ui_reply_ms_6400: %.1f\n", Median(replies));
    std::printf("ui_reply_max_ms_6400: %.1f\n", *std::max_element(replies.begin(), replies.end()));
    if (language)
        DarkSkinFigure(perScope, runs, defaultSwitchMs);
}

} // namespace

int wmain(int argc, wchar_t** argv)
{
    const int runs = argc > 1 ? std::max(1, _wtoi(argv[1])) : 7;
    // No update check on start, and no network.
    SetDword(HKEY_CURRENT_USER, L"Software\\Varnook", L"checkForUpdates", 0);
    SetEnvironmentVariableW(L"VARNOOK_UPDATE_URL", L"http://update.invalid");
    // A second argument picks one figure: startup, idle, reply or language.
    const std::wstring only = argc > 2 ? argv[2] : L"";
    if (only.empty() || only == L"startup")
        StartUpFigure(runs);
    if (only.empty() || only == L"idle")
        IdleFigure();
    if (only.empty() || only == L"reply" || only == L"language")
        FullWindowFigures(runs, only != L"language", only != L"reply");
    RemoveEnvironment();
    return 0;
}
