// What an administrator's tools need of Windows: starting a program with raised rights, the
// save-file dialog and writing the chosen file, and the accounts, privileges and profile paths of
// the machine's users.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

namespace varnook::platform {

inline constexpr long kErrorCancelled = 1223; // ERROR_CANCELLED: the user declined

class IElevation {
public:
    virtual ~IElevation() = default;
    // ShellExecuteExW with the verb "runas", no parameters, no working directory; returns only
    // once the program has started or was refused. 0, or the Win32 error (kErrorCancelled when
    // the user declined the prompt).
    virtual long RunElevated(const std::u16string& file, uintptr_t owner) = 0;
};

class ISaveFileDialog {
public:
    virtual ~ISaveFileDialog() = default;
    // The save-file dialog with a filter such as "Registry Files (*.reg)|*.reg", no default
    // extension and no question before an existing file is replaced. fileName comes in as the
    // suggested name and goes out as the chosen one; false when the user cancelled.
    virtual bool AskFileName(uintptr_t owner, std::u16string_view filter, std::u16string& fileName) = 0;
};

class IFileWriter {
public:
    virtual ~IFileWriter() = default;
    // Creates the file, or empties an existing one, and writes the bytes. False when any step
    // failed; what was written then stays.
    virtual bool WriteWholeFile(const std::u16string& path, std::string_view bytes) = 0;
};

// An account as LookupAccountSidW names it.
struct TAccount {
    std::u16string name;
    std::u16string domain;
    uint32_t sidType = 0; // 1: an ordinary user account
};

class IAccounts {
public:
    virtual ~IAccounts() = default;
    // ConvertStringSidToSidW, then LookupAccountSidW on the local machine.
    virtual bool LookupSid(const std::u16string& sid, TAccount& account) = 0;
    // The account the program runs as: the thread's token, else the process's.
    virtual bool CurrentAccount(TAccount& account) = 0;
    // Enables one privilege of the process token; ERROR_NOT_ALL_ASSIGNED counts as success.
    virtual bool EnablePrivilege(const std::u16string& name) = 0;
    // ExpandEnvironmentStringsW with the process's own environment; empty when it fails.
    virtual std::u16string ExpandEnvironmentText(const std::u16string& text) = 0;
};

IElevation& Elevation();
ISaveFileDialog& SaveFileDialog();
IAccounts& Accounts();
IFileWriter& FileWriter();

IElevation& DefaultElevation();
ISaveFileDialog& DefaultSaveFileDialog();
IAccounts& DefaultAccounts();
IFileWriter& DefaultFileWriter();

} // namespace varnook::platform
