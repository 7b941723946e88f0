// The backup action: both scopes as a file the registry editor imports back exactly.
#include "app/FormOK.h"
#include "app/MainWindow.h"
#include "core/RegExport.h"
#include "core/Translate.h"
#include "platform/AdminServices.h"

namespace varnook {

namespace {
constexpr char16_t kLoadFailed[] = N_(u"Can not load profile of the user '%s'");
constexpr char16_t kSkipped[] =
    N_(u"These variables are not in the backup: the registry editor cannot read names with line breaks:");
constexpr char16_t kSystemHeading[] =
    u"; System variables\r\n[HKEY_LOCAL_MACHINE\\SYSTEM\\CurrentControlSet\\Control\\Session Manager\\Environment]";
} // namespace

void TfrmMain::Backup()
{
    SYSTEMTIME now;
    GetLocalTime(&now);
    std::u16string fileName = BackupFileName(now.wYear, now.wMonth, now.wDay, now.wHour, now.wMinute, now.wSecond);
    if (!platform::SaveFileDialog().AskFileName(reinterpret_cast<uintptr_t>(Handle()), gettext(u"Registry Files (*.reg)|*.reg"),
                                                fileName))
        return;
    const UserInfo& user = comboUsers.GetUser();
    const std::u16string userHeading = u"; User: " + user.Name + u"\r\n[HKEY_CURRENT_USER\\Environment]";
    TRegExport backup(SystemAnsiEncoder());
    if (CanWriteSystemScope() && !user.Sid.empty()) {
        // The hive of the user shown is mounted already; another user's is loaded for the
        // backup alone and unloaded when it is written.
        TProfileHive loaded;
        const bool shown = userHive_.IsMounted() && userHive_.Sid() == user.Sid;
        if (!shown && !loaded.Mount(user)) {
            TfrmOK::createAndShowModal(FormatMessage1(gettext(kLoadFailed), user.Name), mtError);
            return;
        }
        backup.ExportKeyToRegFile(platform::kRootUsers, (shown ? userHive_ : loaded).EnvironmentKey(), userHeading);
    } else {
        backup.ExportKeyToRegFile(platform::kRootCurrentUser, u"Environment", userHeading);
    }
    backup.ExportKeyToRegFile(platform::kRootLocalMachine, kSystemEnvironmentKey, kSystemHeading);
    try {
        backup.SaveToFile(fileName);
    } catch (const EVarnookError& failure) {
        TfrmOK::createAndShowModal(failure.Message(), mtError);
        return;
    }
    if (!backup.Skipped().empty()) {
        std::u16string text = gettext(kSkipped);
        for (const auto& name : backup.Skipped())
            text += u"\r\n" + name;
        TfrmOK::createAndShowModal(text, mtWarning);
    }
}

} // namespace varnook
