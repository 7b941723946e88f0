// INI files of the native build: each call reads the whole file and each write rewrites it.
#include "platform/Services.h"
#include "platform/TextEncoding.h"
#include "platform/portable/IniText.h"

#include <fstream>
#include <iterator>

namespace varnook::platform {

namespace {

bool Load(const std::u16string& file, IniText& ini)
{
    std::ifstream in(HostPath(file), std::ios::binary);
    if (!in)
        return false;
    ini = IniText::Parse(std::string(std::istreambuf_iterator<char>(in), {}));
    return true;
}

bool Store(const std::u16string& file, const IniText& ini)
{
    std::ofstream out(HostPath(file), std::ios::binary | std::ios::trunc);
    out << ini.Serialize();
    out.close();
    return !out.fail();
}

class PortableIniFiles final : public IIniFiles {
public:
    bool ReadString(const std::u16string& file, std::u16string_view section, std::u16string_view key,
                    std::u16string& value) override
    {
        IniText ini;
        return Load(file, ini) && ini.Find(section, key, value);
    }

    std::vector<std::u16string> ReadKeyNames(const std::u16string& file, std::u16string_view section) override
    {
        IniText ini;
        return Load(file, ini) ? ini.Keys(section) : std::vector<std::u16string>();
    }

    bool WriteString(const std::u16string& file, std::u16string_view section, std::u16string_view key,
                     std::u16string_view value) override
    {
        IniText ini;
        Load(file, ini);
        ini.Set(section, key, value);
        return Store(file, ini);
    }

    bool EraseSection(const std::u16string& file, std::u16string_view section) override
    {
        IniText ini;
        if (!Load(file, ini))
            return true;
        ini.EraseSection(section);
        return Store(file, ini);
    }

    bool IsReadInFull(const std::u16string& file) override
    {
        std::ifstream in(HostPath(file), std::ios::binary);
        return !in || DecodeTextFile(std::string(std::istreambuf_iterator<char>(in), {})).complete;
    }

    bool CreateWorkingCopy(const std::u16string& file, const std::u16string& copy) override
    {
        IniText ini;
        Load(file, ini);
        ini.UseUtf16();
        return Store(copy, ini);
    }
};

} // namespace

IIniFiles& DefaultIniFiles()
{
    static PortableIniFiles files;
    return files;
}

} // namespace varnook::platform
