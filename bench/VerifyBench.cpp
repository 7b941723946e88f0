// The verification pass over a heavy environment, measured against the bare file-system probes
// it needs, side by side in one run under Wine; the expansion of a self-doubling value; and the
// undo history's cost per step. Prints one "name: value" line per figure.
#include "core/ETree.h"
#include "edit/UndoStack.h"
#include "platform/Services.h"
#include "platform/win32/WinString.h"

#include <windows.h>

#include <algorithm>
#include <cstdio>
#include <filesystem>
#include <string>
#include <vector>

using namespace varnook;

namespace {

constexpr int kVariablesPerTree = 200;
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
    std::sort(v.begin(), v.end());
    return v.size() % 2 ? v[v.size() / 2] : (v[v.size() / 2 - 1] + v[v.size() / 2]) / 2;
}

std::u16string Num(int n, int width)
{
    std::string s = std::to_string(n);
    while (int(s.size()) < width)
        s.insert(s.begin(), '0');
    return std::u16string(s.begin(), s.end());
}

// Folders d000..d199 below base; every third element names a path that does not exist, half of
// them in an existing folder, half below a missing one. A quarter of the variables are
// expandable and reach the folders through %BENCHROOT%, which the user tree finds in the system
// tree.
void Fill(TETree& tree, char16_t prefix, const std::u16string& base)
{
    tree.BeginUpdate();
    for (int i = 0; i < kVariablesPerTree; ++i) {
        const bool expandable = i % 4 == 0;
        const std::u16string root = expandable ? u"%BENCHROOT%" : base;
        std::u16string value;
        for (int j = 0; j < kElementsPerVariable; ++j) {
            const int n = i * kElementsPerVariable + j;
            if (j)
                value += u';';
            if (n % 3 != 2)
                value += root + u"\\d" + Num(n % kFolders, 3);
            else if (n % 2)
                value += root + u"\\d" + Num(n % kFolders, 3) + u"\\gone" + Num(n, 4);
            else
                value += root + u"\\missing\\m" + Num(n, 4);
        }
        tree.AddVariable(std::u16string(1, prefix) + Num(i, 3), value, expandable ? rdExpandString : rdString, false);
    }
    tree.EndUpdate();
}

// The real file system, with the probes a pass makes written down.
class RecordingFileSystem : public platform::IFileSystem {
public:
    struct Probe {
        bool search;
        std::wstring path;
    };
    bool DirectoryExists(const std::u16string& path) override
    {
        probes.push_back({false, std::wstring(platform::W(path))});
        return inner.DirectoryExists(path);
    }
    platform::TPathProbe ProbePath(const std::u16string& path) override
    {
        probes.push_back({false, std::wstring(platform::W(path))});
        return inner.ProbePath(path);
    }
    bool SearchFinds(const std::u16string& pattern) override
    {
        probes.push_back({true, std::wstring(platform::W(pattern))});
        return inner.SearchFinds(pattern);
    }
    uint32_t SetErrorMode(uint32_t mode) override { return inner.SetErrorMode(mode); }

    platform::IFileSystem& inner = platform::DefaultFileSystem();
    std::vector<Probe> probes;
};

// The same probes in a plain loop: what the pass cannot do without.
double ProbeFloorMs(const std::vector<RecordingFileSystem::Probe>& probes)
{
    int found = 0;
    const double start = NowMs();
    for (const auto& p : probes) {
        if (!p.search) {
            const DWORD attributes = GetFileAttributesW(p.path.c_str());
            found += attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY);
        } else {
            WIN32_FIND_DATAW data;
            HANDLE h = FindFirstFileW(p.path.c_str(), &data);
            if (h != INVALID_HANDLE_VALUE) {
                ++found;
                FindClose(h);
            }
        }
    }
    const double ms = NowMs() - start;
    if (found < 0)
        std::printf("impossible\n");
    return ms;
}

} // namespace

