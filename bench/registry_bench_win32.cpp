// The registry benchmark, run under Wine: the registry work of one optimize run and one restore
// run (backup, record of originals, writes, read-back checks, restore, backup removal) through our
// layer, against the same advapi32 calls made directly. The calls are taken from one run through
// a recording store, so both sides make exactly the same calls in the same order; the layer's
// share is everything around them (paths, conversions, buffers, the plans). The two alternate,
// and the medians and their ratio are printed.
//
//   zentrim_bench_registry [ROUNDS]
#include "base/text.h"
#include "base/unique_handle_win32.h"
#include "engine/backup.h"
#include "engine/custom_registry.h"
#include "engine/registry_store_win32.h"
#include "engine/run_phases.h"
#include "engine/system_profile.h"

#include <windows.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <string>
#include <vector>

namespace {

using namespace zentrim;

enum class Kind { Open, Create, Query, Set, DeleteValue, DeleteKey, Close };

// One store call as the layer made it. Keys are named by the index of the call that opened them.
struct Call {
    Kind kind;
    HKEY root = nullptr;
    std::wstring path{};
    std::wstring name{};
    std::uint32_t access = 0;
    std::size_t key = 0;
    DWORD type = 0;
    std::vector<std::uint8_t> data{}; // Set: the bytes written
    DWORD bufferSize = 0;             // Query: the buffer the layer offered
    bool succeeded = false;           // what the call answered when it was recorded
};

HKEY RootHandle(RegistryRoot root) {
    return root == RegistryRoot::LocalMachine ? HKEY_LOCAL_MACHINE : HKEY_CURRENT_USER;
}

// Passes every call to the Windows store and writes it down.
class RecordingStore final : public RegistryStore {
public:
    explicit RecordingStore(RegistryStore& inner) : inner_(inner) {}

    std::vector<Call> calls;

    StoreStatus OpenKey(RegistryRoot root, std::u16string_view path, std::uint32_t access,
                        StoreKey& key) override {
        const StoreStatus status = inner_.OpenKey(root, path, access, key); // before `key` is read
        return Opened(Kind::Open, root, path, access, status, key);
    }
    StoreStatus CreateKey(RegistryRoot root, std::u16string_view path, std::uint32_t access,
                          StoreKey& key) override {
        const StoreStatus status = inner_.CreateKey(root, path, access, key); // before `key` is read
        return Opened(Kind::Create, root, path, access, status, key);
    }
    StoreStatus QueryValue(StoreKey key, std::u16string_view name, ValueType& type,
                           std::span<std::uint8_t> buffer, std::uint32_t& size) override {
        calls.push_back({.kind = Kind::Query,
                         .name = ToWide(name),
                         .key = IndexOf(key),
                         .bufferSize = static_cast<DWORD>(buffer.size())});
        return Answered(inner_.QueryValue(key, name, type, buffer, size));
    }
    StoreStatus SetValue(StoreKey key, std::u16string_view name, ValueType type,
                         std::span<const std::uint8_t> data) override {
        calls.push_back({.kind = Kind::Set,
                         .name = ToWide(name),
                         .key = IndexOf(key),
                         .type = static_cast<DWORD>(type),
                         .data = {data.begin(), data.end()}});
        return Answered(inner_.SetValue(key, name, type, data));
    }
    StoreStatus DeleteValue(StoreKey key, std::u16string_view name) override {
        calls.push_back({.kind = Kind::DeleteValue, .name = ToWide(name), .key = IndexOf(key)});
        return Answered(inner_.DeleteValue(key, name));
    }
    StoreStatus DeleteKey(RegistryRoot root, std::u16string_view path, std::uint32_t access) override {
        calls.push_back(
            {.kind = Kind::DeleteKey, .root = RootHandle(root), .path = ToWide(path), .access = access});
        return Answered(inner_.DeleteKey(root, path, access));
    }
    void CloseKey(StoreKey key) override {
        calls.push_back({.kind = Kind::Close, .key = IndexOf(key), .succeeded = true});
        inner_.CloseKey(key);
    }

private:
    StoreStatus Answered(StoreStatus status) {
        calls.back().succeeded = status == StoreStatus::Ok;
        return status;
    }
    StoreStatus Opened(Kind kind, RegistryRoot root, std::u16string_view path, std::uint32_t access,
                       StoreStatus status, StoreKey key) {
        calls.push_back({.kind = kind, .root = RootHandle(root), .path = ToWide(path), .access = access});
        calls.back().succeeded = status == StoreStatus::Ok;
        if (status == StoreStatus::Ok) {
            open_.push_back({key, calls.size() - 1});
        }
        return status;
    }
    std::size_t IndexOf(StoreKey key) const {
        // The latest opening of that handle value: Windows reuses handle values once closed.
        for (auto it = open_.rbegin(); it != open_.rend(); ++it) {
            if (it->first == key) {
                return it->second;
            }
        }
        return SIZE_MAX;
    }

