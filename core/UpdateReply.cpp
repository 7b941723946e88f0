#include "core/UpdateReply.h"

#include <cstdint>
#include <vector>

namespace varnook {

namespace {

// A reply comes from the network: the parser is a strict, non-validating subset of XML 1.0
// that knows no document type declarations and therefore no entities but the five predefined
// ones and character references. It never fetches anything and never expands anything large.

bool IsXmlChar(uint32_t c)
{
    return c == 0x9 || c == 0xA || c == 0xD || (c >= 0x20 && c <= 0xD7FF) || (c >= 0xE000 && c <= 0xFFFD) ||
           (c >= 0x10000 && c <= 0x10FFFF);
}

// The whole document must be UTF-8 made of XML characters.
bool IsXmlUtf8(std::string_view s)
{
    size_t i = 0;
    while (i < s.size()) {
        const auto b = static_cast<unsigned char>(s[i]);
        uint32_t c = 0;
        size_t extra = 0;
        if (b < 0x80) {
            c = b;
        } else if ((b & 0xE0) == 0xC0) {
            c = b & 0x1F;
            extra = 1;
        } else if ((b & 0xF0) == 0xE0) {
            c = b & 0x0F;
            extra = 2;
        } else if ((b & 0xF8) == 0xF0) {
            c = b & 0x07;
            extra = 3;
        } else {
            return false;
        }
        if (extra && i + extra >= s.size())
            return false;
        for (size_t k = 1; k <= extra; ++k) {
            const auto t = static_cast<unsigned char>(s[i + k]);
            if ((t & 0xC0) != 0x80)
                return false;
            c = (c << 6) | (t & 0x3F);
        }
        // Overlong forms and surrogates are not UTF-8.
        if ((extra == 1 && c < 0x80) || (extra == 2 && c < 0x800) || (extra == 3 && c < 0x10000))
            return false;
        if (!IsXmlChar(c))
            return false;
        i += extra + 1;
    }
    return true;
}

void AppendUtf8(std::string& out, uint32_t c)
{
    if (c < 0x80) {
        out += static_cast<char>(c);
    } else if (c < 0x800) {
        out += static_cast<char>(0xC0 | (c >> 6));
        out += static_cast<char>(0x80 | (c & 0x3F));
    } else if (c < 0x10000) {
        out += static_cast<char>(0xE0 | (c >> 12));
        out += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (c & 0x3F));
    } else {
        out += static_cast<char>(0xF0 | (c >> 18));
        out += static_cast<char>(0x80 | ((c >> 12) & 0x3F));
        out += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (c & 0x3F));
    }
}

bool IsSpace(char c)
{
    return c == ' ' || c == '\t' || c == '\r' || c == '\n';
}

bool IsNameStart(char c)
{
    const auto u = static_cast<unsigned char>(c);
    return (u >= 'A' && u <= 'Z') || (u >= 'a' && u <= 'z') || u == '_' || u == ':' || u >= 0x80;
}

bool IsNameChar(char c)
{
    return IsNameStart(c) || (c >= '0' && c <= '9') || c == '-' || c == '.';
}

class TReplyParser {
public:
    explicit TReplyParser(std::string_view s) : s_(s) {}

    bool Parse(TUpdateReply& reply)
    {
        reply_ = &reply;
        if (!Prolog())
            return false;
        if (!Element())
            return false;
        // After the root only white space, comments and processing instructions.
        for (;;) {
            SkipSpace();
            if (pos_ == s_.size())
                return true;
            if (Starts("<!--")) {
                if (!Comment())
                    return false;
            } else if (Starts("<?")) {
                if (!ProcessingInstruction(false))
                    return false;
            } else {
                return false;
            }
        }
    }

private:
    bool Starts(std::string_view what) const { return s_.substr(pos_, what.size()) == what; }

    void SkipSpace()
    {
        while (pos_ < s_.size() && IsSpace(s_[pos_]))
            ++pos_;
    }

    bool Name(std::string_view& name)
    {
        const size_t start = pos_;
        if (pos_ >= s_.size() || !IsNameStart(s_[pos_]))
            return false;
        while (pos_ < s_.size() && IsNameChar(s_[pos_]))
            ++pos_;
        name = s_.substr(start, pos_ - start);
        return true;
    }

    bool Prolog()
    {
        bool first = true;
        for (;;) {
            if (!first)
                SkipSpace();
            if (Starts("<?")) {
                if (!ProcessingInstruction(first))
                    return false;
            } else if (Starts("<!--")) {
                if (!Comment())
                    return false;
            } else if (Starts("<!")) {
                // A document type declaration, the door to external and expanding entities.
                return false;
            } else if (Starts("<")) {
                return true;
            } else if (first && pos_ < s_.size() && IsSpace(s_[pos_])) {
                SkipSpace();
            } else {
                return false;
            }
            first = false;
        }
    }

