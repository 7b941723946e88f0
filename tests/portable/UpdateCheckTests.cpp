// The update check without the network: the reply parser against hostile and broken replies,
// the version comparison, the request addresses, and the verification of offers and
// installers against signatures openssl made for this build (UpdateTestVectors.h).
#include "UpdateTestVectors.h"
#include "core/UpdateCheck.h"
#include "core/UpdateReply.h"
#include "platform/Crypto.h"

#include <gtest/gtest.h>

using namespace varnook;
namespace tv = varnook::testvectors;

namespace {

const std::string kGood = "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n"
                          "<update><version>9.1.0.950</version><history>line one\nline two</history>"
                          "<size>3145728</size><sha256>ab</sha256><signature>cd</signature></update>";

std::string Repeat(char c, size_t n)
{
    return std::string(n, c);
}

struct ReplyCase {
    const char* what;
    std::string document;
    bool parsed;
    std::string version, history, size;
};

} // namespace

TEST(UpdateReply, ReadsTheFirstChildOfEachNameAndRefusesWhatIsHostile)
{
    const ReplyCase cases[] = {
        {"typical", kGood, true, "9.1.0.950", "line one\nline two", "3145728"},
        {"any root name, no declaration", "<r><size>1</size><version>1.0</version></r>", true, "1.0", "", "1"},
        {"missing elements are empty", "<r/>", true, "", "", ""},
        {"empty elements", "<r><version/><size></size></r>", true, "", "", ""},
        {"first of each name", "<r><version>a</version><version>b</version></r>", true, "a", "", ""},
        {"only children of the root", "<r><x><version>deep</version></x><version>top</version></r>", true, "top", "", ""},
        {"text of descendants counts", "<r><version>1.<b>2</b></version></r>", true, "1.2", "", ""},
        {"predefined entities and references", "<r><history>&lt;a&gt; &amp; &quot;&apos; &#65;&#x42;</history></r>", true,
         "", "<a> & \"' AB", ""},
        {"CDATA", "<r><history><![CDATA[<not markup>]]></history></r>", true, "", "<not markup>", ""},
        {"CR LF becomes LF", "<r><history>a\r\nb\rc</history></r>", true, "", "a\nb\nc", ""},
        {"comments, PIs, attributes", "<?xml version='1.0'?><!-- c --><r a=\"1\" b='&amp;'><?pi x?><version>v</version></r><!-- end -->",
         true, "v", "", ""},
        {"byte-order mark", "\xEF\xBB\xBF<r><version>v</version></r>", true, "v", "", ""},
        {"white space is kept", "<r><version> 9.1 </version></r>", true, " 9.1 ", "", ""},
        {"UTF-8 text", "<r><history>\xC3\xA4\xE2\x82\xAC</history></r>", true, "", "\xC3\xA4\xE2\x82\xAC", ""},
        // Hostile or broken: each is nothing retrieved.
        {"empty", "", false, "", "", ""},
        {"not XML", "<html>Service Unavailable", false, "", "", ""},
        {"plain text", "9.1.0.950", false, "", "", ""},
        {"DTD", "<!DOCTYPE r [<!ENTITY x \"y\">]><r><version>&x;</version></r>", false, "", "", ""},
        {"external entity", "<!DOCTYPE r SYSTEM \"file:///c:/windows/win.ini\"><r/>", false, "", "", ""},
        {"DTD after a comment", "<!-- --><!DOCTYPE r><r/>", false, "", "", ""},
        {"billion laughs", "<!DOCTYPE r [<!ENTITY a \"aaaa\"><!ENTITY b \"&a;&a;&a;\">]><r>&b;</r>", false, "", "", ""},
        {"undeclared entity", "<r><version>&nbsp;</version></r>", false, "", "", ""},
        {"entity in attribute", "<r a=\"&x;\"/>", false, "", "", ""},
        {"reference to NUL", "<r><version>&#0;</version></r>", false, "", "", ""},
        {"reference to a surrogate", "<r><version>&#xD800;</version></r>", false, "", "", ""},
        {"reference out of range", "<r><version>&#x110000;</version></r>", false, "", "", ""},
        {"markup declaration in content", "<r><!ENTITY x \"y\"></r>", false, "", "", ""},
        {"mismatched end", "<r><version>1</size></r>", false, "", "", ""},
        {"unclosed", "<r><version>1</version>", false, "", "", ""},
        {"two roots", "<r/><r/>", false, "", "", ""},
        {"text after the root", "<r/>x", false, "", "", ""},
        {"text before the root", "x<r/>", false, "", "", ""},
        {"declaration not first", "<!-- --><?xml version='1.0'?><r/>", false, "", "", ""},
        {"UTF-16 declared", "<?xml version='1.0' encoding='UTF-16'?><r/>", false, "", "", ""},
        {"invalid UTF-8", "<r><version>\xC3</version></r>", false, "", "", ""},
        {"overlong UTF-8", "<r><version>\xC0\xAF</version></r>", false, "", "", ""},
        {"control character", "<r><version>\x01</version></r>", false, "", "", ""},
        {"attribute without quotes", "<r a=1/>", false, "", "", ""},
        {"lt in attribute", "<r a=\"<\"/>", false, "", "", ""},
        {"]]> in text", "<r>a]]>b</r>", false, "", "", ""},
        {"unterminated comment", "<r><!-- </r>", false, "", "", ""},
        {"too deep", Repeat('x', 0) + "<a><a><a><a><a><a><a><a><a><a><a><a><a><a><a><a><a></a></a></a></a></a></a></a></a>"
                                      "</a></a></a></a></a></a></a></a></a>", false, "", "", ""},
        {"version too long", "<r><version>" + Repeat('9', kMaxUpdateFieldLength + 1) + "</version></r>", false, "", "", ""},
        {"history too long", "<r><history>" + Repeat('h', kMaxUpdateHistoryLength + 1) + "</history></r>", false, "", "", ""},
        {"reply too long", "<r>" + Repeat(' ', kMaxUpdateReplyLength) + "</r>", false, "", "", ""},
    };
    for (const ReplyCase& c : cases) {
        SCOPED_TRACE(c.what);
        const auto reply = ParseUpdateReply(c.document);
        ASSERT_EQ(reply.has_value(), c.parsed);
        if (!reply)
            continue;
        EXPECT_EQ(reply->version, c.version);
        EXPECT_EQ(reply->history, c.history);
        EXPECT_EQ(reply->size, c.size);
    }
    // At its limits a field is still read.
    const auto longest = ParseUpdateReply("<r><version>" + Repeat('9', kMaxUpdateFieldLength) + "</version></r>");
    ASSERT_TRUE(longest);
    EXPECT_EQ(longest->version.size(), kMaxUpdateFieldLength);
    const auto reply = ParseUpdateReply(kGood);
    ASSERT_TRUE(reply);
    EXPECT_EQ(reply->sha256, "ab");
    EXPECT_EQ(reply->signature, "cd");
}

