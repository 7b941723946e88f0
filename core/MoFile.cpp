#include "core/MoFile.h"

#include "core/Inflate.h"
#include "core/Strings.h"

#include <algorithm>
#include <stdexcept>
#include <utility>
#include <vector>

namespace varnook {

namespace {

constexpr uint32_t kMagic = 0x950412de;
constexpr uint32_t kMagicSwapped = 0xde120495;

uint32_t Swap(uint32_t v)
{
    return (v >> 24) | ((v >> 8) & 0xff00) | ((v << 8) & 0xff0000) | (v << 24);
}

uint32_t ReadLittle(const unsigned char* p)
{
    return uint32_t(p[0]) | uint32_t(p[1]) << 8 | uint32_t(p[2]) << 16 | uint32_t(p[3]) << 24;
}

int CompareBytes(std::string_view a, std::string_view b)
{
    const size_t n = std::min(a.size(), b.size());
    for (size_t i = 0; i < n; ++i) {
        const auto x = static_cast<unsigned char>(a[i]), y = static_cast<unsigned char>(b[i]);
        if (x != y)
            return x < y ? -1 : 1;
    }
    return a.size() == b.size() ? 0 : (a.size() < b.size() ? -1 : 1);
}

char AsciiLower(char c) { return c >= 'A' && c <= 'Z' ? char(c - 'A' + 'a') : c; }

bool StartsWithIgnoreCase(std::string_view text, std::string_view prefix)
{
    if (text.size() < prefix.size())
        return false;
    for (size_t i = 0; i < prefix.size(); ++i)
        if (AsciiLower(text[i]) != AsciiLower(prefix[i]))
            return false;
    return true;
}

class TInflatedView final : public platform::IFileView {
public:
    explicit TInflatedView(std::vector<uint8_t> bytes) : bytes_(std::move(bytes)) {}
    const unsigned char* Data() const override { return bytes_.data(); }
    size_t Size() const override { return bytes_.size(); }

private:
    std::vector<uint8_t> bytes_;
};

} // namespace

std::unique_ptr<platform::IFileView> InflateAppendedCatalog(std::unique_ptr<platform::IFileView> view, size_t limit)
{
    if (!view)
        return view;
    // Inflate refuses anything without a zlib header at once, a plain .mo among them.
    auto inflated = Inflate({view->Data(), view->Size()}, limit);
    if (!inflated)
        return view;
    return std::make_unique<TInflatedView>(std::move(*inflated));
}

TMoFile::TMoFile(std::unique_ptr<platform::IFileView> view, bool swapped, uint32_t count, uint32_t ids, uint32_t strs)
    : view_(std::move(view)), swapped_(swapped), count_(count), idTable_(ids), translationTable_(strs)
{
}

uint32_t TMoFile::Word(uint64_t offset) const
{
    const uint32_t v = ReadLittle(view_->Data() + offset);
    return swapped_ ? Swap(v) : v;
}

std::string_view TMoFile::Text(uint32_t table, uint32_t index) const
{
    const uint64_t entry = uint64_t(table) + uint64_t(index) * 8;
    return {reinterpret_cast<const char*>(view_->Data()) + Word(entry + 4), Word(entry)};
}

std::unique_ptr<TMoFile> TMoFile::Open(std::unique_ptr<platform::IFileView> view, const std::u16string& path)
{
    if (!view || view->Size() < 4)
        throw std::runtime_error(ToUtf8(u"This file is not a valid GNU gettext mo file: " + path));
    const unsigned char* data = view->Data();
    const uint64_t size = view->Size();
    const uint32_t magic = ReadLittle(data);
    if (magic != kMagic && magic != kMagicSwapped)
        throw std::runtime_error(ToUtf8(u"This file is not a valid GNU gettext mo file: " + path));
    const bool swapped = magic == kMagicSwapped;
    if (size < 20)
        return nullptr;
    auto word = [&](uint64_t offset) { uint32_t v = ReadLittle(data + offset); return swapped ? Swap(v) : v; };
    const uint32_t count = word(8), ids = word(12), strs = word(16);
    // Every table and every text must lie inside the catalog, with room for its terminating NUL,
    // so lookups never need to check again.
    for (uint32_t table : {ids, strs}) {
        if (uint64_t(table) + uint64_t(count) * 8 > size)
            return nullptr;
        for (uint32_t i = 0; i < count; ++i) {
            const uint64_t entry = uint64_t(table) + uint64_t(i) * 8;
            const uint64_t length = word(entry), offset = word(entry + 4);
            if (offset > size || length >= size - offset)
                return nullptr;
        }
    }
    return std::unique_ptr<TMoFile>(new TMoFile(std::move(view), swapped, count, ids, strs));
}

bool TMoFile::Lookup(std::string_view id, std::string_view& translation) const
{
    uint32_t low = 0, high = count_;
    while (low < high) {
        const uint32_t middle = low + (high - low) / 2;
        const int order = CompareBytes(Text(idTable_, middle), id);
        if (order == 0) {
            translation = Text(translationTable_, middle);
            return true;
        }
        if (order < 0)
            low = middle + 1;
        else
            high = middle;
    }
    return false;
}

std::string_view TMoFile::Header() const
{
    std::string_view header;
    return Lookup({}, header) ? header : std::string_view();
}

bool HeaderDeclaresUtf8(std::string_view header)
{
    while (!header.empty()) {
        const size_t end = header.find('\n');
        const std::string_view line = header.substr(0, end);
        if (StartsWithIgnoreCase(line, "Content-Type:")) {
            const std::string_view value = line.substr(13);
            for (size_t i = 0; i + 13 <= value.size(); ++i)
                if (StartsWithIgnoreCase(value.substr(i), "charset=UTF-8"))
                    return true;
            return false;
        }
        if (end == std::string_view::npos)
            break;
        header.remove_prefix(end + 1);
    }
    return false;
}

} // namespace varnook
