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
    const auto elements = SplitValue(text);
    if (elements.empty())
        std::abort();
    // Lossless: the elements and their separators are the whole text.
    if (JoinElements(elements) != text)
        std::abort();
    // Only the last element may run on past a ';' (an unclosed quote), and splitting the
    // joined elements again finds the same boundaries.
    for (size_t i = 0; i + 1 < elements.size(); ++i)
        if (!elements[i].empty() && elements[i].front() != u'"' && elements[i].find(u';') != std::u16string::npos)
            std::abort();
    if (SplitValue(JoinElements(elements)) != elements)
        std::abort();
    const auto clean = CleanupValue(text);
    if (CleanupValue(clean) != clean)
        std::abort();
    for (const auto& e : SplitValue(clean))
        if (e.empty() && !clean.empty())
            std::abort();
    const auto removed = RemoveElement(text, elements.front());
    for (const auto& e : SplitValue(removed))
        if (!removed.empty() && e == elements.front())
            std::abort();
    IsLocalPath(text);
    SplitCommandLine(text);
    return 0;
}