TEST(UpdateCheck, VersionTextsAreComparedExactly)
{
    struct Case {
        const char* own;
        const char* published;
        bool offered;
    } const cases[] = {
        {"9.0.0.930", "9.0.0.930", false},
        {"9.0.0.930", "9.1.0.950", true},
        {"9.0.0.930", "9.0.0.0930", true}, // the same number written differently
        {"9.0.0.930", "8.0.0.1", true},    // an older version is offered as well
        {"9.0.0.930", "", true},           // a reply without a version
        {"9.0.0.930", " 9.0.0.930", true},
    };
    for (const Case& c : cases)
        EXPECT_EQ(IsOtherVersion(c.own, c.published), c.offered) << c.published;
}

TEST(UpdateCheck, RequestAddresses)
{
    EXPECT_EQ(UpdateRequestUrl("https://varnook.example", 930, 0), "https://varnook.example/en/updates?build=930");
    EXPECT_EQ(UpdateRequestUrl("https://varnook.example/", 930, 17), "https://varnook.example/en/updates?build=930&id=17");
    EXPECT_EQ(UpdateRequestUrl("http://127.0.0.1:8080/mirror", 1, -5), "http://127.0.0.1:8080/mirror/en/updates?build=1&id=-5");
    EXPECT_EQ(UpdateDownloadUrl("https://varnook.example//"), "https://varnook.example/download/Varnook_setup.exe");

    struct Case {
        const char* url;
        bool allowed;
    } const cases[] = {
        {"https://varnook.example", true},
        {"HTTPS://mirror.example:8443/updates", true},
        {"http://varnook.example", false},
        {"http://127.0.0.1:8080", true},
        {"http://127.12.0.1/x", true},
        {"http://localhost:1234", true},
        {"http://[::1]:1234/", true},
        {"http://128.0.0.1", false},
        {"http://127.0.0.1.evil.example/", false},
        {"http://127.0.0.256/", false},
        {"http://127.0.0.1@evil.example/", false},
        {"https://user@varnook.example/", false},
        {"http://[::2]/", false},
        {"ftp://127.0.0.1/", false},
        {"file:///c:/setup.exe", false},
        {"127.0.0.1", false},
        {"", false},
    };
    for (const Case& c : cases)
        EXPECT_EQ(IsAllowedUpdateUrl(c.url), c.allowed) << c.url;
}

