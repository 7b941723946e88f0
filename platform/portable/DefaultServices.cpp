// The native build has no registry and no windows: an in-memory store stands in for the
// registry, and change notifications go nowhere.
#include "platform/MemoryRegistry.h"
#include "platform/Services.h"

namespace varnook::platform {

namespace {
class SilentNotifier final : public INotifier {
public:
    void BroadcastSettingChange(std::u16string_view, unsigned) override {}
};
} // namespace

IRegistryBackend& DefaultRegistry()
{
    static MemoryRegistry registry;
    return registry;
}

INotifier& DefaultNotifier()
{
    static SilentNotifier notifier;
    return notifier;
}

} // namespace varnook::platform