    bool Comment()
    {
        const size_t end = s_.find("--", pos_ + 4);
        if (end == std::string_view::npos || end + 2 >= s_.size() || s_[end + 2] != '>')
            return false;
        pos_ = end + 3;
        return true;
    }

    // The XML declaration may only come first; it must not name an encoding other than UTF-8.
    bool ProcessingInstruction(bool atStart)
    {
        pos_ += 2;
        std::string_view target;
        if (!Name(target))
            return false;
        const size_t end = s_.find("?>", pos_);
        if (end == std::string_view::npos)
            return false;
        const std::string_view body = s_.substr(pos_, end - pos_);
        pos_ = end + 2;
        std::string lower;
        for (char c : target)
            lower += static_cast<char>(c >= 'A' && c <= 'Z' ? c + 32 : c);
        if (lower != "xml")
            return true;
        if (target != "xml" || !atStart)
            return false;
        const size_t enc = body.find("encoding");
        if (enc == std::string_view::npos)
            return true;
        size_t i = enc + 8;
        while (i < body.size() && IsSpace(body[i]))
            ++i;
        if (i >= body.size() || body[i] != '=')
            return false;
        ++i;
        while (i < body.size() && IsSpace(body[i]))
            ++i;
        if (i >= body.size() || (body[i] != '"' && body[i] != '\''))
            return false;
        const char quote = body[i++];
        const size_t close = body.find(quote, i);
        if (close == std::string_view::npos)
            return false;
        std::string name;
        for (char c : body.substr(i, close - i))
            name += static_cast<char>(c >= 'a' && c <= 'z' ? c - 32 : c);
        return name == "UTF-8" || name == "UTF8";
    }

    // "&...;" at pos_: appends the character it stands for.
    bool Reference(std::string& out)
    {
        const size_t end = s_.find(';', pos_);
        if (end == std::string_view::npos || end - pos_ > 12)
            return false;
        const std::string_view ref = s_.substr(pos_ + 1, end - pos_ - 1);
        pos_ = end + 1;
        if (ref == "lt")
            out += '<';
        else if (ref == "gt")
            out += '>';
        else if (ref == "amp")
            out += '&';
        else if (ref == "quot")
            out += '"';
        else if (ref == "apos")
            out += '\'';
        else if (ref.size() >= 2 && ref[0] == '#') {
            const bool hex = ref[1] == 'x';
            const std::string_view digits = ref.substr(hex ? 2 : 1);
            if (digits.empty())
                return false;
            uint32_t c = 0;
            for (char d : digits) {
                int v;
                if (d >= '0' && d <= '9')
                    v = d - '0';
                else if (hex && d >= 'a' && d <= 'f')
                    v = d - 'a' + 10;
                else if (hex && d >= 'A' && d <= 'F')
                    v = d - 'A' + 10;
                else
                    return false;
                c = c * (hex ? 16 : 10) + static_cast<uint32_t>(v);
                if (c > 0x10FFFF)
                    return false;
            }
            if (!IsXmlChar(c))
                return false;
            AppendUtf8(out, c);
        } else {
            // Any other entity would need a declaration, and declarations are refused.
            return false;
        }
        return true;
    }

    bool AttributeValue()
    {
        if (pos_ >= s_.size() || (s_[pos_] != '"' && s_[pos_] != '\''))
            return false;
        const char quote = s_[pos_++];
        std::string ignored;
        while (pos_ < s_.size() && s_[pos_] != quote) {
            if (s_[pos_] == '<')
                return false;
            if (s_[pos_] == '&') {
                if (!Reference(ignored))
                    return false;
                ignored.clear();
            } else {
                ++pos_;
            }
        }
        if (pos_ >= s_.size())
            return false;
        ++pos_;
        return true;
    }

    // Where text goes: the field of the root's child being read, if it is one the program keeps.
    std::string* field_ = nullptr;
    size_t fieldLimit_ = 0;
    size_t fieldDepth_ = 0;

    bool AppendText(std::string_view text)
    {
        if (!field_)
            return true;
        // Line ends as XML reports them: CR LF and lone CR become LF.
        for (size_t i = 0; i < text.size(); ++i) {
            if (text[i] == '\r') {
                if (i + 1 < text.size() && text[i + 1] == '\n')
                    continue;
                *field_ += '\n';
            } else {
                *field_ += text[i];
            }
        }
        return field_->size() <= fieldLimit_;
    }

