// Signature and digest checks with CNG.
#include "updater/update_crypto.h"

#include "base/unique_handle_win32.h"

#include <windows.h>

#include <bcrypt.h>

#include <algorithm>
#include <array>
#include <cstdint>
#include <cstring>
#include <optional>
#include <span>
#include <vector>

namespace zentrim {

namespace {

// NTSTATUS values below zero are failures.
bool Succeeded(NTSTATUS status) {
    return status >= 0;
}

void CloseAlgorithm(BCRYPT_ALG_HANDLE algorithm) {
    BCryptCloseAlgorithmProvider(algorithm, 0);
}
void DestroyKey(BCRYPT_KEY_HANDLE key) {
    BCryptDestroyKey(key);
}
void DestroyHash(BCRYPT_HASH_HANDLE hash) {
    BCryptDestroyHash(hash);
}
using UniqueAlgorithm = UniqueHandle<BCRYPT_ALG_HANDLE, &CloseAlgorithm>;
using UniqueKey = UniqueHandle<BCRYPT_KEY_HANDLE, &DestroyKey>;
using UniqueHash = UniqueHandle<BCRYPT_HASH_HANDLE, &DestroyHash>;

using Digest = std::array<std::uint8_t, 32>;

// A SHA-256 that is fed in pieces. BCryptCreateHash with a buffer of CNG's own, so this runs on
// Windows Vista and 7 too.
class Sha256 {
public:
    Sha256() {
        if (Succeeded(BCryptOpenAlgorithmProvider(algorithm_.put(), BCRYPT_SHA256_ALGORITHM, nullptr, 0)) &&
            !Succeeded(BCryptCreateHash(algorithm_.get(), hash_.put(), nullptr, 0, nullptr, 0, 0))) {
            hash_.reset();
        }
    }
    bool Add(std::span<const std::uint8_t> bytes) {
        while (hash_ && !bytes.empty()) {
            const ULONG piece = static_cast<ULONG>(std::min<std::size_t>(bytes.size(), 1u << 30));
            if (!Succeeded(BCryptHashData(hash_.get(), const_cast<PUCHAR>(bytes.data()), piece, 0))) {
                hash_.reset();
            }
            bytes = bytes.subspan(piece);
        }
        return static_cast<bool>(hash_);
    }
    std::optional<Digest> Finish() {
        Digest digest{};
        if (!hash_ ||
            !Succeeded(BCryptFinishHash(hash_.get(), digest.data(), static_cast<ULONG>(digest.size()), 0))) {
            return std::nullopt;
        }
        hash_.reset();
        return digest;
    }

private:
    UniqueAlgorithm algorithm_;
    UniqueHash hash_; // destroyed before its algorithm
};

} // namespace

bool VerifyEcdsaP256Sha256(std::span<const std::uint8_t> message, std::span<const std::uint8_t> signature,
                           std::span<const std::uint8_t, 64> publicKey) {
    if (signature.size() != 64) {
        return false;
    }
    Sha256 hash;
    if (!hash.Add(message)) {
        return false;
    }
    const std::optional<Digest> digest = hash.Finish();
    if (!digest) {
        return false;
    }

    UniqueAlgorithm algorithm;
    if (!Succeeded(BCryptOpenAlgorithmProvider(algorithm.put(), BCRYPT_ECDSA_P256_ALGORITHM, nullptr, 0))) {
        return false;
    }
    // A BCRYPT_ECCPUBLIC_BLOB: the header, then X and Y.
    std::vector<std::uint8_t> blob(sizeof(BCRYPT_ECCKEY_BLOB) + publicKey.size());
    BCRYPT_ECCKEY_BLOB header{BCRYPT_ECDSA_PUBLIC_P256_MAGIC, 32};
    std::memcpy(blob.data(), &header, sizeof header);
    std::memcpy(blob.data() + sizeof header, publicKey.data(), publicKey.size());
    UniqueKey key;
    if (!Succeeded(BCryptImportKeyPair(algorithm.get(), nullptr, BCRYPT_ECCPUBLIC_BLOB, key.put(),
                                       blob.data(), static_cast<ULONG>(blob.size()), 0))) {
        return false;
    }
    Digest digestBytes = *digest;
    std::array<std::uint8_t, 64> signatureBytes{};
    std::copy(signature.begin(), signature.end(), signatureBytes.begin());
    const NTSTATUS status =
        BCryptVerifySignature(key.get(), nullptr, digestBytes.data(), static_cast<ULONG>(digestBytes.size()),
                              signatureBytes.data(), static_cast<ULONG>(signatureBytes.size()), 0);
    key.reset(); // before its algorithm
    return status == 0;
}

std::optional<std::array<std::uint8_t, 32>> HandleSha256(void* file) {
    Sha256 hash;
    std::vector<std::uint8_t> piece(64 * 1024);
    for (;;) {
        DWORD read = 0;
        if (!ReadFile(file, piece.data(), static_cast<DWORD>(piece.size()), &read, nullptr)) {
            return std::nullopt;
        }
        if (read == 0) {
            break;
        }
        if (!hash.Add(std::span(piece.data(), read))) {
            return std::nullopt;
        }
    }
    return hash.Finish();
}

std::optional<std::array<std::uint8_t, 32>> FileSha256(const std::filesystem::path& file) {
    const UniqueKernelHandle input(
        NullIfInvalid(CreateFileW(file.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                                  FILE_FLAG_SEQUENTIAL_SCAN, nullptr)));
    if (!input) {
        return std::nullopt;
    }
    return HandleSha256(input.get());
}

} // namespace zentrim
