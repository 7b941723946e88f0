#include "platform/Services.h"

#include "platform/AdminServices.h"
#include "platform/RegistryBackend.h"

namespace varnook::platform {

namespace {
ITextServices* gText = nullptr;
IRegistryBackend* gRegistry = nullptr;
INotifier* gNotifier = nullptr;
IFileSystem* gFileSystem = nullptr;
IProcessEnvironment* gEnvironment = nullptr;
IProgramFiles* gProgramFiles = nullptr;
IIniFiles* gIniFiles = nullptr;
IElevation* gElevation = nullptr;
ISaveFileDialog* gSaveFileDialog = nullptr;
IAccounts* gAccounts = nullptr;
IFileWriter* gFileWriter = nullptr;

template <class Service> Service*& Slot();
template <> ITextServices*& Slot<ITextServices>() { return gText; }
template <> IRegistryBackend*& Slot<IRegistryBackend>() { return gRegistry; }
template <> INotifier*& Slot<INotifier>() { return gNotifier; }
template <> IFileSystem*& Slot<IFileSystem>() { return gFileSystem; }
template <> IProcessEnvironment*& Slot<IProcessEnvironment>() { return gEnvironment; }
template <> IProgramFiles*& Slot<IProgramFiles>() { return gProgramFiles; }
template <> IIniFiles*& Slot<IIniFiles>() { return gIniFiles; }
template <> IElevation*& Slot<IElevation>() { return gElevation; }
template <> ISaveFileDialog*& Slot<ISaveFileDialog>() { return gSaveFileDialog; }
template <> IAccounts*& Slot<IAccounts>() { return gAccounts; }
template <> IFileWriter*& Slot<IFileWriter>() { return gFileWriter; }
} // namespace

ITextServices& Text() { return gText ? *gText : DefaultText(); }
IRegistryBackend& Registry() { return gRegistry ? *gRegistry : DefaultRegistry(); }
INotifier& Notifier() { return gNotifier ? *gNotifier : DefaultNotifier(); }
IFileSystem& FileSystem() { return gFileSystem ? *gFileSystem : DefaultFileSystem(); }
IProcessEnvironment& ProcessEnvironment() { return gEnvironment ? *gEnvironment : DefaultProcessEnvironment(); }
IProgramFiles& ProgramFiles() { return gProgramFiles ? *gProgramFiles : DefaultProgramFiles(); }
IIniFiles& IniFiles() { return gIniFiles ? *gIniFiles : DefaultIniFiles(); }
IElevation& Elevation() { return gElevation ? *gElevation : DefaultElevation(); }
ISaveFileDialog& SaveFileDialog() { return gSaveFileDialog ? *gSaveFileDialog : DefaultSaveFileDialog(); }
IAccounts& Accounts() { return gAccounts ? *gAccounts : DefaultAccounts(); }
IFileWriter& FileWriter() { return gFileWriter ? *gFileWriter : DefaultFileWriter(); }

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
template class ScopedOverride<IProgramFiles>;
template class ScopedOverride<IIniFiles>;
template class ScopedOverride<IElevation>;
template class ScopedOverride<ISaveFileDialog>;
template class ScopedOverride<IAccounts>;
template class ScopedOverride<IFileWriter>;

} // namespace varnook::platform
