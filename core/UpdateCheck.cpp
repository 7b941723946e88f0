#include "core/UpdateCheck.h"

#include <algorithm>

namespace varnook {

namespace {

// Every signed message starts with this line, so a signature made by the release key for
// anything else can never pass for an update offer.
constexpr std::string_view kSignedMessageHead = "Varnook update v1\n";

std::string_view StripTrailingSlashes(std::string_view server)
{
    while (!server.empty() && server.back() == '/')
        server.remove_suffix(1);
    return server;
}

std::string Lower(std::string_view s)
{
    std::string out(s);
    for (char& c : out)
        if (c >= 'A' && c <= 'Z')
            c = static_cast<char>(c + 32);
    return out;
}

bool IsLoopbackHost(std::string_view host)
{
    const std::string h = Lower(host);
    if (h == "localhost" || h == "[::1]")
        return true;
    // 127.a.b.c, four decimal parts of at most 255.
    if (h.rfind("127.", 0) != 0)
        return false;
    int parts = 0;
    size_t i = 0;
    while (i <= h.size()) {
        const size_t dot = std::min(h.find('.', i), h.size());
        const std::string_view part = std::string_view(h).substr(i, dot - i);
        if (part.empty() || part.size() > 3 || !std::all_of(part.begin(), part.end(), [](char c) { return c >= '0' && c <= '9'; }))
            return false;
        if (std::stoi(std::string(part)) > 255)
            return false;
        ++parts;
        i = dot + 1;
    }
    return parts == 4;
}

int HexValue(char c)
{
    if (c >= '0' && c <= '9')
        return c - '0';
    if (c >= 'a' && c <= 'f')
        return c - 'a' + 10;
    if (c >= 'A' && c <= 'F')
        return c - 'A' + 10;
    return -1;
}

// One DER INTEGER at pos as 32 big-endian bytes: positive, minimal, at most 32 significant bytes.
bool DerInteger(std::span<const uint8_t> der, size_t& pos, uint8_t* out)
{
    if (pos + 2 > der.size() || der[pos] != 0x02)
        return false;
    const size_t length = der[pos + 1];
    pos += 2;
    if (length == 0 || length > 33 || pos + length > der.size())
        return false;
    std::span<const uint8_t> value = der.subspan(pos, length);
    pos += length;
    if (value[0] & 0x80)
        return false; // negative
    if (value.size() > 1 && value[0] == 0 && !(value[1] & 0x80))
        return false; // not minimal
    if (value[0] == 0 && value.size() > 1)
        value = value.subspan(1);
    if (value.size() > 32)
        return false;
    std::fill(out, out + 32, 0);
    std::copy(value.begin(), value.end(), out + (32 - value.size()));
    return true;
}

} // namespace

std::string UpdateRequestUrl(std::string_view server, uint32_t build, int32_t id)
{
    std::string url(StripTrailingSlashes(server));
    url += "/en/updates?build=" + std::to_string(build);
    if (id != 0)
        url += "&id=" + std::to_string(id);
    return url;
}

std::string UpdateDownloadUrl(std::string_view server)
{
    return std::string(StripTrailingSlashes(server)) + "/download/Varnook_setup.exe";
}

bool IsAllowedUpdateUrl(std::string_view url)
{
    const size_t colon = url.find("://");
    if (colon == std::string_view::npos)
        return false;
    const std::string scheme = Lower(url.substr(0, colon));
    std::string_view rest = url.substr(colon + 3);
    const std::string_view authority = rest.substr(0, std::min(rest.find_first_of("/?#"), rest.size()));
    if (authority.empty() || authority.find('@') != std::string_view::npos)
        return false;
    if (scheme == "https")
        return true;
    if (scheme != "http")
        return false;
    // The host without its port; an IPv6 literal keeps its brackets.
    std::string_view host = authority;
    if (host.front() == '[') {
        const size_t close = host.find(']');
        if (close == std::string_view::npos)
            return false;
        const std::string_view after = host.substr(close + 1);
        if (!after.empty() && after.front() != ':')
            return false;
        host = host.substr(0, close + 1);
    } else if (const size_t port = host.find(':'); port != std::string_view::npos) {
        host = host.substr(0, port);
    }
    return IsLoopbackHost(host);
}

bool IsOtherVersion(std::string_view own, std::string_view published)
{
    return own != published;
}

std::optional<uint32_t> ParseUpdateSize(std::string_view text)
{
    if (text.empty() || text.size() > 10)
        return std::nullopt;
    uint64_t value = 0;
    for (char c : text) {
        if (c < '0' || c > '9')
            return std::nullopt;
        value = value * 10 + static_cast<uint64_t>(c - '0');
    }
    if (value > UINT32_MAX)
        return std::nullopt;
    return static_cast<uint32_t>(value);
}

std::optional<std::vector<uint8_t>> HexToBytes(std::string_view hex)
{
    if (hex.size() % 2)
        return std::nullopt;
    std::vector<uint8_t> out;
    out.reserve(hex.size() / 2);
    for (size_t i = 0; i < hex.size(); i += 2) {
        const int hi = HexValue(hex[i]), lo = HexValue(hex[i + 1]);
        if (hi < 0 || lo < 0)
            return std::nullopt;
        out.push_back(static_cast<uint8_t>(hi * 16 + lo));
    }
    return out;
}

std::string BytesToHex(std::span<const uint8_t> bytes)
{
    static constexpr char kDigits[] = "0123456789abcdef";
    std::string out;
    out.reserve(bytes.size() * 2);
    for (uint8_t b : bytes) {
        out += kDigits[b >> 4];
        out += kDigits[b & 15];
    }
    return out;
}

std::optional<TP256Signature> EcdsaSignatureFromDer(std::span<const uint8_t> der)
{
    // SEQUENCE, short length (a P-256 signature is at most 72 bytes), two INTEGERs, nothing after.
    if (der.size() < 8 || der[0] != 0x30 || der[1] & 0x80 || der[1] != der.size() - 2)
        return std::nullopt;
    TP256Signature signature{};
    size_t pos = 2;
    if (!DerInteger(der, pos, signature.data()) || !DerInteger(der, pos, signature.data() + 32) || pos != der.size())
        return std::nullopt;
    return signature;
}

std::string SignedUpdateMessage(std::string_view version, std::string_view size, std::string_view sha256)
{
    std::string message(kSignedMessageHead);
    message.append(version).append("\n").append(size).append("\n").append(sha256).append("\n");
    return message;
}

TOfferVerdict VerifyUpdateOffer(const TUpdateReply& reply, const TP256PublicKey& releaseKey, TVerifyP256 verify,
                                TUpdateOffer& offer)
{
    const std::optional<uint32_t> size = ParseUpdateSize(reply.size);
    if (!size)
        return TOfferVerdict::BadSize;
    const auto hash = reply.sha256.size() == 64 ? HexToBytes(reply.sha256) : std::nullopt;
    if (!hash)
        return TOfferVerdict::BadHash;
    // The version is signed too: a signed reply for one version cannot be made to offer another.
    // A line break inside a field would let two different replies sign alike.
    if (reply.version.find('\n') != std::string::npos)
        return TOfferVerdict::BadSignature;
    const auto der = HexToBytes(reply.signature);
    const auto signature = der ? EcdsaSignatureFromDer(*der) : std::nullopt;
    if (!signature || !verify ||
        !verify(releaseKey, SignedUpdateMessage(reply.version, reply.size, reply.sha256), *signature))
        return TOfferVerdict::BadSignature;
    offer.version = reply.version;
    offer.history = reply.history;
    offer.size = *size;
    std::copy(hash->begin(), hash->end(), offer.sha256.begin());
    return TOfferVerdict::Offered;
}

bool IsOfferedInstaller(const TUpdateOffer& offer, uint64_t length, const TSha256Digest& sha256)
{
    return length == offer.size && sha256 == offer.sha256;
}

std::optional<TP256PublicKey> ParseReleaseKey(std::string_view hex)
{
    if (hex.size() == 130 && hex.substr(0, 2) == "04")
        hex.remove_prefix(2);
    if (hex.size() != 128)
        return std::nullopt;
    const auto bytes = HexToBytes(hex);
    if (!bytes)
        return std::nullopt;
    TP256PublicKey key{};
    std::copy(bytes->begin(), bytes->end(), key.begin());
    return key;
}

} // namespace varnook
