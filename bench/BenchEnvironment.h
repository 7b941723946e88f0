// What the benchmarks share: the clock, the median, and the heavy environment the figures are
// measured on (variables split over both trees, ten elements each, a third of them missing).
#pragma once

#include "core/ETree.h"

#include <windows.h>

#include <algorithm>
#include <string>
#include <vector>

namespace varnook::bench {

constexpr int kVariablesPerTree = 200;
constexpr int kElementsPerVariable = 10;
constexpr int kFolders = 200;

inline double NowMs()
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

inline double Median(std::vector<double> v)
{
    std::sort(v.begin(), v.end());
    return v.size() % 2 ? v[v.size() / 2] : (v[v.size() / 2 - 1] + v[v.size() / 2]) / 2;
}

inline std::u16string Num(int n, int width)
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
inline void Fill(TETree& tree, char16_t prefix, const std::u16string& base, int variables = kVariablesPerTree)
{
    tree.BeginUpdate();
    for (int i = 0; i < variables; ++i) {
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

// A value that never settles: RINGS holds 6,500 references to a ring of 150 names, each naming
// the next, so every pass of an expansion rewrites every reference and the text repeats no
// earlier pass within the pass limit. Forty variables of the user tree refer to it, one element
// each. The ring and the value live in the system tree; the value is expandable, so its own
// 6,500 elements are expanded too.
constexpr int kRingNames = 150;
constexpr int kRingReferences = 6500;
constexpr int kRingReferrers = 40;

inline void AddRing(TETree& system, TETree& user)
{
    system.BeginUpdate();
    for (int i = 0; i < kRingNames; ++i)
        system.AddVariable(u"RING" + Num(i, 3), u"%RING" + Num((i + 1) % kRingNames, 3) + u"%", rdExpandString, false);
    std::u16string value;
    for (int j = 0; j < kRingReferences; ++j)
        value += (j ? u";%RING" : u"%RING") + Num(j % kRingNames, 3) + u"%";
    system.AddVariable(u"RINGS", value, rdExpandString, false);
    system.EndUpdate();
    user.BeginUpdate();
    for (int i = 0; i < kRingReferrers; ++i)
        user.AddVariable(u"RINGREF" + Num(i, 2), u"%RINGS%", rdExpandString, false);
    user.EndUpdate();
}

} // namespace varnook::bench
