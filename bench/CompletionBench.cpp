// What one keystroke costs the element editor's path completion in a folder of tens of thousands
// of entries: the bounded listing it runs, against the unbounded listing of the same folder, side
// by side in one run under Wine. Prints one "name: value" line per figure.
#include "edit/ContentAssist.h"
#include "platform/Services.h"
#include "platform/win32/WinString.h"

#include <windows.h>

#include <algorithm>
#include <cstdio>
#include <string>
#include <vector>

using namespace varnook;

namespace {

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
    std::sort(v.begin(), v.end());
    return v.size() % 2 ? v[v.size() / 2] : (v[v.size() / 2 - 1] + v[v.size() / 2]) / 2;
}

struct Figure {
    double ms;
    size_t rows;
    bool complete;
};

Figure Measure(const std::u16string& text, const platform::TListLimits& limits, int runs)
{
    std::vector<double> times;
    size_t rows = 0;
    bool complete = true;
    for (int i = 0; i < runs; ++i) {
        const double start = NowMs();
        rows = PathCompletions(text, limits, &complete).size();
        times.push_back(NowMs() - start);
    }
    return {Median(times), rows, complete};
}

} // namespace

int wmain(int argc, wchar_t** argv)
{
    const int runs = argc > 1 ? std::max(1, _wtoi(argv[1])) : 15;
    const int entries = argc > 2 ? std::max(1, _wtoi(argv[2])) : 30000;
    const std::wstring folder = L"C:\\varnook-bench-big-" + std::to_wstring(entries);
    CreateDirectoryW(folder.c_str(), nullptr);
    for (int i = 0; i < entries; ++i) {
        const std::wstring name = folder + L"\\file" + std::to_wstring(i) + L".txt";
        if (GetFileAttributesW(name.c_str()) != INVALID_FILE_ATTRIBUTES)
            continue;
        HANDLE file = CreateFileW(name.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW, 0, nullptr);
        if (file != INVALID_HANDLE_VALUE)
            CloseHandle(file);
    }
    const std::u16string all = platform::U16(folder) + u"\\";
    const platform::TListLimits unbounded{static_cast<size_t>(-1), 1u << 30};
    // Side by side, alternating, so that caches favour neither.
    const Figure bounded = Measure(all, kPathListLimits, runs);
    const Figure full = Measure(all, unbounded, runs);
    const Figure narrowed = Measure(all + u"file123", kPathListLimits, runs);
    std::printf("completion_folder_entries: %d\n", entries);
    std::printf("completion_keystroke_ms: %.2f\n", bounded.ms);
    std::printf("completion_keystroke_rows: %zu\n", bounded.rows);
    std::printf("completion_keystroke_complete: %d\n", bounded.complete ? 1 : 0);
    std::printf("completion_unbounded_ms: %.2f\n", full.ms);
    std::printf("completion_unbounded_rows: %zu\n", full.rows);
    std::printf("completion_keystroke_vs_unbounded: %.3f\n", full.ms > 0 ? bounded.ms / full.ms : 0.0);
    std::printf("completion_narrowed_ms: %.2f\n", narrowed.ms);
    std::printf("completion_narrowed_rows: %zu\n", narrowed.rows);
    return 0;
}
