// The cryptography the update check needs, from the system: SHA-256 and the verification of
// an ECDSA P-256 signature. Windows builds use BCrypt; the native build uses OpenSSL's libcrypto
// as the stand-in.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <memory>
#include <string_view>

namespace varnook::platform {

// SHA-256 over bytes given in pieces.
class TSha256 {
public:
    TSha256();
    ~TSha256();
    TSha256(const TSha256&) = delete;
    TSha256& operator=(const TSha256&) = delete;

    void Update(const void* data, size_t length);
    // The digest of everything given; the object is spent afterwards.
    std::array<uint8_t, 32> Finish();

private:
    struct Impl;
    std::unique_ptr<Impl> impl_;
};

// Whether signature (r then s, 32 bytes each) is an ECDSA signature over the SHA-256 of message
// by the P-256 key whose point is key (X then Y, 32 bytes each). False also when the key is not
// a point of the curve or the system cannot verify.
bool VerifyP256Sha256(const std::array<uint8_t, 64>& key, std::string_view message,
                      const std::array<uint8_t, 64>& signature);

} // namespace varnook::platform
