#include "platform/Crypto.h"

#include <windows.h>

#include <bcrypt.h>

#include <vector>

namespace varnook::platform {

namespace {

bool Ok(NTSTATUS status)
{
    return status >= 0;
}

struct CloseAlgorithm { void operator()(BCRYPT_ALG_HANDLE h) const { BCryptCloseAlgorithmProvider(h, 0); } };
struct DestroyHash { void operator()(BCRYPT_HASH_HANDLE h) const { BCryptDestroyHash(h); } };
struct DestroyKey { void operator()(BCRYPT_KEY_HANDLE h) const { BCryptDestroyKey(h); } };

template <class T, class Close>
struct Owned {
    T value = nullptr;
    ~Owned()
    {
        if (value)
            Close{}(value);
    }
};

std::array<uint8_t, 32> HashOnce(std::string_view message)
{
    TSha256 hash;
    hash.Update(message.data(), message.size());
    return hash.Finish();
}

} // namespace

struct TSha256::Impl {
    Owned<BCRYPT_ALG_HANDLE, CloseAlgorithm> algorithm;
    Owned<BCRYPT_HASH_HANDLE, DestroyHash> hash;
    bool failed = false;
};

TSha256::TSha256() : impl_(std::make_unique<Impl>())
{
    impl_->failed = !Ok(BCryptOpenAlgorithmProvider(&impl_->algorithm.value, BCRYPT_SHA256_ALGORITHM, nullptr, 0)) ||
                    !Ok(BCryptCreateHash(impl_->algorithm.value, &impl_->hash.value, nullptr, 0, nullptr, 0, 0));
}

TSha256::~TSha256() = default;

void TSha256::Update(const void* data, size_t length)
{
    auto* bytes = static_cast<PUCHAR>(const_cast<void*>(data));
    while (!impl_->failed && length) {
        const ULONG piece = length > 0x40000000 ? 0x40000000 : static_cast<ULONG>(length);
        impl_->failed = !Ok(BCryptHashData(impl_->hash.value, bytes, piece, 0));
        bytes += piece;
        length -= piece;
    }
}

std::array<uint8_t, 32> TSha256::Finish()
{
    std::array<uint8_t, 32> digest{};
    // A hash the system could not compute matches nothing: all bytes 0xFF never come out of a
    // working SHA-256 in practice, and a verification compares against the signed value.
    if (impl_->failed || !Ok(BCryptFinishHash(impl_->hash.value, digest.data(), 32, 0)))
        digest.fill(0xFF);
    impl_->failed = true;
    return digest;
}

bool VerifyP256Sha256(const std::array<uint8_t, 64>& key, std::string_view message,
                      const std::array<uint8_t, 64>& signature)
{
    Owned<BCRYPT_ALG_HANDLE, CloseAlgorithm> algorithm;
    if (!Ok(BCryptOpenAlgorithmProvider(&algorithm.value, BCRYPT_ECDSA_P256_ALGORITHM, nullptr, 0)))
        return false;
    std::vector<UCHAR> blob(sizeof(BCRYPT_ECCKEY_BLOB) + 64);
    auto* header = reinterpret_cast<BCRYPT_ECCKEY_BLOB*>(blob.data());
    header->dwMagic = BCRYPT_ECDSA_PUBLIC_P256_MAGIC;
    header->cbKey = 32;
    std::copy(key.begin(), key.end(), blob.begin() + sizeof(BCRYPT_ECCKEY_BLOB));
    Owned<BCRYPT_KEY_HANDLE, DestroyKey> publicKey;
    if (!Ok(BCryptImportKeyPair(algorithm.value, nullptr, BCRYPT_ECCPUBLIC_BLOB, &publicKey.value, blob.data(),
                                static_cast<ULONG>(blob.size()), 0)))
        return false;
    std::array<uint8_t, 32> digest = HashOnce(message);
    std::array<uint8_t, 64> sig = signature;
    return Ok(BCryptVerifySignature(publicKey.value, nullptr, digest.data(), 32, sig.data(), 64, 0));
}

} // namespace varnook::platform
