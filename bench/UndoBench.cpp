// The undo history's memory: the peak of the heap while 1,000 edits alternate between the two
// trees of the heavy environment (400 variables), above what the trees themselves hold before
// the first edit. Every allocation of the process is counted, so the figure is the history's
// whole cost, bookkeeping included. Prints one "name: value" line per figure.
#include "bench/BenchEnvironment.h"
#include "core/ETree.h"
#include "edit/UndoStack.h"

#include <windows.h>

#include <cstdio>
#include <cstdlib>
#include <new>
#include <string>

using namespace varnook;
using namespace varnook::bench;

namespace {

// Live and peak bytes asked of operator new; one thread only.
size_t gLive = 0;
size_t gPeak = 0;
constexpr size_t kHeader = 16; // keeps the alignment operator new promises

void* Allocate(size_t size)
{
    void* block = std::malloc(size + kHeader);
    if (!block)
        throw std::bad_alloc();
    *static_cast<size_t*>(block) = size;
    gLive += size;
    gPeak = std::max(gPeak, gLive);
    return static_cast<char*>(block) + kHeader;
}

void Release(void* p)
{
    if (!p)
        return;
    char* block = static_cast<char*>(p) - kHeader;
    gLive -= *reinterpret_cast<size_t*>(block);
    std::free(block);
}

// Names, kinds and values, in order: what undoing every edit must give back.
std::u16string Contents(const TETree& tree)
{
    std::u16string out;
    for (const TNode* v = tree.FirstVariable(); v; v = v->NextSibling())
        out += TETree::GetVariableName(v) + (TETree::GetVariableType(v) == rdExpandString ? u"$=" : u"=") +
               TETree::GetVariableValue(v) + u"\n";
    return out;
}

} // namespace

void* operator new(size_t size) { return Allocate(size); }
void* operator new[](size_t size) { return Allocate(size); }
void* operator new(size_t size, const std::nothrow_t&) noexcept
{
    try {
        return Allocate(size);
    } catch (...) {
        return nullptr;
    }
}
void* operator new[](size_t size, const std::nothrow_t& tag) noexcept { return operator new(size, tag); }
void operator delete(void* p) noexcept { Release(p); }
void operator delete[](void* p) noexcept { Release(p); }
void operator delete(void* p, size_t) noexcept { Release(p); }
void operator delete[](void* p, size_t) noexcept { Release(p); }
void operator delete(void* p, const std::nothrow_t&) noexcept { Release(p); }
void operator delete[](void* p, const std::nothrow_t&) noexcept { Release(p); }

int wmain(int, wchar_t**)
{
    constexpr int kEdits = 1000;
    const std::u16string base = u"C:\\varnook-bench-undo";
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
    const std::u16string systemBefore = Contents(system), userBefore = Contents(user);

    const size_t ownBytes = gLive;
    gPeak = gLive;
    const double start = NowMs();
    for (int i = 0; i < kEdits; ++i) {
        TETree& tree = i % 2 ? user : system;
        TNode* v = tree.FirstVariable();
        for (int k = (i * 37) % kVariablesPerTree; k > 0 && v->NextSibling(); --k)
            v = v->NextSibling();
        tree.ActivateNode(v->FirstChild());
        switch (i / 2 % 4) {
        case 0: tree.SetElement(u"C:\\edited\\" + Num(i, 4)); break;
        case 1: tree.UndoableAddElement(u"C:\\added\\" + Num(i, 4)); break;
        case 2: tree.UndoableMoveDown(); break;
        case 3: tree.UndoableChangeType(); break;
        }
    }
    const double editMs = (NowMs() - start) / kEdits;
    const double peakMiB = double(gPeak - ownBytes) / (1024.0 * 1024.0);

    // What whole snapshots of every entry would hold, for comparison.
    size_t whole = 0;
    for (int i = 0; i < stack.Count(); ++i)
        whole += TUndoStack::JoinRecords(*stack.Entry(i).snapshot).size();

    std::printf("undo_mib_1000_steps_400: %.2f\n", peakMiB);
    std::fflush(stdout);
    std::fprintf(stderr, "undo: trees %.1f MiB, whole snapshots would hold %.1f MiB, record data %.1f MiB, %.2f ms per edit\n",
                 double(ownBytes) / 1048576.0, double(whole) / 1048576.0, double(stack.SnapshotBytes()) / 1048576.0, editMs);

    // The whole way back must give the trees as they were.
    while (stack.IsUndoable())
        stack.Undo();
    if (Contents(system) != systemBefore || Contents(user) != userBefore) {
        std::fprintf(stderr, "undoing every edit did not give the trees back\n");
        return 2;
    }
    return 0;
}
