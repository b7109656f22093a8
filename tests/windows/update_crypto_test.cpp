// Signature and digest checks against values made beforehand with OpenSSL.
#include "updater/update_crypto.h"

#include "base/unique_handle_win32.h"

#include <gtest/gtest.h>

#include <array>
#include <cstdint>
#include <filesystem>
#include <fstream>
#include <string>
#include <string_view>
#include <vector>

namespace zentrim {
namespace {

std::vector<std::uint8_t> FromHex(std::string_view hex) {
    std::vector<std::uint8_t> bytes;
    for (std::size_t i = 0; i + 1 < hex.size(); i += 2) {
        bytes.push_back(static_cast<std::uint8_t>(std::stoi(std::string(hex.substr(i, 2)), nullptr, 16)));
    }
    return bytes;
}

std::vector<std::uint8_t> Bytes(std::string_view text) {
    return {text.begin(), text.end()};
}

// Made once with OpenSSL:
//   openssl ecparam -name prime256v1 -genkey -noout -out key.pem
//   openssl dgst -sha256 -sign key.pem -out sig.der msg.bin   (msg.bin holds kMessage)
// The public key is the uncompressed point without its 04 prefix; the signature is the DER
// sequence's two integers, each 32 bytes.
constexpr std::string_view kMessage = "Zentrim 2.10.22.2025 x64 package digest check";
constexpr std::string_view kPublicKey = "6d09407520a9555f4b799fe1572022cd8139c208ee767103491ffc448c46328c"
                                        "92d9f03b4ed1d17aed0b6929d75cb190da95ef8d47c313740ea61b35fc0f1ac2";
constexpr std::string_view kSignatureR = "75c31e4495d791b8b70e349ac248cd570cda3203452ecaad45211f009081fbb2";
constexpr std::string_view kSignatureS = "1bf7dff777946277db0d199f9355740dad5765dfcad389ef0b3344c784b10439";

std::array<std::uint8_t, 64> PublicKey() {
    const auto bytes = FromHex(kPublicKey);
    std::array<std::uint8_t, 64> key{};
    std::copy(bytes.begin(), bytes.end(), key.begin());
    return key;
}

std::vector<std::uint8_t> Signature() {
    auto signature = FromHex(kSignatureR);
    const auto s = FromHex(kSignatureS);
    signature.insert(signature.end(), s.begin(), s.end());
    return signature;
}

TEST(UpdateCrypto, SignatureMadeByOpenSslVerifies) {
    EXPECT_TRUE(VerifyEcdsaP256Sha256(Bytes(kMessage), Signature(), PublicKey()));
}

TEST(UpdateCrypto, AnyFlippedBitFailsTheCheck) {
    const auto message = Bytes(kMessage);
    const auto signature = Signature();
    const auto key = PublicKey();

    for (const std::size_t bit : {0u, 7u, 100u, 8 * 44u + 3}) {
        auto changed = message;
        changed[bit / 8] ^= static_cast<std::uint8_t>(1u << (bit % 8));
        EXPECT_FALSE(VerifyEcdsaP256Sha256(changed, signature, key)) << "message bit " << bit;
    }
    // Bits of r (the first half) and of s (the second).
    for (const std::size_t bit : {0u, 255u, 256u, 511u}) {
        auto changed = signature;
        changed[bit / 8] ^= static_cast<std::uint8_t>(0x80u >> (bit % 8));
        EXPECT_FALSE(VerifyEcdsaP256Sha256(message, changed, key)) << "signature bit " << bit;
    }
    // A changed key is another point, or none on the curve at all: neither verifies.
    for (const std::size_t bit : {0u, 300u, 511u}) {
        auto changed = key;
        changed[bit / 8] ^= static_cast<std::uint8_t>(0x80u >> (bit % 8));
        EXPECT_FALSE(VerifyEcdsaP256Sha256(message, signature, changed)) << "key bit " << bit;
    }
    EXPECT_FALSE(VerifyEcdsaP256Sha256({}, signature, key)) << "empty message";
}

TEST(UpdateCrypto, SignaturesOfTheWrongLengthFail) {
    const auto message = Bytes(kMessage);
    const auto signature = Signature();
    const auto key = PublicKey();

    EXPECT_FALSE(VerifyEcdsaP256Sha256(message, {}, key));
    EXPECT_FALSE(VerifyEcdsaP256Sha256(message, std::span(signature).first(63), key));
    auto longer = signature;
    longer.push_back(0);
    EXPECT_FALSE(VerifyEcdsaP256Sha256(message, longer, key));
    // The DER form OpenSSL writes is not the form taken here.
    auto der = FromHex("3044022075c31e4495d791b8b70e349ac248cd570cda3203452ecaad45211f009081fbb2"
                       "02201bf7dff777946277db0d199f9355740dad5765dfcad389ef0b3344c784b10439");
    EXPECT_FALSE(VerifyEcdsaP256Sha256(message, der, key));
}

class FileSha256Test : public ::testing::Test {
protected:
    void SetUp() override {
        folder_ = std::filesystem::temp_directory_path() /
                  ("zentrim-sha256-" + std::to_string(GetCurrentProcessId()));
        std::filesystem::create_directories(folder_);
    }
    void TearDown() override { std::filesystem::remove_all(folder_); }

    std::filesystem::path Write(const std::string& name, const std::string& content) {
        const auto file = folder_ / name;
        std::ofstream(file, std::ios::binary) << content;
        return file;
    }

    static std::string Hex(const std::array<std::uint8_t, 32>& digest) {
        std::string text;
        for (const std::uint8_t byte : digest) {
            constexpr char kDigits[] = "0123456789abcdef";
            text += kDigits[byte >> 4];
            text += kDigits[byte & 0xf];
        }
        return text;
    }

    std::filesystem::path folder_;
};

TEST_F(FileSha256Test, DigestsOfKnownContents) {
    const auto abc = FileSha256(Write("abc.bin", "abc"));
    ASSERT_TRUE(abc);
    EXPECT_EQ(Hex(*abc), "ba7816bf8f01cfea414140de5dae2223b00361a396177a9cb410ff61f20015ad");

    const auto empty = FileSha256(Write("empty.bin", ""));
    ASSERT_TRUE(empty);
    EXPECT_EQ(Hex(*empty), "e3b0c44298fc1c149afbf4c8996fb92427ae41e4649b934ca495991b7852b855");

    // A million "a": read in many pieces, the last one partial.
    const auto million = FileSha256(Write("million.bin", std::string(1000000, 'a')));
    ASSERT_TRUE(million);
    EXPECT_EQ(Hex(*million), "cdc76e5c9914fb9281a1c7e284d73e67f1809a48a497200e046d39ccc7112cd0");
}

TEST_F(FileSha256Test, NothingForWhatCannotBeRead) {
    EXPECT_FALSE(FileSha256(folder_ / "missing.bin"));
    EXPECT_FALSE(FileSha256(folder_)) << "a folder";
}

} // namespace
} // namespace zentrim
