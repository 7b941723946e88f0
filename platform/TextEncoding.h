// How the bytes of a text file the program did not write itself are read: byte-order marks
// first, then UTF-16 recognised by its NUL bytes, valid UTF-8 as UTF-8, and otherwise the ANSI
// code page. Portable: no windows.h.
#pragma once

#include <functional>
#include <string>
#include <string_view>

namespace varnook::platform {

enum class TTextEncoding {
    Utf8Bom,
    Utf16LeBom,
    Utf16BeBom,
    Utf16Le, // no mark: NULs in the high bytes of ASCII characters
    Utf16Be,
    Utf8,    // valid UTF-8 without a mark, pure ASCII included
    Ansi,
};

TTextEncoding DetectTextEncoding(std::string_view bytes);

// Decodes bytes of the ANSI code page; false when some had no character there (the text then
// holds a stand-in for them).
using TAnsiDecoder = std::function<bool(std::string_view bytes, std::u16string& text)>;

struct TDecodedText {
    std::u16string text; // without the byte-order mark
    TTextEncoding encoding = TTextEncoding::Utf8;
    // Every byte was read as what it certainly is: nothing was dropped or replaced, and the
    // encoding was not a guess (ANSI with characters outside ASCII is one).
    bool complete = true;
};

// ansi: the code page's decoder; none reads ANSI as Windows-1252's Latin-1 part.
TDecodedText DecodeTextFile(std::string_view bytes, const TAnsiDecoder& ansi = {});

// Latin-1: every byte is the character of that number.
bool DecodeLatin1(std::string_view bytes, std::u16string& text);

} // namespace varnook::platform
