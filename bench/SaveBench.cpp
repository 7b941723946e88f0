// A save of the heavy environment after one element of one variable changed, against Wine's
// registry on a scratch key: how many values it writes (the goal is one), and how long the
// whole save and its merge with the store's current state take; and how many registry calls
// loading the key makes per value. Prints "name: value" lines.
#include "core/ETree.h"
#include "platform/RegistryBackend.h"
#include "platform/Services.h"
#include "platform/win32/WinString.h"

#include <windows.h>

#include <algorithm>
#include <cstdio>
#include <string>
#include <vector>

using namespace varnook;

namespace {

constexpr int kVariables = 200;
constexpr int kElements = 10;
constexpr wchar_t kKey[] = L"Software\\VarnookBench\\Environment";

// The real registry, with its writes and removals counted.
class CountingRegistry final : public platform::IRegistryBackend {
public:
    platform::IRegistryBackend& real = platform::DefaultRegistry();
    int writes = 0;
    int calls = 0; // every call, of any kind

    long OpenKey(platform::RegHandle b, std::u16string_view p, uint32_t a, platform::RegHandle& k) override { ++calls; return real.OpenKey(b, p, a, k); }
    long CreateKey(platform::RegHandle b, std::u16string_view p, uint32_t a, platform::RegHandle& k) override { ++calls; return real.CreateKey(b, p, a, k); }
    void CloseKey(platform::RegHandle k) override { ++calls; real.CloseKey(k); }
    long QueryInfo(platform::RegHandle k, uint32_t& s, uint32_t& v) override { ++calls; return real.QueryInfo(k, s, v); }
    long EnumValue(platform::RegHandle k, uint32_t i, std::u16string& n) override { ++calls; return real.EnumValue(k, i, n); }
    long EnumValueData(platform::RegHandle k, uint32_t i, std::u16string& n, uint32_t& t, std::vector<uint8_t>& d) override
    {
        ++calls;
        return real.EnumValueData(k, i, n, t, d);
    }
    long EnumKey(platform::RegHandle k, uint32_t i, std::u16string& n) override { ++calls; return real.EnumKey(k, i, n); }
    long QueryValue(platform::RegHandle k, std::u16string_view n, uint32_t& t, uint32_t& s, std::vector<uint8_t>* d) override
    {
        ++calls;
        return real.QueryValue(k, n, t, s, d);
    }
    long SetValue(platform::RegHandle k, std::u16string_view n, uint32_t t, const void* d, uint32_t s) override
    {
        ++calls;
        ++writes;
        return real.SetValue(k, n, t, d, s);
    }
    long DeleteValue(platform::RegHandle k, std::u16string_view n) override
    {
        ++calls;
        ++writes;
        return real.DeleteValue(k, n);
    }
    long DeleteKey(platform::RegHandle b, std::u16string_view p, uint32_t v) override { ++calls; return real.DeleteKey(b, p, v); }
    long LoadKey(platform::RegHandle r, std::u16string_view p, std::u16string_view f) override { ++calls; return real.LoadKey(r, p, f); }
};

double NowMs()
{
    LARGE_INTEGER f, t;
    QueryPerformanceFrequency(&f);
    QueryPerformanceCounter(&t);
    return double(t.QuadPart) * 1000.0 / double(f.QuadPart);
}

double Median(std::vector<double> v)
{
    std::sort(v.begin(), v.end());
    return v.size() % 2 ? v[v.size() / 2] : (v[v.size() / 2 - 1] + v[v.size() / 2]) / 2;
}

} // namespace

int wmain(int argc, wchar_t** argv)
{
    const int runs = argc > 1 ? _wtoi(argv[1]) : 15;
    RegDeleteTreeW(HKEY_CURRENT_USER, kKey);
    HKEY key = nullptr;
    RegCreateKeyExW(HKEY_CURRENT_USER, kKey, 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &key, nullptr);
    for (int i = 0; i < kVariables; ++i) {
        std::wstring value;
        for (int e = 0; e < kElements; ++e)
            value += (e ? L";" : L"") + (L"C:\\Heavy\\Folder" + std::to_wstring(i) + L"\\Sub" + std::to_wstring(e));
        const std::wstring name = L"HEAVY_" + std::to_wstring(i);
        RegSetValueExW(key, name.c_str(), 0, i % 4 ? REG_SZ : REG_EXPAND_SZ, reinterpret_cast<const BYTE*>(value.c_str()),
                       DWORD((value.size() + 1) * 2));
    }
    RegCloseKey(key);

    CountingRegistry counting;
    platform::ScopedOverride<platform::IRegistryBackend> use(counting);
    const std::u16string path = u"\\" + platform::U16(kKey);
    std::vector<double> saveMs, mergeMs;
    int writes = 0;
    double callsPerValue = 0;
    for (int run = 0; run < runs; ++run) {
        TETree tree;
        counting.calls = 0;
        tree.LoadFromRegistry(platform::kRootCurrentUser, path);
        callsPerValue = double(counting.calls) / double(tree.VariableCount());
        TNode* variable = tree.FindVariable(u"HEAVY_100");
        tree.SetElementText(variable->FirstChild()->NextSibling(), u"C:\\Changed\\" + platform::U16(std::to_wstring(run)));
        counting.writes = 0;
        const double start = NowMs();
        const auto plan = tree.PlanSave();
        const double planned = NowMs();
        tree.ApplySave(plan, true);
        const double end = NowMs();
        writes = counting.writes;
        saveMs.push_back(end - start);
        mergeMs.push_back(planned - start);
    }
    RegDeleteTreeW(HKEY_CURRENT_USER, L"Software\\VarnookBench");
    std::printf("save_unchanged_writes: %d\n", writes);
    std::printf("save_ms: %.1f\n", Median(saveMs));
    std::printf("merge_ms: %.1f\n", Median(mergeMs));
    // Opening and closing the key included: the calls a load makes, over the values it loads.
    std::printf("load_calls_per_value: %.3f\n", callsPerValue);
    return 0;
}
