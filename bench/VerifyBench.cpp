// The verification pass over a heavy environment, measured against the bare file-system probes
// it needs, side by side in one run under Wine; the expansion of a self-doubling value; what a
// tick costs with a value whose references circle a ring of names; and the undo history's cost
// per step. Prints one "name: value" line per figure.
#include "bench/BenchEnvironment.h"
#include "core/ETree.h"
#include "edit/UndoStack.h"
#include "platform/Services.h"
#include "platform/win32/WinString.h"

#include <windows.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <filesystem>
#include <string>
#include <vector>

using namespace varnook;
using namespace varnook::bench;

namespace {

// A window's view of a tree: a screenful of its first variables.
class ScreenfulView : public ITreeObserver {
public:
    explicit ScreenfulView(const TETree& tree)
    {
        for (const TNode* v = tree.FirstVariable(); v && shown_.size() < 30; v = v->NextSibling())
            shown_.push_back(v);
    }
    void TreeChanged() override {}
    void NodeChanged(const TNode*) override {}
    void FocusChanged() override {}
    void FinishEditing() override {}
    bool NodesInView(std::vector<const TNode*>& nodes) override
    {
        nodes = shown_;
        return true;
    }

private:
    std::vector<const TNode*> shown_;
};

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

// Every path exists at once: what a pass costs beside its probes.
class InstantFileSystem : public platform::IFileSystem {
public:
    bool DirectoryExists(const std::u16string&) override { return true; }
    bool SearchFinds(const std::u16string&) override { return true; }
    uint32_t SetErrorMode(uint32_t mode) override { return mode; }
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

    // ---- A ring of names that never settles, in the heavy environment: a tick once the
    // expansions are known, and the first tick after an edit, when they are made again. The
    // file system answers at once, so the figures are the pass's own work, expansion above all.
    {
        InstantFileSystem instant;
        platform::ScopedOverride<platform::IFileSystem> use(instant);
        TETree system, user;
        system.root = platform::kRootLocalMachine;
        user.root = platform::kRootCurrentUser;
        user.SetResolvingTree(&system);
        Fill(system, u'S', base);
        Fill(user, u'U', base);
        system.AddVariable(u"BENCHROOT", base, rdString, false);
        AddRing(system, user);
        const TNode* referrer = user.FindVariable(u"RINGREF00")->FirstChild();
        if (user.GetElementEx(referrer) != u"Infinite loop detected") {
            std::fprintf(stderr, "the ring did not give the loop text\n");
            return 2;
        }
        // What the forty references cost when every expansion is made afresh, as every tick
        // made them before expansions were remembered.
        double uncachedMs = 0;
        {
            const double start = NowMs();
            for (int i = 0; i < kRingReferrers; ++i)
                try {
                    user.ExpandReferences(u"%RINGS%");
                } catch (const ELoopDetected&) {
                }
            uncachedMs = NowMs() - start;
        }
        TNode* edited = system.FindVariable(u"S007")->FirstChild();
        std::vector<double> steadyMs, afterEditMs;
        for (int r = 0; r < runs; ++r) {
            system.SetElementText(edited, base + u"\d" + Num(r % kFolders, 3));
            double start = NowMs();
            system.Verify();
            user.Verify();
            afterEditMs.push_back(NowMs() - start);
            start = NowMs();
            system.Verify();
            user.Verify();
            steadyMs.push_back(NowMs() - start);
        }
        // The window's ticks after an edit: a share of the work per tree, the rows in view first.
        ScreenfulView systemView(system), userView(user);
        system.SetObserver(&systemView);
        user.SetObserver(&userView);
        constexpr auto kShare = std::chrono::milliseconds(8); // as the window gives each tree
        double worstWindowTickMs = 0;
        for (int r = 0; r < runs; ++r) {
            system.SetElementText(edited, base + u"\\e" + Num(r % kFolders, 3));
            for (int tick = 0; tick < 40; ++tick) {
                const double start = NowMs();
                system.VerifyWithin(kShare);
                user.VerifyWithin(kShare);
                worstWindowTickMs = std::max(worstWindowTickMs, NowMs() - start);
            }
        }
        system.SetObserver(nullptr);
        user.SetObserver(nullptr);
        std::printf("ring_tick_ms: %.2f\n", Median(steadyMs));
        std::printf("ring_worst_window_tick_after_edit_ms: %.1f\n", worstWindowTickMs);
        std::printf("ring_first_tick_after_edit_ms: %.1f\n", Median(afterEditMs));
        std::fprintf(stderr, "ring: the forty references expanded afresh %.0f ms, worst tick after an edit %.1f ms\n",
                     uncachedMs, *std::max_element(afterEditMs.begin(), afterEditMs.end()));
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
