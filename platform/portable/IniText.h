// The text of an INI file as lines, with the lookups and edits of the profile functions of
// Windows, for the native build. Any bytes parse; nothing here fails.
#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace varnook::platform {

class IniText {
public:
    // In the encoding the bytes are found in (platform/TextEncoding.h), ANSI read as Latin-1.
    // Files read as UTF-8 are written back as UTF-8, every other one as UTF-16.
    static IniText Parse(std::string_view bytes);
    // Text already decoded; written as UTF-16.
    static IniText FromText(std::u16string_view text);
    // An empty file that will be written as UTF-16.
    IniText() = default;

    // The bytes of the file, in the encoding it was read in.
    std::string Serialize() const;
    // From now on the file is written as UTF-16.
    void UseUtf16()
    {
        utf16_ = true;
        utf8Mark_ = false;
    }

    bool Find(std::u16string_view section, std::u16string_view key, std::u16string& value) const;
    std::vector<std::u16string> Keys(std::u16string_view section) const;
    void Set(std::u16string_view section, std::u16string_view key, std::u16string_view value);
    void EraseSection(std::u16string_view section);

private:
    // Where a section's lines are: its header line and the line after its last line.
    struct Span {
        size_t header, end;
    };
    bool FindSection(std::u16string_view section, Span& span) const;

    std::vector<std::u16string> lines_;
    bool utf16_ = true;
    bool utf8Mark_ = false;
};

} // namespace varnook::platform
