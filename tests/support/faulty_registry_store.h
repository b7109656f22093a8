// A store that wraps any other and makes chosen operations fail, as a registry that refuses a key,
// a disk that fails a write or a value someone else holds open would: by kind, by position (the
// n-th operation of all, or of one kind), once or from then on, and by value name. It counts every
// operation, so a test can first count a clean run and then fail each of its operations in turn.
//
// It also models stores that do not fail but mislead: a read that reports success with other data
// (cut short by a byte, of another type, or the value as it was before its last change), a write
// that reports success but stores other data, another program changing a value between two
// operations, and a store that tells value names apart by their letter case.
#pragma once

#include "base/text.h"
#include "engine/custom_registry.h"
#include "engine/registry_store.h"

#include <algorithm>
#include <cstddef>
#include <map>
#include <optional>
#include <string>
#include <tuple>
#include <utility>
#include <vector>

namespace zentrim::testing {

enum class StoreOperation { Open, Create, Query, Set, Delete, DeleteKey, KeyInfo };
inline constexpr std::size_t kStoreOperationKinds = 7;

// How a misleading read changes what it reports.
enum class ReadLie {
    Truncated, // one byte fewer
    Retyped,   // REG_BINARY reads as REG_SZ, anything else as REG_BINARY
    Stale,     // the value as it was before its last change through this store
};

class FaultyRegistryStore final : public RegistryStore {
public:
    struct Fault {
        std::size_t position = 0;                 // counting from 0
        std::optional<StoreOperation> kind;       // count only operations of this kind; any when empty
        bool fromThenOn = false;                  // every later counted operation fails too
        StoreStatus status = StoreStatus::Failed; // what the failing operation reports
    };

    // The operation at `position` of all fails.
    static Fault At(std::size_t position, StoreStatus status = StoreStatus::Failed) {
        return {position, std::nullopt, false, status};
    }
    // Every operation of `kind` from its `position`-th on fails.
    static Fault KindFrom(StoreOperation kind, std::size_t position,
                          StoreStatus status = StoreStatus::Failed) {
        return {position, kind, true, status};
    }

    explicit FaultyRegistryStore(RegistryStore& inner) : inner_(inner) {}

    void Add(const Fault& fault) { faults_.push_back(fault); }
    // Every query, set or delete of a value of this name fails (names compared as given).
    void FailValueName(std::u16string name, StoreStatus status = StoreStatus::Failed) {
        failingNames_.emplace_back(std::move(name), status);
    }
    // The `position`-th read of data that succeeds (a query with a buffer) reports other data.
    void LieOnRead(std::size_t position, ReadLie lie) {
        readLies_.emplace_back(position, lie);
        trackHistory_ = trackHistory_ || lie == ReadLie::Stale;
    }
    // The `position`-th set (of sets only) stores other data than it was given and reports success.
    void LieOnWrite(std::size_t position) { writeLies_.push_back(position); }
    // Just before the operation at `position` of all, another program sets the live value (in the
    // 64-bit view) to `value`, or deletes it when there is none.
    void ChangeValueBefore(std::size_t position, RegistryRoot root, std::u16string path, std::u16string name,
                           std::optional<RawValue> value) {
        changes_.push_back({position, root, std::move(path), std::move(name), std::move(value)});
    }
    // Value names that differ only in letter case name different values, as no Windows registry
    // has it: every name reaches the store beneath with its letter case spelt out (InnerName).
    void DistinguishNameCase() { distinguishCase_ = true; }

    // A name as DistinguishNameCase hands it on, and back.
    static std::u16string InnerName(std::u16string_view name) {
        std::u16string inner(name);
        inner += u'\x01';
        for (const char16_t c : name) {
            inner += c >= u'A' && c <= u'Z' ? u'1' : u'0';
        }
        return inner;
    }
    static std::u16string OuterName(std::u16string_view inner) {
        return std::u16string(inner.substr(0, inner.find(u'\x01')));
    }

    std::size_t OperationCount() const { return count_; }
    std::size_t OperationCount(StoreOperation kind) const { return kindCount_[Index(kind)]; }
    std::size_t DataReadCount() const { return dataReads_; }
    std::size_t FaultsInjected() const { return injected_; }

