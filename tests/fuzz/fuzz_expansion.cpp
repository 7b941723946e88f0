// Reference expansion over two trees built from any text ("NAME=value" lines, the first half
// for the system tree): every expansion ends, and within a bounded time.
#include "core/ETree.h"

#include <ctime>
#include <cstdint>
#include <cstdlib>
#include <cstring>

using namespace varnook;

namespace {
void Fill(TETree& tree, std::u16string_view text)
{
    size_t start = 0;
    while (start <= text.size()) {
        size_t end = std::min(text.find(u'\n', start), text.size());
        std::u16string_view line = text.substr(start, end - start);
        const size_t eq = line.find(u'=');
        if (eq != std::u16string_view::npos && tree.VariableCount() < 64)
            tree.AddVariable(line.substr(0, eq), std::u16string(line.substr(eq + 1)),
                             line.size() % 2 ? rdExpandString : rdString, false);
        start = end + 1;
    }
}
} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    std::u16string text(size / 2, u'\0');
    if (!text.empty())
        std::memcpy(text.data(), data, text.size() * 2);
    TETree system, user;
    Fill(system, std::u16string_view(text).substr(0, text.size() / 2));
    Fill(user, std::u16string_view(text).substr(text.size() / 2));
    user.SetResolvingTree(&system);
    for (TETree* tree : {&user, &system}) {
        for (const TNode* v = tree->FirstVariable(); v; v = v->NextSibling()) {
            // Processor time: on a busy machine the wall clock says more about the others.
            const std::clock_t start = std::clock();
            tree->GetVariableValueEx(v);
            for (const TNode* e = v->FirstChild(); e; e = e->NextSibling())
                tree->GetElementEx(e);
            // Far above what any expansion needs, even under the sanitizers on a busy machine.
            if (std::clock() - start > 2 * CLOCKS_PER_SEC)
                std::abort();
        }
    }
    return 0;
}
