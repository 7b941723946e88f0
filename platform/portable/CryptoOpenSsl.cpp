// The native stand-in for the system's cryptography: OpenSSL's libcrypto.
#include "platform/Crypto.h"

#include <openssl/bn.h>
#include <openssl/core_names.h>
#include <openssl/ecdsa.h>
#include <openssl/evp.h>
#include <openssl/param_build.h>

#include <vector>

namespace varnook::platform {

struct TSha256::Impl {
    EVP_MD_CTX* context = nullptr;
    bool failed = false;
    ~Impl() { EVP_MD_CTX_free(context); }
};

TSha256::TSha256() : impl_(std::make_unique<Impl>())
{
    impl_->context = EVP_MD_CTX_new();
    impl_->failed = !impl_->context || EVP_DigestInit_ex(impl_->context, EVP_sha256(), nullptr) != 1;
}

TSha256::~TSha256() = default;

void TSha256::Update(const void* data, size_t length)
{
    if (!impl_->failed && length)
        impl_->failed = EVP_DigestUpdate(impl_->context, data, length) != 1;
}

std::array<uint8_t, 32> TSha256::Finish()
{
    std::array<uint8_t, 32> digest{};
    unsigned length = 0;
    if (impl_->failed || EVP_DigestFinal_ex(impl_->context, digest.data(), &length) != 1 || length != 32)
        digest.fill(0xFF);
    impl_->failed = true;
    return digest;
}

bool VerifyP256Sha256(const std::array<uint8_t, 64>& key, std::string_view message,
                      const std::array<uint8_t, 64>& signature)
{
    unsigned char point[65];
    point[0] = 0x04;
    std::copy(key.begin(), key.end(), point + 1);
    OSSL_PARAM_BLD* build = OSSL_PARAM_BLD_new();
    OSSL_PARAM_BLD_push_utf8_string(build, OSSL_PKEY_PARAM_GROUP_NAME, "prime256v1", 0);
    OSSL_PARAM_BLD_push_octet_string(build, OSSL_PKEY_PARAM_PUB_KEY, point, sizeof(point));
    OSSL_PARAM* params = OSSL_PARAM_BLD_to_param(build);
    EVP_PKEY_CTX* fromData = EVP_PKEY_CTX_new_from_name(nullptr, "EC", nullptr);
    EVP_PKEY* publicKey = nullptr;
    bool ok = fromData && EVP_PKEY_fromdata_init(fromData) == 1 &&
              EVP_PKEY_fromdata(fromData, &publicKey, EVP_PKEY_PUBLIC_KEY, params) == 1;
    EVP_PKEY_CTX_free(fromData);
    OSSL_PARAM_free(params);
    OSSL_PARAM_BLD_free(build);
    if (ok) {
        // libcrypto wants the DER form back.
        ECDSA_SIG* sig = ECDSA_SIG_new();
        BIGNUM* r = BN_bin2bn(signature.data(), 32, nullptr);
        BIGNUM* s = BN_bin2bn(signature.data() + 32, 32, nullptr);
        ECDSA_SIG_set0(sig, r, s);
        unsigned char* der = nullptr;
        const int derLength = i2d_ECDSA_SIG(sig, &der);
        EVP_MD_CTX* context = EVP_MD_CTX_new();
        ok = derLength > 0 && EVP_DigestVerifyInit(context, nullptr, EVP_sha256(), nullptr, publicKey) == 1 &&
             EVP_DigestVerify(context, der, static_cast<size_t>(derLength),
                              reinterpret_cast<const unsigned char*>(message.data()), message.size()) == 1;
        EVP_MD_CTX_free(context);
        OPENSSL_free(der);
        ECDSA_SIG_free(sig);
    }
    EVP_PKEY_free(publicKey);
    return ok;
}

} // namespace varnook::platform
