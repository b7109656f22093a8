// What the tests of the .reg format, the atomic file write and the .reg file store share: files as
// bytes, look-ups in parsed content, and a folder of its own for each test.
#pragma once

#include "engine/memory_registry_store.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <random>
#include <string>
#include <string_view>
#include <vector>

#ifndef _WIN32
#include <sys/stat.h>
#endif

namespace zentrim {

using Bytes = std::vector<std::uint8_t>;

inline Bytes Utf16File(std::u16string_view text) {
    Bytes bytes{0xFF, 0xFE};
    for (const char16_t c : text) {
        bytes.push_back(static_cast<std::uint8_t>(c & 0xFF));
        bytes.push_back(static_cast<std::uint8_t>(c >> 8));
    }
    return bytes;
}

inline Bytes EightBitFile(std::string_view text) {
    return Bytes(text.begin(), text.end());
}

inline const StoredKey* FindKey(const std::vector<StoredKey>& keys, std::u16string_view root,
                                std::u16string_view path) {
    for (const auto& key : keys) {
        if (key.rootName == root && key.path == path) {
            return &key;
        }
    }
    return nullptr;
}

inline const StoredValue* FindValue(const std::vector<StoredKey>& keys, std::u16string_view root,
                                    std::u16string_view path, std::u16string_view name) {
    if (const StoredKey* key = FindKey(keys, root, path)) {
        for (const auto& value : key->values) {
            if (value.name == name) {
                return &value;
            }
        }
    }
    return nullptr;
}

inline constexpr std::u16string_view kLm = u"HKEY_LOCAL_MACHINE";
inline constexpr std::u16string_view kCu = u"HKEY_CURRENT_USER";

// A fresh folder for each test, removed with all it holds afterwards; file_ is the file in it that
// the test works on.
class FileTestFolder : public ::testing::Test {
protected:
    void SetUp() override {
        folder_ = std::filesystem::temp_directory_path() /
                  ("zentrim-regfile-" + std::to_string(std::random_device{}()) + "-" +
                   ::testing::UnitTest::GetInstance()->current_test_info()->name());
        std::filesystem::create_directories(folder_);
        file_ = folder_ / "registry.reg";
    }
    void TearDown() override {
        std::error_code error;
        std::filesystem::permissions(folder_, std::filesystem::perms::owner_all, error);
        std::filesystem::remove_all(folder_, error);
    }

    Bytes ReadFile() const {
        std::ifstream stream(file_, std::ios::binary);
        return Bytes(std::istreambuf_iterator<char>(stream), std::istreambuf_iterator<char>());
    }
    void WriteFile(const Bytes& bytes) const {
        std::ofstream stream(file_, std::ios::binary | std::ios::trunc);
        stream.write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
    }
    std::vector<std::filesystem::path> FolderEntries() const {
        std::vector<std::filesystem::path> entries;
        for (const auto& entry : std::filesystem::directory_iterator(folder_)) {
            entries.push_back(entry.path().filename());
        }
        return entries;
    }

    std::filesystem::path folder_;
    std::filesystem::path file_;
};

#ifndef _WIN32

inline Bytes ReadBytes(const std::filesystem::path& file) {
    std::ifstream stream(file, std::ios::binary);
    return Bytes(std::istreambuf_iterator<char>(stream), std::istreambuf_iterator<char>());
}

inline void WriteBytes(const std::filesystem::path& file, const Bytes& bytes) {
    std::ofstream stream(file, std::ios::binary | std::ios::trunc);
    stream.write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
}

inline unsigned ModeOf(const std::filesystem::path& file) {
    struct stat info {};
    EXPECT_EQ(::lstat(file.c_str(), &info), 0) << file;
    return info.st_mode & 07777;
}

#endif

} // namespace zentrim
