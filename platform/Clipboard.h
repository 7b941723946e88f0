// The system clipboard as the copy and paste of variables need it: plain text and one registered
// format for a copied variable's record. The clipboard belongs to whichever program opened it
// last; while another program holds it open, the calls retry briefly and then say so.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace varnook::platform {

// The name the format of a copied variable is registered under.
inline constexpr char16_t kVariableClipboardFormat[] = u"VariableClipboard";

enum class TClipboardStatus {
    Done,
    // Another program kept the clipboard open through every retry.
    Busy,
    // No memory for a block; the clipboard is as it was.
    NoMemory,
};

struct TClipboardContent {
    // The bytes of the variable format's block when the clipboard holds it (possibly rounded up
    // in size); none otherwise.
    std::optional<std::vector<uint8_t>> record;
    // The text, up to its first NUL; empty when there is none.
    std::u16string text;
};

class IClipboard {
public:
    virtual ~IClipboard() = default;
    // Registers the variable format by name (once per process is enough; again is harmless).
    virtual void RegisterVariableFormat() = 0;
    // Whether the clipboard holds text, or a variable record; no need to open it for that.
    virtual bool HasText() const = 0;
    virtual bool HasVariable() const = 0;
    // Empties the clipboard on behalf of the owner window and puts the text there, and the
    // record when there is one.
    virtual TClipboardStatus Put(void* owner, std::u16string_view text, const std::vector<uint8_t>* record) = 0;
    // Reads the record and the text on behalf of the owner window.
    virtual TClipboardStatus Get(void* owner, TClipboardContent& content) = 0;
};

IClipboard& Clipboard();

} // namespace varnook::platform
