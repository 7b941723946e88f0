// The update server's reply: a small XML document whose root holds the published version, its
// history, the installer's size and SHA-256, and the release key's signature over them.
#pragma once

#include <cstddef>
#include <optional>
#include <string>
#include <string_view>

namespace varnook {

// The texts of the root's child elements the program reads, in UTF-8. A missing element gives
// the empty text, as an empty one does.
struct TUpdateReply {
    std::string version;
    std::string history;
    std::string size;
    std::string sha256;
    std::string signature;
};

// Limits on what a reply may be: anything larger is hostile or broken, never a real reply.
inline constexpr size_t kMaxUpdateReplyLength = 64 * 1024;
inline constexpr size_t kMaxUpdateHistoryLength = 32 * 1024;
inline constexpr size_t kMaxUpdateFieldLength = 256; // version, size, sha256, signature
inline constexpr size_t kMaxUpdateReplyDepth = 16;

// Parses the reply. Nothing when it is not a well-formed UTF-8 XML document within the limits,
// or when it holds a document type declaration or an entity the XML language does not define:
// such a reply counts as nothing retrieved.
std::optional<TUpdateReply> ParseUpdateReply(std::string_view document);

} // namespace varnook
