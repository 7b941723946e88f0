// Undo snapshots and transfer records (drag and drop between the trees) must take any bytes:
// damaged data is refused without changing the tree, and what is accepted writes back the same.
#include "core/ETree.h"

#include <cstdint>
#include <cstdlib>

using namespace varnook;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    TETree tree;
    tree.AddVariable(u"Path", u"C:\\a;C:\\b", rdExpandString, false);
    TBytes before;
    tree.SaveSnapshot(before);
    try {
        tree.LoadSnapshot(data, size);
    } catch (const EVarnookError&) {
        TBytes after;
        tree.SaveSnapshot(after);
        if (after != before)
            std::abort();
    }
    TBytes once, twice;
    tree.SaveSnapshot(once);
    TETree copy;
    copy.LoadSnapshot(once);
    copy.SaveSnapshot(twice);
    if (once != twice)
        std::abort();

    // The same bytes as a transfer record, dropped onto a variable and onto an element.
    TETree target;
    TNode* variable = target.AddVariable(u"X", u"a;b", rdString, false);
    for (auto [anchor, mode] : {std::pair{target.RootNode(), TAttachMode::LastChild},
                                std::pair{variable, TAttachMode::FirstChild},
                                std::pair{variable->FirstChild(), TAttachMode::After}}) {
        const size_t nodes = target.NodeCount();
        TByteReader in(data, size);
        try {
            TNode* node = target.ReadSubtree(in, anchor, mode);
            if (!node || target.NodeCount() <= nodes)
                std::abort();
            TBytes record;
            TByteWriter out(record);
            target.WriteSubtree(node, out);
            target.DeleteNode(node);
        } catch (const EVarnookError&) {
            if (target.NodeCount() != nodes)
                std::abort();
        }
    }
    return 0;
}