    RegistryStore& inner_;
    std::vector<std::pair<StoreKey, std::size_t>> open_;
};

// The recorded calls made directly on advapi32, each with the arguments the layer gave. Gives the
// number of calls that did not answer as they did through the layer.
std::size_t Replay(const std::vector<Call>& calls) {
    std::size_t differing = 0;
    const auto answered = [&](const Call& call, LSTATUS error) {
        differing += (error == ERROR_SUCCESS) != call.succeeded ? 1 : 0;
        return error;
    };
    std::vector<HKEY> keys(calls.size(), nullptr);
    std::vector<std::uint8_t> buffer;
    for (std::size_t i = 0; i < calls.size(); ++i) {
        const Call& call = calls[i];
        const HKEY key = call.key < keys.size() ? keys[call.key] : nullptr;
        switch (call.kind) {
        case Kind::Open:
            if (answered(call, RegOpenKeyExW(call.root, call.path.c_str(), 0, call.access, &keys[i])) !=
                ERROR_SUCCESS) {
                keys[i] = nullptr;
            }
            break;
        case Kind::Create:
            if (answered(call,
                         RegCreateKeyExW(call.root, call.path.c_str(), 0, nullptr, REG_OPTION_NON_VOLATILE,
                                         call.access, nullptr, &keys[i], nullptr)) != ERROR_SUCCESS) {
                keys[i] = nullptr;
            }
            break;
        case Kind::Query: {
            buffer.resize(call.bufferSize);
            DWORD type = 0;
            DWORD size = call.bufferSize;
            const LSTATUS error = RegQueryValueExW(key, call.name.c_str(), nullptr, &type,
                                                   buffer.empty() ? nullptr : buffer.data(), &size);
            // A size query answers "more data" when the value has any.
            answered(call, error == ERROR_MORE_DATA && buffer.empty() ? ERROR_SUCCESS : error);
            break;
        }
        case Kind::Set:
            answered(call, RegSetValueExW(key, call.name.c_str(), 0, call.type, call.data.data(),
                                          static_cast<DWORD>(call.data.size())));
            break;
        case Kind::DeleteValue:
            answered(call, RegDeleteValueW(key, call.name.c_str()));
            break;
        case Kind::DeleteKey:
            answered(call, RegDeleteKeyExW(call.root, call.path.c_str(), call.access, 0));
            break;
        case Kind::Close:
            if (key != nullptr) {
                RegCloseKey(key);
                keys[call.key] = nullptr;
            }
            break;
        }
    }
    return differing;
}

// The registry work of one optimize run and one restore run through the layer.
bool OptimizeAndRestore(const CustomRegistry& registry, const TweakProfile& profile) {
    const bool optimized = OptimizeRegistry(registry, profile) == OptimizeOutcome::Done;
    const bool restored = RestoreRegistry(registry, profile).outcome == RestoreOutcome::Done;
    return optimized && restored && !IsBackupHeld(registry);
}

double Median(std::vector<double> values) {
    std::sort(values.begin(), values.end());
    const std::size_t middle = values.size() / 2;
    return values.size() % 2 == 1 ? values[middle] : (values[middle - 1] + values[middle]) / 2.0;
}

template <typename Work> double TimeMs(Work&& work) {
    const auto start = std::chrono::steady_clock::now();
    work();
    return std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - start).count();
}

} // namespace

