// The command-line mode on an in-memory store, from any command line: it ends with 0 or 1,
// touches no other variable, and what it writes follows from the switches.
#include "cli/CommandLine.h"
#include "core/Registry.h"
#include "core/Tools.h"
#include "platform/MemoryRegistry.h"
#include "platform/Services.h"

#include <cstdint>
#include <cstdlib>
#include <cstring>

using namespace varnook;
using namespace varnook::platform;

namespace {
std::u16string Read(RegHandle root, const char16_t* key, const std::u16string& name, bool& exists)
{
    RegistryAccess reg(root);
    reg.OpenKeyReadOnly(key);
    exists = reg.ValueExists(name);
    try {
        return reg.ReadString(name);
    } catch (const ERegistryException&) {
        return {};
    }
}
} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    std::u16string text(size / 2, u'\0');
    if (!text.empty())
        std::memcpy(text.data(), data, text.size() * 2);
    // Before the first NUL the command line, after it the value the variable holds beforehand.
    const size_t cut = std::min(text.find(u'\0'), text.size());
    const std::u16string line = u"varnook.exe " + text.substr(0, cut);
    const std::u16string stored = cut < text.size() ? text.substr(cut + 1) : std::u16string(u"a;b");

    MemoryRegistry store;
    ScopedOverride<IRegistryBackend> useStore(store);
    const auto words = SplitCommandLine(line);
    if (words.empty())
        std::abort();
    const TCommandLineRequest request = ParseArguments({words.begin() + 1, words.end()});
    const RegHandle root = request.SystemScope ? kRootLocalMachine : kRootCurrentUser;
    const char16_t* key = request.SystemScope ? kSystemEnvironmentKey : kUserEnvironmentKey;
    {
        RegistryAccess reg(root);
        reg.OpenKey(key, true);
        reg.WriteString(u"Bystander", u"untouched");
        if (!platform::Text().EqualIgnoreCase(request.Name, u"Bystander"))
            reg.WriteString(request.Name, stored);
    }
    const int code = ExecuteCommandLine(request);
    if (code != 0 && code != 1)
        std::abort();
    bool exists = false;
    const std::u16string now = Read(root, key, request.Name, exists);
    if (!platform::Text().EqualIgnoreCase(request.Name, u"Bystander")) {
        bool bystander = false;
        if (Read(root, key, u"Bystander", bystander) != u"untouched" || !bystander)
            std::abort();
    }
    if (code != 0)
        return 0;
    if (request.Delete) {
        if (exists)
            std::abort();
        return 0;
    }
    // A bare set writes the value as given; a cleanup leaves nothing to clean up.
    if (!request.Insert && !request.Append && !request.Remove && !request.Cleanup && now != request.Value)
        std::abort();
    if (request.Cleanup && CleanupValue(now) != now)
        std::abort();
    return 0;
}
