// Value-list operations must hold their invariants for any text.
#include "cli/CommandLine.h"
#include "core/Tools.h"

#include <cstdint>
#include <cstdlib>
#include <cstring>

using namespace varnook;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    std::u16string text(size / 2, u'\0');
    if (!text.empty())
        std::memcpy(text.data(), data, text.size() * 2);
    auto elements = SplitValue(text);
    if (elements.empty())
        std::abort();
    size_t total = elements.size() - 1;
    for (auto& e : elements)
        total += e.size();
    if (total > text.size() + 1)
        std::abort();
    const auto clean = CleanupValue(text);
    if (CleanupValue(clean) != clean)
        std::abort();
    RemoveElement(text, elements.front());
    IsLocalPath(text);
    SplitCommandLine(text);
    return 0;
}