    StoreStatus OpenKey(RegistryRoot root, std::u16string_view path, std::uint32_t access,
                        StoreKey& key) override {
        if (const auto fault = Next(StoreOperation::Open, {})) {
            key = 0;
            return *fault;
        }
        return Opened(inner_.OpenKey(root, path, access, key), root, path, access, key);
    }
    StoreStatus CreateKey(RegistryRoot root, std::u16string_view path, std::uint32_t access,
                          StoreKey& key) override {
        if (const auto fault = Next(StoreOperation::Create, {})) {
            key = 0;
            return *fault;
        }
        return Opened(inner_.CreateKey(root, path, access, key), root, path, access, key);
    }
    StoreStatus QueryValue(StoreKey key, std::u16string_view name, ValueType& type,
                           std::span<std::uint8_t> buffer, std::uint32_t& size) override {
        if (const auto fault = Next(StoreOperation::Query, name)) {
            return *fault;
        }
        const StoreStatus status = inner_.QueryValue(key, Inner(name), type, buffer, size);
        if (status == StoreStatus::Ok && !buffer.empty()) {
            const std::size_t read = dataReads_++;
            for (const auto& [position, lie] : readLies_) {
                if (position == read) {
                    Mislead(lie, key, name, type, buffer, size);
                }
            }
        }
        return status;
    }
    StoreStatus SetValue(StoreKey key, std::u16string_view name, ValueType type,
                         std::span<const std::uint8_t> data) override {
        if (const auto fault = Next(StoreOperation::Set, name)) {
            return *fault;
        }
        Remember(key, name);
        const std::size_t set = kindCount_[Index(StoreOperation::Set)] - 1;
        if (std::ranges::find(writeLies_, set) != writeLies_.end()) {
            std::vector<std::uint8_t> other(data.begin(), data.end());
            if (other.empty()) {
                other.push_back(0x5A);
            } else {
                other.back() ^= 0xFF;
            }
            ++liesTold_;
            return inner_.SetValue(key, Inner(name), type, other);
        }
        return inner_.SetValue(key, Inner(name), type, data);
    }
    StoreStatus DeleteValue(StoreKey key, std::u16string_view name) override {
        if (const auto fault = Next(StoreOperation::Delete, name)) {
            return *fault;
        }
        Remember(key, name);
        return inner_.DeleteValue(key, Inner(name));
    }
    StoreStatus DeleteKey(RegistryRoot root, std::u16string_view path, std::uint32_t access) override {
        if (const auto fault = Next(StoreOperation::DeleteKey, {})) {
            return *fault;
        }
        return inner_.DeleteKey(root, path, access);
    }
    StoreStatus QueryKeyInfo(StoreKey key, std::uint32_t& subkeyCount, std::uint32_t& valueCount) override {
        if (const auto fault = Next(StoreOperation::KeyInfo, {})) {
            return *fault;
        }
        return inner_.QueryKeyInfo(key, subkeyCount, valueCount);
    }
    void CloseKey(StoreKey key) override {
        keys_.erase(key);
        inner_.CloseKey(key);
    }

    // How many misleading answers were actually given (a lie may find nothing to change).
    std::size_t LiesTold() const { return liesTold_; }

private:
    struct OpenKeyPlace {
        RegistryRoot root;
        std::u16string foldedPath;
        std::uint32_t view;
    };
    struct Change {
        std::size_t position;
        RegistryRoot root;
        std::u16string path;
        std::u16string name;
        std::optional<RawValue> value;
    };
    using ValueId = std::tuple<RegistryRoot, std::u16string, std::uint32_t, std::u16string>;

    static std::size_t Index(StoreOperation kind) { return static_cast<std::size_t>(kind); }
    static constexpr std::uint32_t kViewBits = access::kWow64_64Key | access::kWow64_32Key;

    std::u16string Inner(std::u16string_view name) const {
        return distinguishCase_ ? InnerName(name) : std::u16string(name);
    }

    StoreStatus Opened(StoreStatus status, RegistryRoot root, std::u16string_view path, std::uint32_t access,
                       StoreKey key) {
        if (status == StoreStatus::Ok && trackHistory_) {
            keys_[key] = {root, ToUpperText(BareKeyPath(path)), access & kViewBits};
        }
        return status;
    }