int wmain(int argc, wchar_t** argv)
{
    const int runs = argc > 1 ? std::max(5, _wtoi(argv[1]) * 2 + 1) : 31;
    const std::u16string base = u"C:\\varnook-bench-" + Num(int(GetCurrentProcessId()), 1);
    for (int i = 0; i < kFolders; ++i)
        std::filesystem::create_directories(platform::HostPath(base + u"\\d" + Num(i, 3)));

    // ---- The verification pass against its probe floor.
    {
        TETree system, user;
        system.root = platform::kRootLocalMachine;
        user.root = platform::kRootCurrentUser;
        user.SetResolvingTree(&system);
        Fill(system, u'S', base);
        Fill(user, u'U', base);
        system.AddVariable(u"BENCHROOT", base, rdString, false);

        RecordingFileSystem recorder;
        {
            platform::ScopedOverride<platform::IFileSystem> use(recorder);
            system.Verify();
            user.Verify();
        }
        size_t wrong = 0, elements = 0;
        for (TETree* tree : {&system, &user})
            for (const TNode* v = tree->FirstVariable(); v; v = v->NextSibling())
                for (const TNode* e = v->FirstChild(); e; e = e->NextSibling(), ++elements)
                    wrong += !TETree::IsValid(e);
        std::fprintf(stderr, "verify: %zu elements, %zu missing, %zu probes\n", elements, wrong, recorder.probes.size());

        std::vector<double> passMs, floorMs;
        for (int r = 0; r < runs; ++r) {
            // Alternate which goes first, so neither always meets the warmer caches.
            auto pass = [&] {
                const double start = NowMs();
                system.Verify();
                user.Verify();
                passMs.push_back(NowMs() - start);
            };
            auto floor = [&] { floorMs.push_back(ProbeFloorMs(recorder.probes)); };
            if (r % 2) {
                pass();
                floor();
            } else {
                floor();
                pass();
            }
        }
        std::printf("verify_pass_vs_probe_floor: %.2f\n", Median(passMs) / Median(floorMs));
        std::printf("verify_pass_ms: %.1f\n", Median(passMs));
        std::fprintf(stderr, "probe_floor_ms: %.1f\n", Median(floorMs));
    }

    // ---- A value that doubles itself on every pass.
    {
        TETree system, user;
        user.SetResolvingTree(&system);
        const TNode* bomb = user.AddVariable(u"A", u"%A%%A%", rdExpandString, false);
        std::vector<double> ms;
        for (int r = 0; r < runs; ++r) {
            const double start = NowMs();
            const std::u16string result = user.GetVariableValueEx(bomb);
            ms.push_back(NowMs() - start);
            if (result != u"Infinite loop detected") {
                std::fprintf(stderr, "the self-doubling value did not give the loop text\n");
                return 2;
            }
        }
        std::printf("expansion_bomb_ms: %.2f\n", Median(ms));
    }

    // ---- The undo history of the heavy environment after 100 edits.
    {
        TUndoStack stack;
        TTreePairPusher pusher(stack);
        TETree system(&pusher), user(&pusher);
        pusher.SetTrees(&system, &user);
        system.root = platform::kRootLocalMachine;
        user.root = platform::kRootCurrentUser;
        user.SetResolvingTree(&system);
        Fill(system, u'S', base);
        Fill(user, u'U', base);
        system.AddVariable(u"BENCHROOT", base, rdString, false);
        for (int i = 0; i < 100; ++i) {
            TETree& tree = i % 2 ? user : system;
            TNode* v = tree.FirstVariable();
            for (int k = (i * 37) % kVariablesPerTree; k > 0 && v->NextSibling(); --k)
                v = v->NextSibling();
            tree.ActivateNode(v->FirstChild());
            tree.SetElement(u"C:\\edited\\" + Num(i, 3));
        }
        std::printf("undo_bytes_per_step: %zu\n", stack.SnapshotBytes() / size_t(stack.Count() / 2));
    }

    std::error_code ignored;
    std::filesystem::remove_all(platform::HostPath(base), ignored);
    return 0;
}
