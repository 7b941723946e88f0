// What the update check decides without the network: the request addresses, which replies
// offer a version, and whether an offer and a downloaded installer carry the release key's
// signature.
#pragma once

#include "core/UpdateReply.h"

#include <array>
#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

namespace varnook {

using TSha256Digest = std::array<uint8_t, 32>;
// An uncompressed P-256 point without its 04 prefix: X then Y, 32 bytes each, big-endian.
using TP256PublicKey = std::array<uint8_t, 64>;
// An ECDSA signature as r then s, 32 bytes each, big-endian.
using TP256Signature = std::array<uint8_t, 64>;

// The address the check asks: server + "/en/updates?build=" + build, and "&id=" + id when the
// id is not 0. A slash at the end of the server address is not doubled.
std::string UpdateRequestUrl(std::string_view server, uint32_t build, int32_t id);
// The address of the installer on the server.
std::string UpdateDownloadUrl(std::string_view server);

// Only HTTPS may carry the update, except to the machine itself (tests, local mirrors):
// http to 127.0.0.0/8, [::1] or localhost. An address with user information before the host
// is refused, so "http://127.0.0.1@elsewhere" cannot pass for loopback.
bool IsAllowedUpdateUrl(std::string_view url);

// The published version is offered when its text differs in any way from the own version text.
bool IsOtherVersion(std::string_view own, std::string_view published);

// The installer size: a whole decimal number of bytes that fits 32 bits; nothing otherwise.
std::optional<uint32_t> ParseUpdateSize(std::string_view text);

// Lower- or upper-case hex to bytes; nothing for an odd length or any other character.
std::optional<std::vector<uint8_t>> HexToBytes(std::string_view hex);
std::string BytesToHex(std::span<const uint8_t> bytes);

// An ECDSA signature in the DER form openssl writes (SEQUENCE of two INTEGERs) as r and s;
// nothing unless it is exactly that, with r and s of at most 32 bytes.
std::optional<TP256Signature> EcdsaSignatureFromDer(std::span<const uint8_t> der);

// The bytes the release key signs: a fixed first line, then the version, the size and the
// SHA-256 exactly as the reply carries them, each on a line of its own.
std::string SignedUpdateMessage(std::string_view version, std::string_view size, std::string_view sha256);

// The verification the check needs from the system: ECDSA over P-256 with SHA-256.
using TVerifyP256 = bool (*)(const TP256PublicKey& key, std::string_view message, const TP256Signature& signature);

// An offer the program may act on: the reply's fields, checked.
struct TUpdateOffer {
    std::string version;
    std::string history;
    uint32_t size = 0;
    TSha256Digest sha256{};
};

enum class TOfferVerdict { Offered, BadSize, BadHash, BadSignature };

// Checks the reply: a whole-number size, a SHA-256 of 64 hex digits, and a signature of the
// release key over the version, size and SHA-256. A missing element fails like a wrong one.
TOfferVerdict VerifyUpdateOffer(const TUpdateReply& reply, const TP256PublicKey& releaseKey, TVerifyP256 verify,
                                TUpdateOffer& offer);

// A downloaded installer is the offered one when both its length and its SHA-256 match.
bool IsOfferedInstaller(const TUpdateOffer& offer, uint64_t length, const TSha256Digest& sha256);

// The release key as a build setting gives it: 128 hex digits (X then Y), or 130 with the 04
// prefix of the uncompressed form. Nothing otherwise.
std::optional<TP256PublicKey> ParseReleaseKey(std::string_view hex);

} // namespace varnook