    std::string* FieldFor(std::string_view name, size_t& limit)
    {
        struct Entry {
            std::string_view name;
            std::string TUpdateReply::*field;
            size_t limit;
            bool* seen;
        };
        const Entry entries[] = {
            {"version", &TUpdateReply::version, kMaxUpdateFieldLength, &seen_[0]},
            {"history", &TUpdateReply::history, kMaxUpdateHistoryLength, &seen_[1]},
            {"size", &TUpdateReply::size, kMaxUpdateFieldLength, &seen_[2]},
            {"sha256", &TUpdateReply::sha256, kMaxUpdateFieldLength, &seen_[3]},
            {"signature", &TUpdateReply::signature, kMaxUpdateFieldLength, &seen_[4]},
        };
        for (const Entry& e : entries) {
            if (e.name == name) {
                // The first child of each name counts; later ones are read past.
                if (*e.seen)
                    return nullptr;
                *e.seen = true;
                limit = e.limit;
                return &(reply_->*e.field);
            }
        }
        return nullptr;
    }

    // The root element and everything in it, without recursion.
    bool Element()
    {
        std::vector<std::string_view> open;
        for (;;) {
            if (Starts("</")) {
                pos_ += 2;
                std::string_view name;
                if (!Name(name) || open.empty() || name != open.back())
                    return false;
                SkipSpace();
                if (pos_ >= s_.size() || s_[pos_] != '>')
                    return false;
                ++pos_;
                if (field_ && open.size() == fieldDepth_)
                    field_ = nullptr;
                open.pop_back();
                if (open.empty())
                    return true;
            } else if (Starts("<!--")) {
                if (!Comment())
                    return false;
            } else if (Starts("<![CDATA[")) {
                const size_t end = s_.find("]]>", pos_ + 9);
                if (end == std::string_view::npos || !AppendText(s_.substr(pos_ + 9, end - pos_ - 9)))
                    return false;
                pos_ = end + 3;
            } else if (Starts("<!")) {
                return false;
            } else if (Starts("<?")) {
                if (!ProcessingInstruction(false))
                    return false;
            } else if (Starts("<")) {
                ++pos_;
                std::string_view name;
                if (!Name(name))
                    return false;
                for (;;) {
                    const size_t before = pos_;
                    SkipSpace();
                    if (Starts("/>") || Starts(">"))
                        break;
                    std::string_view attribute;
                    if (pos_ == before || !Name(attribute))
                        return false;
                    SkipSpace();
                    if (pos_ >= s_.size() || s_[pos_] != '=')
                        return false;
                    ++pos_;
                    SkipSpace();
                    if (!AttributeValue())
                        return false;
                }
                const bool empty = Starts("/>");
                pos_ += empty ? 2 : 1;
                if (open.size() + 1 > kMaxUpdateReplyDepth)
                    return false;
                if (open.size() == 1) {
                    size_t limit = 0;
                    std::string* field = FieldFor(name, limit);
                    if (field && !empty) {
                        field_ = field;
                        fieldLimit_ = limit;
                        fieldDepth_ = 2;
                    }
                }
                if (!empty)
                    open.push_back(name);
                else if (open.empty())
                    return true; // an empty root
            } else {
                if (open.empty())
                    return false;
                if (pos_ >= s_.size())
                    return false;
                if (s_[pos_] == '&') {
                    std::string decoded;
                    if (!Reference(decoded) || !AppendText(decoded))
                        return false;
                    continue;
                }
                const size_t next = s_.find_first_of("<&", pos_);
                const size_t end = next == std::string_view::npos ? s_.size() : next;
                const std::string_view text = s_.substr(pos_, end - pos_);
                if (text.find("]]>") != std::string_view::npos || !AppendText(text))
                    return false;
                pos_ = end;
            }
        }
    }

    std::string_view s_;
    size_t pos_ = 0;
    TUpdateReply* reply_ = nullptr;
    bool seen_[5] = {};
};

} // namespace

std::optional<TUpdateReply> ParseUpdateReply(std::string_view document)
{
    if (document.size() > kMaxUpdateReplyLength)
        return std::nullopt;
    if (document.substr(0, 3) == "\xEF\xBB\xBF")
        document.remove_prefix(3);
    if (document.empty() || !IsXmlUtf8(document))
        return std::nullopt;
    TUpdateReply reply;
    TReplyParser parser(document);
    if (!parser.Parse(reply))
        return std::nullopt;
    return reply;
}

} // namespace varnook