TEST(UpdateCheck, SizeIsAWholeDecimalNumberOf32Bits)
{
    EXPECT_EQ(ParseUpdateSize("3145728"), 3145728u);
    EXPECT_EQ(ParseUpdateSize("0"), 0u);
    EXPECT_EQ(ParseUpdateSize("4294967295"), 4294967295u);
    for (const char* bad : {"", "4294967296", "-1", "+1", " 1", "1 ", "1.5", "0x10", "1e6", "99999999999"})
        EXPECT_FALSE(ParseUpdateSize(bad)) << bad;
}

TEST(UpdateCheck, DerSignaturesAreReadStrictly)
{
    auto der = [](const std::string& hex) { return EcdsaSignatureFromDer(*HexToBytes(hex)); };
    const std::string r32 = "01" + Repeat('0', 62), s32 = "7f" + Repeat('f', 62);
    const auto plain = der("3044" "0220" + r32 + "0220" + s32);
    ASSERT_TRUE(plain);
    EXPECT_EQ(BytesToHex(*plain), r32 + s32);
    // A high bit takes a 00 in front; a short integer is right-aligned.
    const auto padded = der("3026" "0221" "00ff" + Repeat('0', 62) + "0201" "05");
    ASSERT_TRUE(padded);
    EXPECT_EQ(BytesToHex(*padded), "ff" + Repeat('0', 62) + Repeat('0', 62) + "05");
    for (const std::string& bad : {
             std::string("3006020101020101") + "00",           // trailing byte
             std::string("3007020101020101"),                  // length says more
             std::string("3006020181020101"),                  // negative
             std::string("300702020001020101"),                // not minimal
             std::string("31060201010201") + "01",             // not a SEQUENCE
             "3045" "0221" "0101" + Repeat('0', 62) + "0220" + s32, // r of 33 bytes
         })
        EXPECT_FALSE(der(bad)) << bad;
    EXPECT_FALSE(HexToBytes("abc"));
    EXPECT_FALSE(HexToBytes("zz"));
}

TEST(UpdateCheck, Sha256OfTheSystem)
{
    platform::TSha256 abc;
    abc.Update("a", 1);
    abc.Update("bc", 2);
    EXPECT_EQ(BytesToHex(abc.Finish()), "ba7816bf8f01cfea414140de5dae2223b00361a396177a9cb410ff61f20015ad");
    platform::TSha256 empty;
    EXPECT_EQ(BytesToHex(empty.Finish()), "e3b0c44298fc1c149afbf4c8996fb92427ae41e4649b934ca495991b7852b855");
}