int wmain(int argc, wchar_t** argv) {
    const int rounds = argc > 1 ? std::max(1, _wtoi(argv[1])) : 20;
    const TweakProfile profile{
        .osClass = os_class::kWindows10, .internetType = 0, .speedSetting = kSpeedMaximumBoost};

    Win32RegistryStore windowsStore;
    const CustomRegistry registry(windowsStore);
    if (IsBackupHeld(registry) && RestoreRegistry(registry, profile).outcome != RestoreOutcome::Done) {
        std::fprintf(stderr, "a backup is held and cannot be restored: use a fresh prefix\n");
        return 1;
    }
    // Rounds first until one makes the calls the round before made: the first optimize run on a
    // machine finds values missing, and its restore leaves keys that later rounds find, so the
    // rounds that are measured all start from the state the runs settle in.
    std::vector<Call> calls;
    for (int settling = 0;; ++settling) {
        RecordingStore recording(windowsStore);
        if (!OptimizeAndRestore(CustomRegistry(recording), profile)) {
            std::fprintf(stderr, "the recorded runs did not complete\n");
            return 1;
        }
        const bool settled = recording.calls.size() == calls.size();
        calls = std::move(recording.calls);
        if (settled) {
            break;
        }
        if (settling == 5) {
            std::fprintf(stderr, "the runs make other calls at every round\n");
            return 1;
        }
    }
    std::size_t sets = 0;
    for (const Call& call : calls) {
        sets += call.kind == Kind::Set ? 1 : 0;
    }
    std::printf("registry calls per round %zu (%zu writes)\n", calls.size(), sets);

    std::vector<double> layer;
    std::vector<double> direct;
    bool consistent = true;
    for (int round = 0; round < rounds; ++round) {
        // Alternate which side goes first, so that neither always finds a warmer registry.
        for (int which = 0; which < 2; ++which) {
            if ((round + which) % 2 == 0) {
                bool done = false;
                layer.push_back(TimeMs([&] { done = OptimizeAndRestore(registry, profile); }));
                if (!done) {
                    std::printf("round %d: the runs through the layer did not complete\n", round + 1);
                    consistent = false;
                }
            } else {
                std::size_t differing = 0;
                direct.push_back(TimeMs([&] { differing = Replay(calls); }));
                if (differing > 0) {
                    std::printf("round %d: %zu direct calls answered otherwise than through the layer\n",
                                round + 1, differing);
                    consistent = false;
                }
                if (IsBackupHeld(registry)) {
                    std::printf("round %d: the direct calls left a backup\n", round + 1);
                    consistent = false;
                }
            }
        }
    }
    // The layer still makes the same calls as when it was recorded.
    RecordingStore check(windowsStore);
    const bool checked = OptimizeAndRestore(CustomRegistry(check), profile);
    if (!checked || check.calls.size() != calls.size()) {
        std::printf("the last round made %zu calls (%s), the recorded one %zu\n", check.calls.size(),
                    checked ? "completed" : "did not complete", calls.size());
        consistent = false;
    }

    const double layerMedian = Median(layer);
    const double directMedian = Median(direct);
    std::printf("registry layer median %.2f ms min %.2f ms\n", layerMedian,
                *std::min_element(layer.begin(), layer.end()));
    std::printf("registry direct median %.2f ms min %.2f ms\n", directMedian,
                *std::min_element(direct.begin(), direct.end()));
    std::printf("registry ratio %.2f\n", directMedian > 0 ? layerMedian / directMedian : 0.0);
    std::printf("registry consistent %s\n", consistent ? "yes" : "no");
    return consistent ? 0 : 1;
}
