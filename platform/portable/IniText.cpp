#include "platform/portable/IniText.h"

#include "core/Strings.h"
#include "platform/TextEncoding.h"

namespace varnook::platform {

namespace {

bool IsBlank(char16_t c)
{
    return c == u' ' || c == u'\t';
}

std::u16string_view Trim(std::u16string_view text)
{
    while (!text.empty() && IsBlank(text.front()))
        text.remove_prefix(1);
    while (!text.empty() && IsBlank(text.back()))
        text.remove_suffix(1);
    return text;
}

bool SameName(std::u16string_view a, std::u16string_view b)
{
    return CompareTextAscii(a, b) == 0;
}

// A section header gives its name.
bool HeaderName(std::u16string_view line, std::u16string_view& name)
{
    line = Trim(line);
    if (line.empty() || line.front() != u'[')
        return false;
    const size_t close = line.rfind(u']');
    if (close == std::u16string_view::npos)
        return false;
    name = Trim(line.substr(1, close - 1));
    return true;
}

// A key line gives its key and its value; comments and empty lines give nothing.
bool KeyLine(std::u16string_view line, std::u16string_view& key, std::u16string_view& value)
{
    line = Trim(line);
    if (line.empty() || line.front() == u';')
        return false;
    const size_t equals = line.find(u'=');
    key = Trim(line.substr(0, equals));
    value = equals == std::u16string_view::npos ? std::u16string_view() : Trim(line.substr(equals + 1));
    if (value.size() >= 2 && (value.front() == u'"' || value.front() == u'\'') && value.back() == value.front())
        value = value.substr(1, value.size() - 2);
    return !key.empty();
}

} // namespace

IniText IniText::Parse(std::string_view bytes)
{
    const TDecodedText decoded = DecodeTextFile(bytes);
    IniText ini = FromText(decoded.text);
    ini.utf16_ = decoded.encoding != TTextEncoding::Utf8 && decoded.encoding != TTextEncoding::Utf8Bom;
    ini.utf8Mark_ = decoded.encoding == TTextEncoding::Utf8Bom;
    return ini;
}

IniText IniText::FromText(std::u16string_view text)
{
    IniText ini;
    size_t start = 0;
    while (start < text.size()) {
        size_t end = text.find_first_of(u"\r\n", start);
        if (end == std::u16string::npos)
            end = text.size();
        ini.lines_.emplace_back(text.substr(start, end - start));
        if (end < text.size() && text[end] == u'\r' && end + 1 < text.size() && text[end + 1] == u'\n')
            ++end;
        start = end + 1;
    }
    return ini;
}

std::string IniText::Serialize() const
{
    std::u16string text;
    for (const auto& line : lines_)
        text += line + u"\r\n";
    if (!utf16_)
        return (utf8Mark_ ? "\xEF\xBB\xBF" : "") + ToUtf8(text);
    std::string bytes = "\xFF\xFE";
    for (char16_t c : text) {
        bytes += static_cast<char>(c & 0xFF);
        bytes += static_cast<char>(c >> 8);
    }
    return bytes;
}

bool IniText::FindSection(std::u16string_view section, Span& span) const
{
    for (size_t i = 0; i < lines_.size(); ++i) {
        std::u16string_view name;
        if (!HeaderName(lines_[i], name) || !SameName(name, section))
            continue;
        span.header = i;
        span.end = i + 1;
        while (span.end < lines_.size() && !HeaderName(lines_[span.end], name))
            ++span.end;
        return true;
    }
    return false;
}

bool IniText::Find(std::u16string_view section, std::u16string_view key, std::u16string& value) const
{
    Span span;
    if (!FindSection(section, span))
        return false;
    for (size_t i = span.header + 1; i < span.end; ++i) {
        std::u16string_view k, v;
        if (KeyLine(lines_[i], k, v) && SameName(k, key)) {
            value.assign(v);
            return true;
        }
    }
    return false;
}

std::vector<std::u16string> IniText::Keys(std::u16string_view section) const
{
    std::vector<std::u16string> keys;
    Span span;
    if (FindSection(section, span))
        for (size_t i = span.header + 1; i < span.end; ++i) {
            // As with the profile functions, a line without "=" is found as a key but not listed.
            std::u16string_view k, v;
            if (KeyLine(lines_[i], k, v) && lines_[i].find(u'=') != std::u16string::npos)
                keys.emplace_back(k);
        }
    return keys;
}

void IniText::Set(std::u16string_view section, std::u16string_view key, std::u16string_view value)
{
    const std::u16string line = std::u16string(key) + u"=" + std::u16string(value);
    Span span;
    if (!FindSection(section, span)) {
        lines_.push_back(u"[" + std::u16string(section) + u"]");
        lines_.push_back(line);
        return;
    }
    size_t last = span.header;
    for (size_t i = span.header + 1; i < span.end; ++i) {
        std::u16string_view k, v;
        if (!KeyLine(lines_[i], k, v))
            continue;
        if (SameName(k, key)) {
            lines_[i] = std::u16string(k) + u"=" + std::u16string(value);
            return;
        }
        last = i;
    }
    lines_.insert(lines_.begin() + static_cast<std::ptrdiff_t>(last + 1), line);
}

void IniText::EraseSection(std::u16string_view section)
{
    Span span;
    if (FindSection(section, span))
        lines_.erase(lines_.begin() + static_cast<std::ptrdiff_t>(span.header),
                     lines_.begin() + static_cast<std::ptrdiff_t>(span.end));
}

} // namespace varnook::platform
