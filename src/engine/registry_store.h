// The narrow store interface beneath the registry access layer: the operations of the Windows
// registry (open, create, query, set, delete, close) and nothing more. On Windows it is the
// registry itself; off Windows an in-memory store or a .reg file stands in for it.
#pragma once

#include <cstddef>
#include <cstdint>
#include <span>
#include <string_view>

namespace zentrim {

// The two predefined roots, by their Windows handle values.
enum class RegistryRoot : std::uint32_t {
    CurrentUser = 0x80000001u,
    LocalMachine = 0x80000002u,
};

// Registry value types by their registry numbers. The program writes String, Binary and Dword and
// reads ExpandString as text; the others are kept as raw data by stores that meet them.
enum class ValueType : std::uint32_t {
    None = 0,
    String = 1,
    ExpandString = 2,
    Binary = 3,
    Dword = 4,
    DwordBigEndian = 5,
    Link = 6,
    MultiString = 7,
    ResourceList = 8,
    FullResourceDescriptor = 9,
    ResourceRequirementsList = 10,
    Qword = 11,
};

// Access masks as Windows defines them.
namespace access {
inline constexpr std::uint32_t kQueryValue = 0x0001;
inline constexpr std::uint32_t kSetValue = 0x0002;
inline constexpr std::uint32_t kRead = 0x20019;
inline constexpr std::uint32_t kWrite = 0x20006;
inline constexpr std::uint32_t kAllAccess = 0xF003F;
inline constexpr std::uint32_t kWow64_64Key = 0x0100;
inline constexpr std::uint32_t kWow64_32Key = 0x0200;
} // namespace access

// The registry view a key is opened in on 64-bit Windows, named at every call: the process's
// default view (the 32-bit view for a 32-bit program, the 64-bit one for a 64-bit program), the
// 64-bit view, or the 32-bit view, which is the same place for both kinds of program. 32-bit
// Windows ignores the choice. Nothing converts to a view: a stray bool or number does not compile.
class RegistryView {
public:
    static constexpr RegistryView Default() { return RegistryView(0, 0); }
    static constexpr RegistryView Bits64() { return RegistryView(access::kWow64_64Key, 0); }
    static constexpr RegistryView Bits32() { return RegistryView(access::kWow64_32Key, 0); }
    // The registry operations' `use64BitView` flag of the catalogue's rows: the 64-bit view when
    // set, the default view otherwise.
    static constexpr RegistryView From64BitFlag(bool use64BitView) {
        return use64BitView ? Bits64() : Default();
    }

    // The flags this view adds to an access mask.
    constexpr std::uint32_t AccessFlags() const { return flags_; }
    friend constexpr bool operator==(RegistryView, RegistryView) = default;

private:
    constexpr RegistryView(std::uint32_t flags, int) : flags_(flags) {}
    std::uint32_t flags_;
};

// Where values live: a root, a key path under it and the view the key is opened in. The product
// key, the record's key and every catalogue key are places; the registry operations take one in
// place of the three arguments.
struct RegistryPlace {
    RegistryRoot root;
    std::u16string_view keyPath;
    RegistryView view;
};

// Why a store operation failed. The registry layer swallows every failure, but it and its tests
// can still tell a missing value from a refused access or a buffer that was too small.
enum class StoreStatus {
    Ok,
    NotFound,     // key or value missing
    AccessDenied, // the key cannot be opened with the access asked for, or the handle lacks it
    MoreData,     // the value's data is larger than the buffer; the size is reported
    TypeMismatch, // the value exists with a type the reading operation does not take
    InvalidName,  // a key or value name this store cannot hold (a .reg file: a key name with a line break)
    TooDeep,      // a key path of more levels than the registry allows (kMaxKeyDepth)
    Failed,       // anything else: bad handle, the backing store could not be saved
};

// Windows keeps keys at most 512 levels below a root; every store refuses deeper paths.
inline constexpr std::size_t kMaxKeyDepth = 512;

using StoreKey = std::uintptr_t; // opaque handle of an open key; 0 is never a valid one

class RegistryStore {
public:
    virtual ~RegistryStore() = default;

    // Opens an existing key. `path` has no leading backslash; a trailing one adds no level and an
    // empty path names the root itself. Never creates anything.
    virtual StoreStatus OpenKey(RegistryRoot root, std::u16string_view path, std::uint32_t access,
                                StoreKey& key) = 0;

    // Opens a key, creating it and every missing parent first. Created keys are persistent.
    virtual StoreStatus CreateKey(RegistryRoot root, std::u16string_view path, std::uint32_t access,
                                  StoreKey& key) = 0;

    // Reports a value's type and data size; with a non-empty buffer also copies the data into
    // it. A buffer smaller than the data gives MoreData with the size still reported.
    virtual StoreStatus QueryValue(StoreKey key, std::u16string_view name, ValueType& type,
                                   std::span<std::uint8_t> buffer, std::uint32_t& size) = 0;

    // Replaces any value of that name, whatever its type, with exactly the bytes given.
    virtual StoreStatus SetValue(StoreKey key, std::u16string_view name, ValueType type,
                                 std::span<const std::uint8_t> data) = 0;

    virtual StoreStatus DeleteValue(StoreKey key, std::u16string_view name) = 0;

    // Deletes a key that has no subkeys, with its values. `access` names only the registry view
    // (kWow64_64Key or kWow64_32Key). NotFound when the key does not exist; AccessDenied when it
    // has subkeys, is a root, or may not be changed. Keys still open on it fail from then on.
    virtual StoreStatus DeleteKey(RegistryRoot root, std::u16string_view path, std::uint32_t access) = 0;

    // Counts an open key's subkeys and values (RegQueryInfoKeyW); the key needs kQueryValue. A store
    // that cannot count gives Failed, and callers then take the key for one that holds something.
    virtual StoreStatus QueryKeyInfo(StoreKey /*key*/, std::uint32_t& /*subkeyCount*/,
                                     std::uint32_t& /*valueCount*/) {
        return StoreStatus::Failed;
    }

    virtual void CloseKey(StoreKey key) = 0;
};

// Owns one open key of a store and closes it on every path.
class OpenStoreKey {
public:
    explicit OpenStoreKey(RegistryStore& store) : store_(&store) {}
    OpenStoreKey(const OpenStoreKey&) = delete;
    OpenStoreKey& operator=(const OpenStoreKey&) = delete;
    ~OpenStoreKey() {
        if (key_ != 0) {
            store_->CloseKey(key_);
        }
    }

    StoreKey get() const { return key_; }
    StoreKey& receive() { return key_; } // for the open and create calls to fill in
    explicit operator bool() const { return key_ != 0; }

private:
    RegistryStore* store_;
    StoreKey key_ = 0;
};

} // namespace zentrim