    // Keeps the value as it is before a change through an open key, for stale reads of it later.
    void Remember(StoreKey key, std::u16string_view name) {
        const auto place = keys_.find(key);
        if (place == keys_.end()) {
            return;
        }
        const auto& [root, path, view] = place->second;
        history_[{root, path, view, ToUpperText(name)}] = ReadInner(root, path, view, Inner(name));
    }

    std::optional<RawValue> ReadInner(RegistryRoot root, std::u16string_view path, std::uint32_t view,
                                      std::u16string_view name) {
        OpenStoreKey key(inner_);
        if (inner_.OpenKey(root, path, access::kRead | view, key.receive()) != StoreStatus::Ok) {
            return std::nullopt;
        }
        RawValue value;
        std::uint32_t size = 0;
        if (inner_.QueryValue(key.get(), name, value.type, {}, size) != StoreStatus::Ok) {
            return std::nullopt;
        }
        value.data.resize(size);
        if (size != 0 &&
            inner_.QueryValue(key.get(), name, value.type, value.data, size) != StoreStatus::Ok) {
            return std::nullopt;
        }
        return value;
    }

    void Mislead(ReadLie lie, StoreKey key, std::u16string_view name, ValueType& type,
                 std::span<std::uint8_t> buffer, std::uint32_t& size) {
        switch (lie) {
        case ReadLie::Truncated:
            if (size > 0) {
                --size;
                ++liesTold_;
            }
            return;
        case ReadLie::Retyped:
            type = type == ValueType::Binary ? ValueType::String : ValueType::Binary;
            ++liesTold_;
            return;
        case ReadLie::Stale: {
            const auto place = keys_.find(key);
            if (place == keys_.end()) {
                return;
            }
            const auto& [root, path, view] = place->second;
            const auto before = history_.find({root, path, view, ToUpperText(name)});
            // A value that did not exist before cannot be reported as read.
            if (before == history_.end() || !before->second || before->second->data.size() > buffer.size()) {
                return;
            }
            type = before->second->type;
            size = static_cast<std::uint32_t>(before->second->data.size());
            std::ranges::copy(before->second->data, buffer.begin());
            ++liesTold_;
            return;
        }
        }
    }

    void MakeChanges(std::size_t position) {
        for (const Change& change : changes_) {
            if (change.position != position) {
                continue;
            }
            OpenStoreKey key(inner_);
            const std::uint32_t access = access::kAllAccess | access::kWow64_64Key;
            if (inner_.CreateKey(change.root, BareKeyPath(change.path), access, key.receive()) !=
                StoreStatus::Ok) {
                continue;
            }
            if (change.value) {
                inner_.SetValue(key.get(), Inner(change.name), change.value->type, change.value->data);
            } else {
                inner_.DeleteValue(key.get(), Inner(change.name));
            }
        }
    }

    // Counts one operation and gives the status it must fail with, if any.
    std::optional<StoreStatus> Next(StoreOperation kind, std::optional<std::u16string_view> name) {
        const std::size_t position = count_++;
        const std::size_t kindPosition = kindCount_[Index(kind)]++;
        MakeChanges(position);
        std::optional<StoreStatus> result;
        for (const Fault& fault : faults_) {
            if (fault.kind && *fault.kind != kind) {
                continue;
            }
            const std::size_t counted = fault.kind ? kindPosition : position;
            if (counted == fault.position || (fault.fromThenOn && counted > fault.position)) {
                result = fault.status;
            }
        }
        if (name) {
            for (const auto& [failing, status] : failingNames_) {
                if (*name == failing) {
                    result = status;
                }
            }
        }
        injected_ += result ? 1 : 0;
        return result;
    }

    RegistryStore& inner_;
    std::vector<Fault> faults_;
    std::vector<std::pair<std::u16string, StoreStatus>> failingNames_;
    std::vector<std::pair<std::size_t, ReadLie>> readLies_;
    std::vector<std::size_t> writeLies_;
    std::vector<Change> changes_;
    bool distinguishCase_ = false;
    bool trackHistory_ = false;
    std::map<StoreKey, OpenKeyPlace> keys_;
    std::map<ValueId, std::optional<RawValue>> history_;
    std::size_t count_ = 0;
    std::size_t kindCount_[kStoreOperationKinds] = {};
    std::size_t dataReads_ = 0;
    std::size_t injected_ = 0;
    std::size_t liesTold_ = 0;
};

} // namespace zentrim::testing
