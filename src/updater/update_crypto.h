// Checks of what the updater downloads: the signature of the update's description and the
// SHA-256 of the package it names. CNG (bcrypt) on Windows.
#pragma once

#include <array>
#include <cstdint>
#include <filesystem>
#include <optional>
#include <span>

namespace zentrim {

// ECDSA on P-256 over the SHA-256 of `message`. `signature` is r || s and `publicKey` is X || Y,
// each number 32 bytes big-endian. False on any failure, and for a signature of another length.
bool VerifyEcdsaP256Sha256(std::span<const std::uint8_t> message, std::span<const std::uint8_t> signature,
                           std::span<const std::uint8_t, 64> publicKey);

// The SHA-256 of what is left to read from an open file (a Windows file handle), read in pieces
// through the handle; nothing when a read fails.
std::optional<std::array<std::uint8_t, 32>> HandleSha256(void* file);

// The SHA-256 of a file's content, read in pieces; nothing when it cannot be read.
std::optional<std::array<std::uint8_t, 32>> FileSha256(const std::filesystem::path& file);

} // namespace zentrim
