// The index of the message catalogs appended to the executable, and where each catalog of a
// language is found (the appended copy, or a file beside the executable that replaces it).
#pragma once

#include <cstdint>
#include <functional>
#include <map>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

namespace varnook {

struct TEmbeddedFileInfo {
    uint64_t offset = 0; // absolute, in the executable file
    uint64_t size = 0;
};

struct TEmbeddedEntry {
    std::u16string name; // relative path with backslashes, e.g. locale\de\LC_MESSAGES\default.mo
    TEmbeddedFileInfo info;
};

// Reads exactly length bytes at offset of the file; false on any shortfall.
using TReadAt = std::function<bool(uint64_t offset, void* buffer, size_t length)>;

// The entries of the tail appended to a file of fileSize bytes, found from the end: the end
// signature in the last bytes, the table offset before it, the table walked forward and the
// begin signature checked at the base the table implies. Anything inconsistent gives no entries.
// bytesRead, when given, receives how many bytes were read.
std::vector<TEmbeddedEntry> ReadAppendedTable(uint64_t fileSize, const TReadAt& readAt, uint64_t* bytesRead = nullptr);

// The tail for a list of (relative name, file bytes), in the layout ReadAppendedTable reads.
std::string BuildAppendedTail(const std::vector<std::pair<std::string, std::string>>& files);

class TFileLocator {
public:
    // Indexes the catalogs appended to the executable; a name that also exists as a file beside
    // the executable is left to the disk file. Failures leave an empty (or shorter) index.
    void Build(const std::u16string& executablePath);

    const std::u16string& ExecutablePath() const { return executable_; }
    // The executable's folder with a trailing backslash.
    const std::u16string& Folder() const { return folder_; }
    // The appended copy of a relative name (letter case ignored).
    bool FindEmbedded(std::u16string_view name, TEmbeddedFileInfo& info) const;
    uint64_t BytesRead() const { return bytesRead_; }

private:
    std::u16string executable_;
    std::u16string folder_;
    std::map<std::u16string, TEmbeddedFileInfo> index_; // keyed by the ASCII upper-cased name
    uint64_t bytesRead_ = 0;
};

extern const char kBeginSignature[40];
extern const char kEndSignature[40];

} // namespace varnook
