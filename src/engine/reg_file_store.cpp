#include "engine/reg_file_store.h"

#include "base/atomic_file.h"
#include "engine/reg_file_format.h"

#include <exception>
#include <fstream>
#include <iterator>
#include <utility>

namespace zentrim {

RegFileRegistryStore::OpenResult RegFileRegistryStore::Open(const std::filesystem::path& file) {
    OpenResult result;
    try {
        std::error_code error;
        const auto status = std::filesystem::status(file, error);
        if (status.type() == std::filesystem::file_type::not_found) {
            result.store = std::make_unique<RegFileRegistryStore>(Token{}, file, std::vector<StoredKey>{});
            return result;
        }
        if (error) {
            result.error = PathText(file) + ": " + error.message();
            return result;
        }
        if (!std::filesystem::is_regular_file(status)) {
            result.error = PathText(file) + ": not a regular file";
            return result;
        }
        std::ifstream stream(file, std::ios::binary);
        std::vector<std::uint8_t> bytes;
        if (stream) {
            bytes.assign(std::istreambuf_iterator<char>(stream), std::istreambuf_iterator<char>());
        }
        if (!stream && !stream.eof()) {
            result.error = PathText(file) + ": the file cannot be read";
            return result;
        }
        const RegFileParseResult parsed = ParseRegFile(bytes);
        if (!parsed) {
            result.error = PathText(file) + ": " + parsed.error;
            return result;
        }
        result.store = std::make_unique<RegFileRegistryStore>(Token{}, file, parsed.keys);
    } catch (const std::exception& exception) {
        result.store.reset();
        result.error = PathText(file) + ": " + exception.what();
    }
    return result;
}

RegFileRegistryStore::RegFileRegistryStore(Token, std::filesystem::path file,
                                           const std::vector<StoredKey>& content)
    : file_(std::move(file)) {
    memory_.Load(content);
    saved_ = memory_.Snapshot();
    savedBytes_ = FormatRegFile(saved_);
}

RegFileRegistryStore::~RegFileRegistryStore() = default;

StoreKey RegFileRegistryStore::Inner(StoreKey key) const {
    const auto it = handles_.find(key);
    return it == handles_.end() ? 0 : it->second.inner;
}

StoreKey RegFileRegistryStore::Register(RegistryRoot root, std::u16string_view path, std::uint32_t access,
                                        StoreKey inner) {
    const StoreKey key = nextHandle_++;
    handles_.emplace(key, Handle{root, std::u16string(path), access, inner});
    return key;
}

bool RegFileRegistryStore::Save() {
    try {
        std::vector<StoredKey> content = memory_.Snapshot();
        std::vector<std::uint8_t> bytes = FormatRegFile(content);
        if (bytes == savedBytes_) {
            return true; // nothing the file would show has changed, such as a new root with no keys
        }
        if (!SaveFileAtomically(file_, bytes)) {
            return false;
        }
        saved_ = std::move(content);
        savedBytes_ = std::move(bytes);
        return true;
    } catch (...) {
        return false;
    }
}

void RegFileRegistryStore::RollBack() {
    memory_.Load(saved_);
    for (auto& [key, handle] : handles_) {
        handle.inner = 0;
        memory_.OpenKey(handle.root, handle.path, handle.access, handle.inner);
    }
}

StoreStatus RegFileRegistryStore::Commit(StoreStatus status) {
    if (status != StoreStatus::Ok || Save()) {
        return status;
    }
    RollBack();
    return StoreStatus::Failed;
}

StoreStatus RegFileRegistryStore::OpenKey(RegistryRoot root, std::u16string_view path, std::uint32_t access,
                                          StoreKey& key) {
    key = 0;
    StoreKey inner = 0;
    const StoreStatus status = memory_.OpenKey(root, path, access, inner);
    if (status == StoreStatus::Ok) {
        key = Register(root, path, access, inner);
    }
    return status;
}

StoreStatus RegFileRegistryStore::CreateKey(RegistryRoot root, std::u16string_view path, std::uint32_t access,
                                            StoreKey& key) {
    key = 0;
    // A key line carries its path as it is: a line break in a name would split it, and the file
    // could not be read again.
    if (path.find_first_of(u"\r\n") != std::u16string_view::npos) {
        return StoreStatus::InvalidName;
    }
    const bool existed = memory_.KeyExists(root, path);
    StoreKey inner = 0;
    StoreStatus status = memory_.CreateKey(root, path, access, inner);
    if (!existed) {
        status = Commit(status); // a rollback also drops the memory store's new handle
    }
    if (status == StoreStatus::Ok) {
        key = Register(root, path, access, inner);
    }
    return status;
}

StoreStatus RegFileRegistryStore::QueryValue(StoreKey key, std::u16string_view name, ValueType& type,
                                             std::span<std::uint8_t> buffer, std::uint32_t& size) {
    return memory_.QueryValue(Inner(key), name, type, buffer, size);
}

StoreStatus RegFileRegistryStore::SetValue(StoreKey key, std::u16string_view name, ValueType type,
                                           std::span<const std::uint8_t> data) {
    return Commit(memory_.SetValue(Inner(key), name, type, data));
}

StoreStatus RegFileRegistryStore::DeleteValue(StoreKey key, std::u16string_view name) {
    return Commit(memory_.DeleteValue(Inner(key), name));
}

StoreStatus RegFileRegistryStore::DeleteKey(RegistryRoot root, std::u16string_view path,
                                            std::uint32_t access) {
    return Commit(memory_.DeleteKey(root, path, access));
}

void RegFileRegistryStore::CloseKey(StoreKey key) {
    const auto it = handles_.find(key);
    if (it == handles_.end()) {
        return;
    }
    if (it->second.inner != 0) {
        memory_.CloseKey(it->second.inner);
    }
    handles_.erase(it);
}

} // namespace zentrim
