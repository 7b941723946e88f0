#include "core/RegExport.h"

#include "core/Translate.h"
#include "platform/AdminServices.h"
#include "platform/Services.h"

#include <cstdio>

namespace varnook {

namespace {

constexpr char16_t kHexDigits[] = u"0123456789ABCDEF";
constexpr char16_t kLineEnd[] = u"\r\n";
constexpr char16_t kWriteFailed[] = N_(u"Can not write the file '%s'");

bool HasLineBreak(std::u16string_view text)
{
    return text.find_first_of(u"\r\n") != std::u16string_view::npos;
}

bool AnsiExact(const TAnsiEncoder& ansi, std::u16string_view text)
{
    std::string bytes;
    return ansi(text, bytes);
}

void AppendHexByte(std::u16string& out, uint8_t byte)
{
    out += kHexDigits[byte >> 4];
    out += kHexDigits[byte & 0xF];
}

// "hex(n):" and the bytes, comma-separated, on one line however long.
std::u16string HexData(int kind, const std::string& bytes)
{
    std::u16string out = u"hex(" + std::u16string(1, static_cast<char16_t>(u'0' + kind)) + u"):";
    for (size_t i = 0; i < bytes.size(); ++i) {
        if (i)
            out += u',';
        AppendHexByte(out, static_cast<uint8_t>(bytes[i]));
    }
    return out;
}

// The data with its terminating NUL, as the importer stores it.
std::string Utf16Bytes(std::u16string_view text)
{
    std::string bytes;
    bytes.reserve((text.size() + 1) * 2);
    for (char16_t c : text) {
        bytes += static_cast<char>(c & 0xFF);
        bytes += static_cast<char>(c >> 8);
    }
    bytes.append(2, '\0');
    return bytes;
}

} // namespace

std::u16string EscapeRegText(std::u16string_view text)
{
    std::u16string out;
    out.reserve(text.size());
    for (char16_t c : text) {
        // An unescaped quote would end the text early and let the rest of the line, or the
        // lines after it, be read as keys and values of their own.
        if (c == u'\\' || c == u'"')
            out += u'\\';
        out += c;
    }
    return out;
}

bool CanWriteRegName(std::u16string_view name)
{
    return !HasLineBreak(name);
}

TRegFileFormat ChooseRegFileFormat(const std::vector<TRegSection>& sections, const TAnsiEncoder& ansi)
{
    for (const auto& section : sections) {
        if (!AnsiExact(ansi, section.heading))
            return TRegFileFormat::Regedit5;
        for (const auto& value : section.values) {
            if (!AnsiExact(ansi, value.name) || !AnsiExact(ansi, value.data))
                return TRegFileFormat::Regedit5;
            if (value.kind == rdString && HasLineBreak(value.data))
                return TRegFileFormat::Regedit5;
        }
    }
    return TRegFileFormat::Regedit4;
}

std::u16string RegValueLine(const TRegValue& value, TRegFileFormat format, const TAnsiEncoder& ansi)
{
    std::u16string line = value.name.empty() ? u"@=" : u"\"" + EscapeRegText(value.name) + u"\"=";
    const bool v5 = format == TRegFileFormat::Regedit5;
    if (value.kind == rdExpandString) {
        if (v5)
            return line + HexData(2, Utf16Bytes(value.data));
        // Version 4 reads the bytes in the ANSI code page, one or more per character.
        std::string bytes;
        ansi(value.data, bytes);
        bytes += '\0';
        return line + HexData(2, bytes);
    }
    // A line break cannot stand in quoted text: the importer reads line by line.
    if (v5 && HasLineBreak(value.data))
        return line + HexData(1, Utf16Bytes(value.data));
    return line + u"\"" + EscapeRegText(value.data) + u"\"";
}

void WriteKeyValues(std::u16string& text, const std::vector<TRegValue>& values, TRegFileFormat format,
                    const TAnsiEncoder& ansi)
{
    for (const auto& value : values) {
        text += RegValueLine(value, format, ansi);
        text += kLineEnd;
    }
}

TRegExport::TRegExport(TAnsiEncoder ansi) : ansi_(std::move(ansi)) {}

void TRegExport::ExportKeyToRegFile(RegHandle root, std::u16string_view keyPath, std::u16string_view heading)
{
    if (!keyPath.empty() && keyPath.back() == u'\\')
        keyPath.remove_suffix(1);
    if (!keyPath.empty() && keyPath.front() == u'\\')
        keyPath.remove_prefix(1);
    TRegSection section;
    section.heading = std::u16string(heading);
    RegistryAccess reg(root);
    // A key that cannot be opened leaves no current key, and no value is listed.
    reg.OpenKeyReadOnly(u"\\" + std::u16string(keyPath));
    std::vector<std::u16string> names;
    reg.GetValueNames(names);
    for (const auto& name : names) {
        TRegDataInfo info;
        if (!reg.GetDataInfo(name, info) || (info.RegData != rdString && info.RegData != rdExpandString))
            continue;
        TRegValue value{name, info.RegData, {}};
        try {
            value.data = reg.ReadString(name);
        } catch (const ERegistryException&) {
            continue; // gone or changed kind since it was listed
        }
        if (!CanWriteRegName(name)) {
            skipped_.push_back(name);
            continue;
        }
        section.values.push_back(std::move(value));
    }
    sections_.push_back(std::move(section));
}

void TRegExport::AddSection(TRegSection section)
{
    for (auto it = section.values.begin(); it != section.values.end();) {
        if (CanWriteRegName(it->name)) {
            ++it;
        } else {
            skipped_.push_back(it->name);
            it = section.values.erase(it);
        }
    }
    sections_.push_back(std::move(section));
}

TRegFileFormat TRegExport::Format() const
{
    return ChooseRegFileFormat(sections_, ansi_);
}

std::string TRegExport::Render() const
{
    const TRegFileFormat format = Format();
    std::u16string text = format == TRegFileFormat::Regedit4 ? u"REGEDIT4" : u"Windows Registry Editor Version 5.00";
    text += kLineEnd;
    for (const auto& section : sections_) {
        text += kLineEnd;
        text += section.heading;
        text += kLineEnd;
        WriteKeyValues(text, section.values, format, ansi_);
    }
    std::string bytes;
    if (format == TRegFileFormat::Regedit4) {
        // Every character was found exact in the code page when the format was chosen.
        if (!ansi_(text, bytes))
            throw EVarnookError(u"The backup text does not fit the ANSI code page");
        return bytes;
    }
    bytes = "\xFF\xFE";
    std::string body = Utf16Bytes(text);
    body.resize(body.size() - 2);
    return bytes + body;
}

void TRegExport::SaveToFile(const std::u16string& fileName) const
{
    const std::string bytes = Render();
    const std::u16string temp = fileName + u".tmp~";
    auto& files = platform::ProgramFiles();
    const bool written = platform::FileWriter().WriteWholeFile(temp, bytes);
    if (!written || !files.MoveReplacing(temp, fileName)) {
        files.RemoveFile(temp);
        throw EVarnookError(FormatMessage1(gettext(kWriteFailed), fileName));
    }
}

TAnsiEncoder SystemAnsiEncoder()
{
    return [](std::u16string_view text, std::string& bytes) { return platform::Text().ToAnsi(text, bytes); };
}

std::u16string BackupFileName(int year, int month, int day, int hour, int minute, int second)
{
    char buffer[32];
    std::snprintf(buffer, sizeof(buffer), "backup_%02d%02d%02d_%02d%02d%02d.reg", year % 100, month, day, hour, minute,
                  second);
    return std::u16string(buffer, buffer + std::char_traits<char>::length(buffer));
}

} // namespace varnook
