#include "core/Tools.h"

#include "platform/Services.h"

#include <algorithm>
#include <cstdint>
#include <vector>

namespace varnook {

TElementList SplitValue(const std::u16string& value)
{
    TElementList elements;
    if (value.empty()) {
        elements.emplace_back();
        return elements;
    }
    // Step with the platform's character step so that ';' and '"' count only where a
    // character starts, never as the base of a combining sequence's tail. Every code unit
    // lands in an element or is the one separator between two, so joining gives the value back.
    const auto& text = platform::Text();
    const size_t end = value.size();
    size_t pos = 0;
    while (pos < end) {
        const size_t start = pos;
        if (value[pos] == u'"') {
            pos = text.NextChar(value, pos);
            while (pos < end && value[pos] != u'"')
                pos = text.NextChar(value, pos);
            if (pos < end)
                pos = text.NextChar(value, pos);
        }
        // Text after a closing quote stays in the quoted element up to the next separator.
        while (pos < end && value[pos] != u';')
            pos = text.NextChar(value, pos);
        elements.emplace_back(value, start, pos - start);
        if (pos < end) {
            // The separator is one code unit: marks written after it begin the next element.
            ++pos;
            if (pos == end)
                elements.emplace_back();
        }
    }
    return elements;
}

std::u16string JoinElements(const TElementList& elements)
{
    std::u16string value;
    for (size_t i = 0; i < elements.size(); ++i) {
        if (i)
            value += u';';
        value += elements[i];
    }
    return value;
}

std::u16string CleanupValue(const std::u16string& value)
{
    const auto& text = platform::Text();
    TElementList kept;
    for (auto& element : SplitValue(value)) {
        if (element.empty())
            continue;
        bool duplicate = false;
        for (const auto& k : kept) {
            if (text.EqualIgnoreCase(k, element)) {
                duplicate = true;
                break;
            }
        }
        if (!duplicate)
            kept.push_back(std::move(element));
    }
    return JoinElements(kept);
}

std::u16string RemoveElement(const std::u16string& value, std::u16string_view element)
{
    std::u16string result;
    for (const auto& e : SplitValue(value)) {
        if (e == element)
            continue;
        if (result.empty())
            result = e;
        else
            result.append(u";").append(e);
    }
    return result;
}

std::u16string InsertValue(std::u16string_view newText, std::u16string_view stored)
{
    std::u16string out(newText);
    out += u';';
    out += stored;
    return out;
}

std::u16string AppendValue(std::u16string_view stored, std::u16string_view newText)
{
    std::u16string out(stored);
    out += u';';
    out += newText;
    return out;
}

namespace {
bool IsAsciiLetter(char16_t c) { return (c >= u'A' && c <= u'Z') || (c >= u'a' && c <= u'z'); }
} // namespace

bool IsLocalPath(std::u16string_view element)
{
    size_t first = 0, last = element.size();
    while (first < last && element[first] <= u' ')
        ++first;
    while (last > first && element[last - 1] <= u' ')
        --last;
    std::u16string_view p = element.substr(first, last - first);
    if (p.size() >= 3 && IsAsciiLetter(p[0]) && p[1] == u':' && p[2] == u'\\')
        return true;
    if (p.size() >= 2 && p[0] == u'\\' && p[1] != u'\\')
        return true;
    return p.size() == 2 && IsAsciiLetter(p[0]) && p[1] == u':';
}

namespace {
constexpr uint32_t kSemFailCriticalErrors = 1;
std::vector<uint32_t>& ErrorModes()
{
    static std::vector<uint32_t> stack;
    return stack;
}
} // namespace

void PushErrorMode()
{
    ErrorModes().push_back(platform::FileSystem().SetErrorMode(kSemFailCriticalErrors));
}

void PopErrorMode()
{
    auto& stack = ErrorModes();
    if (stack.empty())
        return;
    platform::FileSystem().SetErrorMode(stack.back());
    stack.pop_back();
}

bool PathExists(const std::u16string& text)
{
    TErrorModeGuard silent;
    return platform::FileSystem().SearchFinds(text);
}

bool DirectoryExists(const std::u16string& path)
{
    TErrorModeGuard silent;
    return platform::FileSystem().DirectoryExists(path);
}

std::u16string ToShortPath(const std::u16string& text)
{
    TErrorModeGuard silent;
    std::u16string shortPath = platform::FileSystem().ShortPathName(text);
    return shortPath.empty() ? text : shortPath;
}

namespace {
// "C:", or "\\server\share" of a network path; empty when the text has neither.
size_t DrivePartLength(const std::u16string& text)
{
    if (text.size() >= 2 && text[1] == u':')
        return 2;
    if (text.size() >= 2 && text[0] == u'\\' && text[1] == u'\\') {
        size_t i = 2;
        for (int separators = 0; i < text.size(); ++i)
            if (text[i] == u'\\' && ++separators == 2)
                break;
        return i;
    }
    return 0;
}
} // namespace

std::u16string ToLongPath(const std::u16string& text)
{
    TErrorModeGuard silent;
    const size_t driveLength = DrivePartLength(text);
    if (driveLength >= text.size())
        return text;
    std::u16string prefix = text.substr(0, driveLength);
    size_t pos = driveLength;
    if (text[pos] == u'\\')
        prefix += text[pos++];
    while (pos < text.size()) {
        const size_t end = std::min(text.find(u'\\', pos), text.size());
        const std::u16string component = text.substr(pos, end - pos);
        std::u16string found;
        if (component == u"." || component == u"..") {
            // The search would resolve it and answer with the name of the folder it stands
            // for, which appended here would name another place.
            prefix += component;
        } else {
            // An empty component (a doubled backslash) names nothing; the search would list the
            // folder. A wildcard names no one entry: the search's first match would put an
            // arbitrary name in its place.
            if (component.empty() || component.find_first_of(u"*?") != std::u16string::npos ||
                !platform::FileSystem().FindFirstName(prefix + component, found) || found.empty())
                return prefix + text.substr(pos);
            prefix += found;
        }
        pos = end;
        if (pos < text.size())
            prefix += text[pos++];
    }
    return prefix;
}

} // namespace varnook
