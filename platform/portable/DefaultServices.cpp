// The native build has no registry and no windows: an in-memory store stands in for the
// registry, change notifications go nowhere, and the environment is the C library's.
#include "core/Strings.h"
#include "platform/MemoryRegistry.h"
#include "platform/Services.h"

#include <cstdlib>

namespace varnook::platform {

namespace {
class SilentNotifier final : public INotifier {
public:
    void BroadcastSettingChange(std::u16string_view, unsigned) override {}
};

class CEnvironment final : public IProcessEnvironment {
public:
    std::u16string GetVariable(std::u16string_view name) const override
    {
        const char* value = std::getenv(ToUtf8(name).c_str());
        return value ? FromUtf8(value) : std::u16string();
    }
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

IProcessEnvironment& DefaultProcessEnvironment()
{
    static CEnvironment environment;
    return environment;
}

} // namespace varnook::platform
