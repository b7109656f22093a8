#include "cmd/rehearsal_store.h"

#include "base/text.h"
#include "engine/memory_registry_store.h"

#include <algorithm>
#include <cstring>

namespace zentrim {

namespace {

constexpr std::uint32_t kViewFlags = access::kWow64_64Key | access::kWow64_32Key;

// The view a key is opened in: the one asked for, else the program's own.
std::uint32_t EffectiveView(std::uint32_t access) {
    const std::uint32_t flags = access & kViewFlags;
    if (flags != 0) {
        return flags;
    }
    return sizeof(void*) == 8 ? access::kWow64_64Key : access::kWow64_32Key;
}

RegistryView ViewOf(std::uint32_t viewFlags) {
    return viewFlags == access::kWow64_32Key ? RegistryView::Bits32() : RegistryView::Bits64();
}

std::u16string JoinedPath(std::u16string_view path) {
    std::u16string joined;
    for (const std::u16string_view name : SplitKeyPath(path)) {
        if (!joined.empty()) {
            joined += u'\\';
        }
        joined += name;
    }
    return joined;
}

} // namespace

RehearsalStore::KeyId RehearsalStore::IdOf(RegistryRoot root, std::u16string_view path,
                                           std::uint32_t access) {
    return {root, EffectiveView(access), ToUpperText(JoinedPath(path))};
}

StoreKey RehearsalStore::Register(KeyId id, std::u16string path, std::uint32_t viewFlags) {
    const StoreKey key = nextHandle_++;
    handles_.emplace(key, Handle{std::move(id), std::move(path), viewFlags});
    return key;
}

StoreStatus RehearsalStore::Exists(const KeyId& id, std::u16string_view path, bool& exists) {
    if (const auto found = keys_.find(id); found != keys_.end() && found->second.exists) {
        exists = *found->second.exists;
        return StoreStatus::Ok;
    }
    OpenStoreKey key(beneath_);
    const StoreStatus status = beneath_.OpenKey(id.root, path, access::kRead | id.viewFlags, key.receive());
    exists = status == StoreStatus::Ok;
    return status == StoreStatus::NotFound ? StoreStatus::Ok : status;
}

StoreStatus RehearsalStore::OpenKey(RegistryRoot root, std::u16string_view path, std::uint32_t access,
                                    StoreKey& key) {
    if (SplitKeyPath(path).size() > kMaxKeyDepth) {
        return StoreStatus::TooDeep;
    }
    KeyId id = IdOf(root, path, access);
    bool exists = false;
    if (const StoreStatus status = Exists(id, path, exists); status != StoreStatus::Ok) {
        return status;
    }
    if (!exists) {
        return StoreStatus::NotFound;
    }
    const std::uint32_t view = id.viewFlags;
    key = Register(std::move(id), JoinedPath(path), view);
    return StoreStatus::Ok;
}

StoreStatus RehearsalStore::CreateKey(RegistryRoot root, std::u16string_view path, std::uint32_t access,
                                      StoreKey& key) {
    const auto names = SplitKeyPath(path);
    if (names.size() > kMaxKeyDepth) {
        return StoreStatus::TooDeep;
    }
    // Every missing key on the way is created, parents first, as the registry does.
    std::u16string partial;
    for (const std::u16string_view name : names) {
        if (!partial.empty()) {
            partial += u'\\';
        }
        partial += name;
        const KeyId id = IdOf(root, partial, access);
        bool exists = false;
        if (const StoreStatus status = Exists(id, partial, exists); status != StoreStatus::Ok) {
            return status;
        }
        if (!exists) {
            keys_[id].exists = true;
            Record(Change::Kind::CreateKey, Handle{id, partial, id.viewFlags}, {}, std::nullopt,
                   std::nullopt);
        }
    }
    KeyId id = IdOf(root, path, access);
    const std::uint32_t view = id.viewFlags;
    key = Register(std::move(id), JoinedPath(path), view);
    return StoreStatus::Ok;
}

StoreStatus RehearsalStore::Read(const Handle& handle, std::u16string_view name,
                                 std::optional<RawValue>& value) {
    value.reset();
    if (const auto found = keys_.find(handle.id); found != keys_.end()) {
        const KeyState& state = found->second;
        if (const auto overlaid = state.values.find(ToUpperText(name)); overlaid != state.values.end()) {
            value = overlaid->second.value;
            return StoreStatus::Ok;
        }
        if (state.valuesCleared) {
            return StoreStatus::Ok;
        }
    }
    OpenStoreKey key(beneath_);
    StoreStatus status =
        beneath_.OpenKey(handle.id.root, handle.path, access::kQueryValue | handle.viewFlags, key.receive());
    if (status == StoreStatus::NotFound) {
        return StoreStatus::Ok; // a key the rehearsal created: no value beneath
    }
    if (status != StoreStatus::Ok) {
        return status;
    }
    ValueType type = ValueType::None;
    std::uint32_t size = 0;
    status = beneath_.QueryValue(key.get(), name, type, {}, size);
    if (status == StoreStatus::NotFound) {
        return StoreStatus::Ok;
    }
    if (status != StoreStatus::Ok && status != StoreStatus::MoreData) {
        return status;
    }
    RawValue raw{type, std::vector<std::uint8_t>(size)};
    if (size != 0) {
        status = beneath_.QueryValue(key.get(), name, type, raw.data, size);
        if (status != StoreStatus::Ok) {
            return status == StoreStatus::MoreData ? StoreStatus::Failed : status; // changed meanwhile
        }
        raw.type = type;
        raw.data.resize(size);
    }
    value = std::move(raw);
    return StoreStatus::Ok;
}

StoreStatus RehearsalStore::ReadOpen(StoreKey key, std::u16string_view name, const Handle*& handle,
                                     std::optional<RawValue>& value) {
    const auto found = handles_.find(key);
    if (found == handles_.end()) {
        return StoreStatus::Failed;
    }
    handle = &found->second;
    return Read(*handle, name, value);
}

StoreStatus RehearsalStore::QueryValue(StoreKey key, std::u16string_view name, ValueType& type,
                                       std::span<std::uint8_t> buffer, std::uint32_t& size) {
    const Handle* handle = nullptr;
    std::optional<RawValue> value;
    if (const StoreStatus status = ReadOpen(key, name, handle, value); status != StoreStatus::Ok) {
        return status;
    }
    if (!value) {
        return StoreStatus::NotFound;
    }
    type = value->type;
    size = static_cast<std::uint32_t>(value->data.size());
    if (buffer.empty()) {
        return StoreStatus::Ok;
    }
    if (buffer.size() < value->data.size()) {
        return StoreStatus::MoreData;
    }
    std::copy(value->data.begin(), value->data.end(), buffer.begin());
    return StoreStatus::Ok;
}

void RehearsalStore::Record(Change::Kind kind, const Handle& handle, std::u16string_view name,
                            std::optional<RawValue> before, std::optional<RawValue> after) {
    changes_.push_back({kind, handle.id.root, ViewOf(handle.viewFlags), handle.path, std::u16string(name),
                        std::move(before), std::move(after)});
}

StoreStatus RehearsalStore::SetValue(StoreKey key, std::u16string_view name, ValueType type,
                                     std::span<const std::uint8_t> data) {
    const Handle* handle = nullptr;
    std::optional<RawValue> before;
    if (const StoreStatus status = ReadOpen(key, name, handle, before); status != StoreStatus::Ok) {
        return status;
    }
    RawValue after{type, std::vector<std::uint8_t>(data.begin(), data.end())};
    auto& values = keys_[handle->id].values;
    values[ToUpperText(name)] = {std::u16string(name), after};
    Record(Change::Kind::SetValue, *handle, name, std::move(before), std::move(after));
    return StoreStatus::Ok;
}

StoreStatus RehearsalStore::DeleteValue(StoreKey key, std::u16string_view name) {
    const Handle* handle = nullptr;
    std::optional<RawValue> before;
    if (const StoreStatus status = ReadOpen(key, name, handle, before); status != StoreStatus::Ok) {
        return status;
    }
    if (!before) {
        return StoreStatus::NotFound;
    }
    keys_[handle->id].values[ToUpperText(name)] = {std::u16string(name), std::nullopt};
    Record(Change::Kind::DeleteValue, *handle, name, std::move(before), std::nullopt);
    return StoreStatus::Ok;
}

StoreStatus RehearsalStore::DeleteKey(RegistryRoot root, std::u16string_view path, std::uint32_t access) {
    if (SplitKeyPath(path).empty()) {
        return StoreStatus::AccessDenied; // a root is never deleted
    }
    const KeyId id = IdOf(root, path, access);
    bool exists = false;
    if (const StoreStatus status = Exists(id, path, exists); status != StoreStatus::Ok) {
        return status;
    }
    if (!exists) {
        return StoreStatus::NotFound;
    }
    KeyState& state = keys_[id];
    state.exists = false;
    state.valuesCleared = true;
    state.values.clear();
    Record(Change::Kind::DeleteKey, Handle{id, JoinedPath(path), id.viewFlags}, {}, std::nullopt,
           std::nullopt);
    return StoreStatus::Ok;
}

void RehearsalStore::CloseKey(StoreKey key) {
    handles_.erase(key);
}

} // namespace zentrim
