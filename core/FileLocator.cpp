#include "core/FileLocator.h"

#include "core/Strings.h"
#include "platform/CatalogFiles.h"

#include <algorithm>
#include <cstring>

namespace varnook {

// The program holds these constants itself, so the tail is found from the end of the file, never
// by searching for the first occurrence.
const char kBeginSignature[40] = "DXGBD7F1BE4-9FCF-4E3A-ABA7-3443D11AB362";
const char kEndSignature[40] = "DXG1C58841C-D8A0-4457-BF54-D8315D4CF49D";

namespace {

constexpr uint64_t kSignatureLength = 39;
constexpr uint64_t kEntryHeader = 24;   // next-entry offset, file offset, file size
constexpr uint64_t kEntrySize = 256;
constexpr uint64_t kNameLength = kEntrySize - kEntryHeader;
// The whole table is read at once when it fits; larger ones are read as they are walked.
constexpr uint64_t kTailWindow = 32 * 1024;

uint64_t Read64(const unsigned char* p)
{
    uint64_t v = 0;
    for (int i = 7; i >= 0; --i)
        v = v << 8 | p[i];
    return v;
}

void Put64(std::string& out, uint64_t v)
{
    for (int i = 0; i < 8; ++i)
        out.push_back(char(v >> (8 * i)));
}

bool IsTrimmed(unsigned char c) { return c <= ' '; }

} // namespace

std::vector<TEmbeddedEntry> ReadAppendedTable(uint64_t fileSize, const TReadAt& readAt, uint64_t* bytesRead)
{
    uint64_t read = 0;
    std::vector<TEmbeddedEntry> entries;
    auto finish = [&]() {
        if (bytesRead)
            *bytesRead = read;
        return entries;
    };
    // Smallest tail: begin signature, end of table, table offset, end signature.
    if (fileSize < 2 * kSignatureLength + 16)
        return finish();

    const uint64_t windowStart = fileSize - std::min(fileSize, kTailWindow);
    std::vector<unsigned char> window(fileSize - windowStart);
    if (!readAt(windowStart, window.data(), window.size()))
        return finish();
    read += window.size();
    // Bytes [offset, offset + length) from the window, or read on their own when outside it.
    std::vector<unsigned char> scratch;
    auto bytes = [&](uint64_t offset, uint64_t length) -> const unsigned char* {
        if (offset >= windowStart && length <= fileSize - offset)
            return window.data() + (offset - windowStart);
        scratch.resize(length);
        if (!readAt(offset, scratch.data(), length))
            return nullptr;
        read += length;
        return scratch.data();
    };

    const uint64_t endSignature = fileSize - kSignatureLength;
    if (std::memcmp(bytes(endSignature, kSignatureLength), kEndSignature, kSignatureLength) != 0)
        return finish();
    const uint64_t tableOffset = Read64(bytes(endSignature - 8, 8));
    const uint64_t endOfTable = endSignature - 16; // the zero in the place of a next-entry offset
    if (Read64(bytes(endOfTable, 8)) != 0)
        return finish();
    if (endOfTable < kSignatureLength + kEntrySize)
        return finish(); // room for no entry: nothing appended
    // The last entry's next-entry offset names the end of the table relative to the base, which
    // fixes the base; the layout gives the last entry's place.
    const unsigned char* last = bytes(endOfTable - kEntrySize, 8);
    if (!last)
        return finish();
    const uint64_t lastNext = Read64(last);
    if (lastNext == 0 || lastNext > endOfTable - kSignatureLength)
        return finish();
    const uint64_t base = endOfTable - lastNext;
    const uint64_t tableStart = base + tableOffset;
    if (tableOffset > endOfTable - base || (endOfTable - tableStart) % kEntrySize != 0 || tableStart == endOfTable)
        return finish();
    const unsigned char* begin = bytes(base - kSignatureLength, kSignatureLength);
    if (!begin || std::memcmp(begin, kBeginSignature, kSignatureLength) != 0)
        return finish();

    std::map<std::u16string, bool> seen;
    for (uint64_t position = tableStart; position < endOfTable;) {
        const unsigned char* entry = bytes(position, kEntrySize);
        if (!entry)
            return finish();
        const uint64_t next = Read64(entry), offset = Read64(entry + 8), size = Read64(entry + 16);
        // The next entry must lie one entry further on; anything else (zero before the end, a
        // step back) ends the walk, so a damaged table can never loop.
        if (next != position + kEntrySize - base)
            return finish();
        // The file must lie in the data area, between the base and the table.
        if (offset > tableOffset || size > tableOffset - offset)
            return finish();
        const unsigned char* name = entry + kEntryHeader;
        uint64_t from = 0, to = kNameLength;
        while (from < to && IsTrimmed(name[from]))
            ++from;
        while (to > from && IsTrimmed(name[to - 1]))
            --to;
        TEmbeddedEntry item;
        item.name = FromUtf8(std::string_view(reinterpret_cast<const char*>(name + from), to - from));
        item.info.offset = base + offset;
        item.info.size = size;
        if (item.name.empty() || !seen.emplace(AsciiUpper(item.name), true).second)
            return finish(); // a duplicate ends the search; the entries before it stay
        entries.push_back(std::move(item));
        position += kEntrySize;
    }
    return finish();
}

std::string BuildAppendedTail(const std::vector<std::pair<std::string, std::string>>& files)
{
    std::string tail(kBeginSignature, kSignatureLength);
    std::vector<uint64_t> offsets;
    uint64_t data = 0;
    for (const auto& [name, bytes] : files) {
        offsets.push_back(data);
        tail += bytes;
        data += bytes.size();
    }
    const uint64_t tableOffset = data;
    for (size_t i = 0; i < files.size(); ++i) {
        Put64(tail, tableOffset + (i + 1) * kEntrySize);
        Put64(tail, offsets[i]);
        Put64(tail, files[i].second.size());
        std::string name = files[i].first.substr(0, kNameLength);
        name.resize(kNameLength, ' ');
        tail += name;
    }
    Put64(tail, 0);
    Put64(tail, tableOffset);
    tail.append(kEndSignature, kSignatureLength);
    return tail;
}

void TFileLocator::Build(const std::u16string& executablePath)
{
    executable_ = executablePath;
    const size_t slash = executablePath.find_last_of(u"\\/");
    folder_ = slash == std::u16string::npos ? std::u16string() : executablePath.substr(0, slash + 1);
    index_.clear();
    bytesRead_ = 0;
    auto& files = platform::CatalogFiles();
    uint64_t size = 0;
    if (!files.GetFileSize(executablePath, size))
        return;
    const auto entries = ReadAppendedTable(
        size, [&](uint64_t offset, void* buffer, size_t length) { return files.ReadAt(executablePath, offset, buffer, length); },
        &bytesRead_);
    for (const auto& entry : entries) {
        if (files.FileExists(folder_ + entry.name))
            continue; // the file beside the executable wins
        index_.emplace(AsciiUpper(entry.name), entry.info);
    }
}

bool TFileLocator::FindEmbedded(std::u16string_view name, TEmbeddedFileInfo& info) const
{
    const auto found = index_.find(AsciiUpper(name));
    if (found == index_.end())
        return false;
    info = found->second;
    return true;
}

} // namespace varnook
