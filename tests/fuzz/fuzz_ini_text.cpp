// The native build's INI parser must take any bytes, and its edits must read back.
#include "platform/portable/IniText.h"

#include <cstdint>
#include <cstdlib>
#include <string_view>

using varnook::platform::IniText;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    IniText ini = IniText::Parse(std::string_view(reinterpret_cast<const char*>(data), size));
    std::u16string value;
    ini.Keys(u"Exclusions");
    ini.Find(u"Varnook", u"skin", value);
    ini.Set(u"Varnook", u"skin", u"Blue");
    if (!ini.Find(u"Varnook", u"skin", value) || value != u"Blue")
        std::abort();
    ini.EraseSection(u"Exclusions");
    ini.Set(u"Exclusions", u"Path", u"3");
    if (!ini.Find(u"Exclusions", u"Path", value) || value != u"3")
        std::abort();
    const std::string once = ini.Serialize();
    if (IniText::Parse(once).Serialize() != once)
        std::abort();
    return 0;
}