TEST(UpdateCheck, OffersAreSignedByTheReleaseKey)
{
    const TP256PublicKey key = *ParseReleaseKey(tv::kReleaseKey);
    const TUpdateReply good{tv::kVersion, "history", tv::kSize, tv::kSha256, tv::kSignature};
    TUpdateOffer offer;
    ASSERT_EQ(VerifyUpdateOffer(good, key, platform::VerifyP256Sha256, offer), TOfferVerdict::Offered);
    EXPECT_EQ(offer.version, tv::kVersion);
    EXPECT_EQ(offer.history, "history");
    EXPECT_EQ(offer.size, std::string(tv::kPayload).size());
    EXPECT_EQ(BytesToHex(offer.sha256), tv::kSha256);

    // Hex in capitals is signed as written.
    std::string upper = tv::kSha256;
    for (char& c : upper)
        c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
    TUpdateReply upperReply = good;
    upperReply.sha256 = upper;
    upperReply.signature = tv::kSignatureUpperSha;
    EXPECT_EQ(VerifyUpdateOffer(upperReply, key, platform::VerifyP256Sha256, offer), TOfferVerdict::Offered);

    std::string flipped = tv::kSignature;
    flipped[flipped.size() - 1] = flipped.back() == '0' ? '1' : '0';
    std::string otherSha = tv::kSha256;
    otherSha[0] = otherSha[0] == 'a' ? 'b' : 'a';
    struct Case {
        const char* what;
        TUpdateReply reply;
        TOfferVerdict verdict;
    } const cases[] = {
        {"no size", {tv::kVersion, "", "", tv::kSha256, tv::kSignature}, TOfferVerdict::BadSize},
        {"size not a number", {tv::kVersion, "", "15 bytes", tv::kSha256, tv::kSignature}, TOfferVerdict::BadSize},
        {"no sha256", {tv::kVersion, "", tv::kSize, "", tv::kSignature}, TOfferVerdict::BadHash},
        {"short sha256", {tv::kVersion, "", tv::kSize, std::string(tv::kSha256).substr(2), tv::kSignature}, TOfferVerdict::BadHash},
        {"sha256 not hex", {tv::kVersion, "", tv::kSize, Repeat('g', 64), tv::kSignature}, TOfferVerdict::BadHash},
        {"no signature", {tv::kVersion, "", tv::kSize, tv::kSha256, ""}, TOfferVerdict::BadSignature},
        {"signature not hex", {tv::kVersion, "", tv::kSize, tv::kSha256, "xyz"}, TOfferVerdict::BadSignature},
        {"signature altered", {tv::kVersion, "", tv::kSize, tv::kSha256, flipped}, TOfferVerdict::BadSignature},
        {"signed by another key", {tv::kVersion, "", tv::kSize, tv::kSha256, tv::kSignatureByOther}, TOfferVerdict::BadSignature},
        {"other version", {"9.1.0.951", "", tv::kSize, tv::kSha256, tv::kSignature}, TOfferVerdict::BadSignature},
        {"other size", {tv::kVersion, "", "16", tv::kSha256, tv::kSignature}, TOfferVerdict::BadSignature},
        {"same size with a leading zero", {tv::kVersion, "", std::string("0") + tv::kSize, tv::kSha256, tv::kSignature},
         TOfferVerdict::BadSignature},
        {"other sha256", {tv::kVersion, "", tv::kSize, otherSha, tv::kSignature}, TOfferVerdict::BadSignature},
        {"line break in version", {std::string(tv::kVersion) + "\n" + tv::kSize, "", tv::kSize, tv::kSha256, tv::kSignature},
         TOfferVerdict::BadSignature},
    };
    for (const Case& c : cases) {
        TUpdateOffer untouched;
        EXPECT_EQ(VerifyUpdateOffer(c.reply, key, platform::VerifyP256Sha256, untouched), c.verdict) << c.what;
        EXPECT_EQ(untouched.version, "") << c.what;
    }
    // The reply is right but the program trusts another key.
    EXPECT_EQ(VerifyUpdateOffer(good, *ParseReleaseKey(tv::kOtherKey), platform::VerifyP256Sha256, offer),
              TOfferVerdict::BadSignature);
    // A key that is no point of the curve verifies nothing.
    TP256PublicKey broken = key;
    broken[63] ^= 1;
    EXPECT_EQ(VerifyUpdateOffer(good, broken, platform::VerifyP256Sha256, offer), TOfferVerdict::BadSignature);
    EXPECT_EQ(VerifyUpdateOffer(good, key, nullptr, offer), TOfferVerdict::BadSignature);
}

TEST(UpdateCheck, TheDownloadedInstallerMatchesLengthAndHash)
{
    TUpdateOffer offer;
    const TUpdateReply good{tv::kVersion, "", tv::kSize, tv::kSha256, tv::kSignature};
    ASSERT_EQ(VerifyUpdateOffer(good, *ParseReleaseKey(tv::kReleaseKey), platform::VerifyP256Sha256, offer),
              TOfferVerdict::Offered);
    const std::string payload = tv::kPayload;
    auto hashOf = [](const std::string& bytes) {
        platform::TSha256 hash;
        hash.Update(bytes.data(), bytes.size());
        return hash.Finish();
    };
    EXPECT_TRUE(IsOfferedInstaller(offer, payload.size(), hashOf(payload)));
    EXPECT_FALSE(IsOfferedInstaller(offer, payload.size() + 1, hashOf(payload + "x")));
    EXPECT_FALSE(IsOfferedInstaller(offer, payload.size() - 1, hashOf(payload.substr(1))));
    std::string altered = payload;
    altered[0] ^= 1;
    EXPECT_FALSE(IsOfferedInstaller(offer, altered.size(), hashOf(altered)));
    // A length that matches with the right hash of other bytes cannot happen; a right hash with
    // a wrong length still fails.
    EXPECT_FALSE(IsOfferedInstaller(offer, payload.size() + 1, hashOf(payload)));
}

TEST(UpdateCheck, ReleaseKeySetting)
{
    EXPECT_TRUE(ParseReleaseKey(tv::kReleaseKey));
    EXPECT_TRUE(ParseReleaseKey(std::string(tv::kReleaseKey).substr(2)));
    EXPECT_FALSE(ParseReleaseKey(""));
    EXPECT_FALSE(ParseReleaseKey("05" + std::string(tv::kReleaseKey).substr(2)));
    EXPECT_FALSE(ParseReleaseKey(std::string(tv::kReleaseKey).substr(4)));
}
