#include "platform/Services.h"

#include "platform/RegistryBackend.h"

namespace varnook::platform {

namespace {
ITextServices* gText = nullptr;
IRegistryBackend* gRegistry = nullptr;
INotifier* gNotifier = nullptr;
IFileSystem* gFileSystem = nullptr;
IProcessEnvironment* gEnvironment = nullptr;

template <class Service> Service*& Slot();
template <> ITextServices*& Slot<ITextServices>() { return gText; }
template <> IRegistryBackend*& Slot<IRegistryBackend>() { return gRegistry; }
template <> INotifier*& Slot<INotifier>() { return gNotifier; }
template <> IFileSystem*& Slot<IFileSystem>() { return gFileSystem; }
template <> IProcessEnvironment*& Slot<IProcessEnvironment>() { return gEnvironment; }
} // namespace

ITextServices& Text() { return gText ? *gText : DefaultText(); }
IRegistryBackend& Registry() { return gRegistry ? *gRegistry : DefaultRegistry(); }
INotifier& Notifier() { return gNotifier ? *gNotifier : DefaultNotifier(); }
IFileSystem& FileSystem() { return gFileSystem ? *gFileSystem : DefaultFileSystem(); }
IProcessEnvironment& ProcessEnvironment() { return gEnvironment ? *gEnvironment : DefaultProcessEnvironment(); }

template <class Service>
ScopedOverride<Service>::ScopedOverride(Service& replacement) : previous_(Slot<Service>())
{
    Slot<Service>() = &replacement;
}

template <class Service>
ScopedOverride<Service>::~ScopedOverride()
{
    Slot<Service>() = previous_;
}

template class ScopedOverride<ITextServices>;
template class ScopedOverride<IRegistryBackend>;
template class ScopedOverride<INotifier>;
template class ScopedOverride<IFileSystem>;
template class ScopedOverride<IProcessEnvironment>;

} // namespace varnook::platform
