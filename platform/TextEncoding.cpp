#include "platform/TextEncoding.h"

#include <cstdint>

namespace varnook::platform {

namespace {

bool StartsWith(std::string_view bytes, std::string_view mark)
{
    return bytes.substr(0, mark.size()) == mark;
}

// Strict UTF-8: no overlong forms, no surrogates, nothing above U+10FFFF. Decodes into text
// when it is valid.
bool DecodeUtf8(std::string_view bytes, std::u16string* text)
{
    size_t i = 0;
    while (i < bytes.size()) {
        const auto b0 = static_cast<unsigned char>(bytes[i]);
        uint32_t cp = 0;
        size_t length = 0;
        if (b0 < 0x80) {
            cp = b0;
            length = 1;
        } else if (b0 >= 0xC2 && b0 <= 0xDF) {
            cp = b0 & 0x1F;
            length = 2;
        } else if (b0 >= 0xE0 && b0 <= 0xEF) {
            cp = b0 & 0x0F;
            length = 3;
        } else if (b0 >= 0xF0 && b0 <= 0xF4) {
            cp = b0 & 0x07;
            length = 4;
        } else {
            return false;
        }
        if (i + length > bytes.size())
            return false;
        for (size_t k = 1; k < length; ++k) {
            const auto b = static_cast<unsigned char>(bytes[i + k]);
            if ((b & 0xC0) != 0x80)
                return false;
            cp = (cp << 6) | (b & 0x3F);
        }
        if ((length == 3 && (cp < 0x800 || (cp >= 0xD800 && cp <= 0xDFFF))) ||
            (length == 4 && (cp < 0x10000 || cp > 0x10FFFF)))
            return false;
        if (text) {
            if (cp >= 0x10000) {
                cp -= 0x10000;
                *text += static_cast<char16_t>(0xD800 + (cp >> 10));
                *text += static_cast<char16_t>(0xDC00 + (cp & 0x3FF));
            } else {
                *text += static_cast<char16_t>(cp);
            }
        }
        i += length;
    }
    return true;
}

// UTF-16 code units; an odd last byte cannot be read.
bool DecodeUtf16(std::string_view bytes, bool bigEndian, std::u16string& text)
{
    text.reserve(bytes.size() / 2);
    for (size_t i = 0; i + 1 < bytes.size(); i += 2) {
        const auto a = static_cast<unsigned char>(bytes[i]), b = static_cast<unsigned char>(bytes[i + 1]);
        text += static_cast<char16_t>(bigEndian ? (a << 8 | b) : (b << 8 | a));
    }
    return bytes.size() % 2 == 0;
}

} // namespace

TTextEncoding DetectTextEncoding(std::string_view bytes)
{
    if (StartsWith(bytes, "\xEF\xBB\xBF"))
        return TTextEncoding::Utf8Bom;
    if (StartsWith(bytes, "\xFF\xFE"))
        return TTextEncoding::Utf16LeBom;
    if (StartsWith(bytes, "\xFE\xFF"))
        return TTextEncoding::Utf16BeBom;
    // An INI file is mostly ASCII: in UTF-16 nearly every other byte is NUL, on the high side of
    // each character; a stray NUL in 8-bit text is no such pattern.
    size_t evenNuls = 0, oddNuls = 0;
    for (size_t i = 0; i < bytes.size(); ++i)
        if (bytes[i] == '\0')
            ++(i % 2 ? oddNuls : evenNuls);
    if ((evenNuls + oddNuls) * 4 >= bytes.size() && evenNuls + oddNuls > 0)
        return oddNuls >= evenNuls ? TTextEncoding::Utf16Le : TTextEncoding::Utf16Be;
    return DecodeUtf8(bytes, nullptr) ? TTextEncoding::Utf8 : TTextEncoding::Ansi;
}

bool DecodeLatin1(std::string_view bytes, std::u16string& text)
{
    text.reserve(text.size() + bytes.size());
    for (char c : bytes)
        text += static_cast<char16_t>(static_cast<unsigned char>(c));
    return true;
}

TDecodedText DecodeTextFile(std::string_view bytes, const TAnsiDecoder& ansi)
{
    TDecodedText result;
    result.encoding = DetectTextEncoding(bytes);
    switch (result.encoding) {
    case TTextEncoding::Utf8Bom:
        bytes.remove_prefix(3);
        [[fallthrough]];
    case TTextEncoding::Utf8:
        if (!DecodeUtf8(bytes, &result.text)) {
            // Only a marked file can get here: its mark promised what its bytes do not keep.
            result.text.clear();
            result.complete = false;
            (ansi ? ansi : DecodeLatin1)(bytes, result.text);
        }
        break;
    case TTextEncoding::Utf16LeBom:
    case TTextEncoding::Utf16BeBom:
        bytes.remove_prefix(2);
        result.complete = DecodeUtf16(bytes, result.encoding == TTextEncoding::Utf16BeBom, result.text);
        break;
    case TTextEncoding::Utf16Le:
    case TTextEncoding::Utf16Be:
        result.complete = DecodeUtf16(bytes, result.encoding == TTextEncoding::Utf16Be, result.text);
        break;
    case TTextEncoding::Ansi:
        (ansi ? ansi : DecodeLatin1)(bytes, result.text);
        // Not valid UTF-8, so there are bytes above 127: the code page is only a guess.
        result.complete = false;
        break;
    }
    return result;
}

} // namespace varnook::platform
