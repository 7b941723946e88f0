// The native build has no shell, no dialogs and no accounts: nothing starts, no dialog is
// answered, no account is known; references expand from the C library's environment and files
// are written to the host folders that stand for the drives.
#include "platform/AdminServices.h"
#include "platform/Services.h"

#include <fstream>

namespace varnook::platform {

namespace {

class NoElevation final : public IElevation {
public:
    long RunElevated(const std::u16string&, uintptr_t) override { return 50; } // ERROR_NOT_SUPPORTED
};

class NoSaveFileDialog final : public ISaveFileDialog {
public:
    bool AskFileName(uintptr_t, std::u16string_view, std::u16string&) override { return false; }
};

class HostFileWriter final : public IFileWriter {
public:
    bool WriteWholeFile(const std::u16string& path, std::string_view bytes) override
    {
        std::ofstream out(HostPath(path), std::ios::binary | std::ios::trunc);
        if (!out)
            return false;
        out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
        out.close();
        return !out.fail();
    }
};

class NoAccounts final : public IAccounts {
public:
    bool LookupSid(const std::u16string&, TAccount&) override { return false; }
    bool CurrentAccount(TAccount&) override { return false; }
    bool EnablePrivilege(const std::u16string&) override { return false; }
    std::u16string ExpandEnvironmentText(const std::u16string& text) override
    {
        // %NAME% of a set variable becomes its value; anything else stays as it is.
        std::u16string out;
        size_t pos = 0;
        while (pos < text.size()) {
            const size_t open = text.find(u'%', pos);
            const size_t close = open == std::u16string::npos ? open : text.find(u'%', open + 1);
            if (close == std::u16string::npos) {
                out.append(text, pos);
                break;
            }
            out.append(text, pos, open - pos);
            const std::u16string value = ProcessEnvironment().GetVariable(text.substr(open + 1, close - open - 1));
            if (close > open + 1 && !value.empty()) {
                out += value;
                pos = close + 1;
            } else {
                out += u'%';
                pos = open + 1;
            }
        }
        return out;
    }
};

} // namespace

IElevation& DefaultElevation()
{
    static NoElevation elevation;
    return elevation;
}

ISaveFileDialog& DefaultSaveFileDialog()
{
    static NoSaveFileDialog dialog;
    return dialog;
}

IAccounts& DefaultAccounts()
{
    static NoAccounts accounts;
    return accounts;
}

IFileWriter& DefaultFileWriter()
{
    static HostFileWriter writer;
    return writer;
}

} // namespace varnook::platform
