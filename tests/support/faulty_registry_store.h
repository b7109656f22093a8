// A store that wraps any other and makes chosen operations fail, as a registry that refuses a key,
// a disk that fails a write or a value someone else holds open would: by kind, by position (the
// n-th operation of all, or of one kind), once or from then on, and by value name. It counts every
// operation, so a test can first count a clean run and then fail each of its operations in turn.
#pragma once

#include "engine/registry_store.h"

#include <cstddef>
#include <optional>
#include <string>
#include <vector>

namespace zentrim::testing {

enum class StoreOperation { Open, Create, Query, Set, Delete, DeleteKey };

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

    std::size_t OperationCount() const { return count_; }
    std::size_t OperationCount(StoreOperation kind) const { return kindCount_[Index(kind)]; }
    std::size_t FaultsInjected() const { return injected_; }

    StoreStatus OpenKey(RegistryRoot root, std::u16string_view path, std::uint32_t access,
                        StoreKey& key) override {
        if (const auto fault = Next(StoreOperation::Open, {})) {
            key = 0;
            return *fault;
        }
        return inner_.OpenKey(root, path, access, key);
    }
    StoreStatus CreateKey(RegistryRoot root, std::u16string_view path, std::uint32_t access,
                          StoreKey& key) override {
        if (const auto fault = Next(StoreOperation::Create, {})) {
            key = 0;
            return *fault;
        }
        return inner_.CreateKey(root, path, access, key);
    }
    StoreStatus QueryValue(StoreKey key, std::u16string_view name, ValueType& type,
                           std::span<std::uint8_t> buffer, std::uint32_t& size) override {
        if (const auto fault = Next(StoreOperation::Query, name)) {
            return *fault;
        }
        return inner_.QueryValue(key, name, type, buffer, size);
    }
    StoreStatus SetValue(StoreKey key, std::u16string_view name, ValueType type,
                         std::span<const std::uint8_t> data) override {
        if (const auto fault = Next(StoreOperation::Set, name)) {
            return *fault;
        }
        return inner_.SetValue(key, name, type, data);
    }
    StoreStatus DeleteValue(StoreKey key, std::u16string_view name) override {
        if (const auto fault = Next(StoreOperation::Delete, name)) {
            return *fault;
        }
        return inner_.DeleteValue(key, name);
    }
    StoreStatus DeleteKey(RegistryRoot root, std::u16string_view path, std::uint32_t access) override {
        if (const auto fault = Next(StoreOperation::DeleteKey, {})) {
            return *fault;
        }
        return inner_.DeleteKey(root, path, access);
    }
    void CloseKey(StoreKey key) override { inner_.CloseKey(key); }

private:
    static std::size_t Index(StoreOperation kind) { return static_cast<std::size_t>(kind); }

    // Counts one operation and gives the status it must fail with, if any.
    std::optional<StoreStatus> Next(StoreOperation kind, std::optional<std::u16string_view> name) {
        const std::size_t position = count_++;
        const std::size_t kindPosition = kindCount_[Index(kind)]++;
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
    std::size_t count_ = 0;
    std::size_t kindCount_[6] = {};
    std::size_t injected_ = 0;
};

} // namespace zentrim::testing
