#include "engine/memory_registry_store.h"

#include "base/text.h"

#include <algorithm>
#include <unordered_map>

namespace zentrim {

// A key: its values and subkeys in creation order (snapshots keep it), each also indexed by its
// case-folded name, so that keys with many subkeys or values are as quick as small ones.
struct MemoryRegistryStore::Node {
    std::u16string name;
    std::vector<StoredValue> values;
    std::vector<std::unique_ptr<Node>> children;
    std::unordered_map<std::u16string, Node*> childIndex;
    std::unordered_map<std::u16string, std::size_t> valueIndex;

    Node* Child(std::u16string_view childName) const {
        const auto it = childIndex.find(ToUpperText(childName));
        return it == childIndex.end() ? nullptr : it->second;
    }
    Node* AddChild(std::u16string_view childName) {
        children.push_back(std::make_unique<Node>());
        Node* child = children.back().get();
        child->name = std::u16string(childName);
        childIndex.emplace(ToUpperText(childName), child);
        return child;
    }
    void RemoveChild(const Node* child) {
        childIndex.erase(ToUpperText(child->name));
        std::erase_if(children, [&](const std::unique_ptr<Node>& each) { return each.get() == child; });
    }

    StoredValue* Value(std::u16string_view valueName) {
        const auto it = valueIndex.find(ToUpperText(valueName));
        return it == valueIndex.end() ? nullptr : &values[it->second];
    }
    // Replaces the value of that name (keeping the name's first spelling) or adds it.
    void SetValue(StoredValue value) {
        if (StoredValue* existing = Value(value.name)) {
            existing->type = value.type;
            existing->data = std::move(value.data);
            return;
        }
        valueIndex.emplace(ToUpperText(value.name), values.size());
        values.push_back(std::move(value));
    }
    bool RemoveValue(std::u16string_view valueName) {
        const auto it = valueIndex.find(ToUpperText(valueName));
        if (it == valueIndex.end()) {
            return false;
        }
        const std::size_t position = it->second;
        valueIndex.erase(it);
        values.erase(values.begin() + static_cast<std::ptrdiff_t>(position));
        for (auto& [folded, index] : valueIndex) {
            if (index > position) {
                --index;
            }
        }
        return true;
    }
};

namespace {

// Access bits that change a key: set value, create subkey, create link, delete, write DAC and owner.
constexpr std::uint32_t kWriteBits = 0x0002 | 0x0004 | 0x0020 | 0x10000 | 0x40000 | 0x80000;

// The key of HKEY_LOCAL_MACHINE that 64-bit Windows shows 32-bit programs a copy of, and the copy.
constexpr std::u16string_view kSoftwareKey = u"Software";
constexpr std::u16string_view kWow64Node = u"WOW6432Node";

} // namespace

std::u16string_view RootName(RegistryRoot root) {
    return root == RegistryRoot::LocalMachine ? u"HKEY_LOCAL_MACHINE" : u"HKEY_CURRENT_USER";
}

std::vector<std::u16string_view> SplitKeyPath(std::u16string_view path) {
    std::vector<std::u16string_view> names;
    while (!path.empty()) {
        const auto end = path.find(u'\\');
        const auto name = path.substr(0, end);
        if (!name.empty()) {
            names.push_back(name);
        }
        if (end == std::u16string_view::npos) {
            break;
        }
        path.remove_prefix(end + 1);
    }
    return names;
}

MemoryRegistryStore::MemoryRegistryStore() = default;
MemoryRegistryStore::~MemoryRegistryStore() = default;

MemoryRegistryStore::Node* MemoryRegistryStore::Root(std::u16string_view rootName, bool create) {
    for (const auto& root : roots_) {
        if (EqualsIgnoringCase(root->name, rootName)) {
            return root.get();
        }
    }
    if (!create) {
        return nullptr;
    }
    roots_.push_back(std::make_unique<Node>());
    roots_.back()->name = std::u16string(rootName);
    return roots_.back().get();
}

const MemoryRegistryStore::Node* MemoryRegistryStore::FindRoot(std::u16string_view rootName) const {
    for (const auto& root : roots_) {
        if (EqualsIgnoringCase(root->name, rootName)) {
            return root.get();
        }
    }
    return nullptr;
}

StoreStatus MemoryRegistryStore::Resolve(RegistryRoot root, std::u16string_view path, std::uint32_t access,
                                         bool create, StoreKey& key) {
    key = 0;
    if (root != RegistryRoot::LocalMachine && root != RegistryRoot::CurrentUser) {
        return StoreStatus::Failed;
    }
    if ((access & kWriteBits) != 0 && deniedWrites_.contains(root)) {
        return StoreStatus::AccessDenied;
    }
    const std::vector<std::u16string_view> names = Names(root, path, access);
    if (names.size() > kMaxKeyDepth) {
        return StoreStatus::TooDeep;
    }
    Node* node = Root(RootName(root), true);
    for (const auto name : names) {
        Node* child = node->Child(name);
        if (child == nullptr) {
            if (!create) {
                return StoreStatus::NotFound;
            }
            child = node->AddChild(name);
        }
        node = child;
    }
    key = nextHandle_++;
    handles_.emplace(key, Handle{node, access});
    return StoreStatus::Ok;
}

// The names of a key path as this store sees it: with the 32-bit copy of HKEY_LOCAL_MACHINE\Software
// put in when the redirection is emulated and the access asks for the 32-bit view.
std::vector<std::u16string_view> MemoryRegistryStore::Names(RegistryRoot root, std::u16string_view path,
                                                            std::uint32_t access) const {
    std::vector<std::u16string_view> names = SplitKeyPath(path);
    const bool view32 = wow64Redirection_ == ProgramKind::Bits32 ? (access & access::kWow64_64Key) == 0
                                                                 : (access & access::kWow64_32Key) != 0;
    if (wow64Redirection_ && view32 && root == RegistryRoot::LocalMachine && !names.empty() &&
        EqualsIgnoringCase(names.front(), kSoftwareKey) &&
        (names.size() == 1 || !EqualsIgnoringCase(names[1], kWow64Node))) {
        names.insert(names.begin() + 1, kWow64Node);
    }
    return names;
}

// An open key that is still there; null for unknown handles and keys deleted meanwhile.
MemoryRegistryStore::Handle* MemoryRegistryStore::Find(StoreKey key) {
    const auto it = handles_.find(key);
    return it == handles_.end() || it->second.node == nullptr ? nullptr : &it->second;
}

StoreStatus MemoryRegistryStore::OpenKey(RegistryRoot root, std::u16string_view path, std::uint32_t access,
                                         StoreKey& key) {
    return Resolve(root, path, access, false, key);
}

StoreStatus MemoryRegistryStore::CreateKey(RegistryRoot root, std::u16string_view path, std::uint32_t access,
                                           StoreKey& key) {
    return Resolve(root, path, access, true, key);
}

StoreStatus MemoryRegistryStore::QueryValue(StoreKey key, std::u16string_view name, ValueType& type,
                                            std::span<std::uint8_t> buffer, std::uint32_t& size) {
    Handle* handle = Find(key);
    if (handle == nullptr) {
        return StoreStatus::Failed;
    }
    if ((handle->access & access::kQueryValue) == 0) {
        return StoreStatus::AccessDenied;
    }
    const StoredValue* value = handle->node->Value(name);
    if (value == nullptr) {
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

StoreStatus MemoryRegistryStore::SetValue(StoreKey key, std::u16string_view name, ValueType type,
                                          std::span<const std::uint8_t> data) {
    Handle* handle = Find(key);
    if (handle == nullptr) {
        return StoreStatus::Failed;
    }
    if ((handle->access & access::kSetValue) == 0) {
        return StoreStatus::AccessDenied;
    }
    handle->node->SetValue({std::u16string(name), type, {data.begin(), data.end()}});
    return StoreStatus::Ok;
}

StoreStatus MemoryRegistryStore::DeleteValue(StoreKey key, std::u16string_view name) {
    Handle* handle = Find(key);
    if (handle == nullptr) {
        return StoreStatus::Failed;
    }
    if ((handle->access & access::kSetValue) == 0) {
        return StoreStatus::AccessDenied;
    }
    return handle->node->RemoveValue(name) ? StoreStatus::Ok : StoreStatus::NotFound;
}

StoreStatus MemoryRegistryStore::DeleteKey(RegistryRoot root, std::u16string_view path,
                                           std::uint32_t access) {
    if (root != RegistryRoot::LocalMachine && root != RegistryRoot::CurrentUser) {
        return StoreStatus::Failed;
    }
    const std::vector<std::u16string_view> names = Names(root, path, access);
    if (names.empty()) {
        return StoreStatus::AccessDenied; // a root is never deleted
    }
    if (names.size() > kMaxKeyDepth) {
        return StoreStatus::TooDeep;
    }
    if (deniedWrites_.contains(root)) {
        return StoreStatus::AccessDenied;
    }
    Node* parent = Root(RootName(root), true);
    for (std::size_t i = 0; i + 1 < names.size() && parent != nullptr; ++i) {
        parent = parent->Child(names[i]);
    }
    Node* node = parent == nullptr ? nullptr : parent->Child(names.back());
    if (node == nullptr) {
        return StoreStatus::NotFound;
    }
    if (!node->children.empty()) {
        return StoreStatus::AccessDenied;
    }
    for (auto& [key, handle] : handles_) {
        if (handle.node == node) {
            handle.node = nullptr;
        }
    }
    parent->RemoveChild(node);
    return StoreStatus::Ok;
}

StoreStatus MemoryRegistryStore::QueryKeyInfo(StoreKey key, std::uint32_t& subkeyCount,
                                              std::uint32_t& valueCount) {
    Handle* handle = Find(key);
    if (handle == nullptr) {
        return StoreStatus::Failed;
    }
    if ((handle->access & access::kQueryValue) == 0) {
        return StoreStatus::AccessDenied;
    }
    subkeyCount = static_cast<std::uint32_t>(handle->node->children.size());
    valueCount = static_cast<std::uint32_t>(handle->node->values.size());
    return StoreStatus::Ok;
}

void MemoryRegistryStore::CloseKey(StoreKey key) {
    handles_.erase(key);
}

void MemoryRegistryStore::DenyWrites(RegistryRoot root) {
    deniedWrites_.insert(root);
}

void MemoryRegistryStore::EmulateWow64Redirection(ProgramKind kind) {
    wow64Redirection_ = kind;
}

std::vector<StoredKey> MemoryRegistryStore::Snapshot() const {
    std::vector<StoredKey> keys;
    // Depth-first, parents before children; roots themselves appear only when they hold values.
    struct Walker {
        std::vector<StoredKey>& out;
        void Walk(const Node& node, const std::u16string& rootName, const std::u16string& path) {
            for (const auto& child : node.children) {
                const std::u16string childPath = path.empty() ? child->name : path + u'\\' + child->name;
                out.push_back({rootName, childPath, child->values});
                Walk(*child, rootName, childPath);
            }
        }
    } walker{keys};
    for (const auto& root : roots_) {
        if (!root->values.empty()) {
            keys.push_back({root->name, {}, root->values});
        }
        walker.Walk(*root, root->name, {});
    }
    return keys;
}

void MemoryRegistryStore::Load(const std::vector<StoredKey>& keys) {
    handles_.clear();
    roots_.clear();
    for (const auto& record : keys) {
        const std::vector<std::u16string_view> names = SplitKeyPath(record.path);
        if (names.size() > kMaxKeyDepth) {
            continue; // no registry holds such a key
        }
        Node* node = Root(record.rootName, true);
        for (const auto name : names) {
            Node* child = node->Child(name);
            node = child != nullptr ? child : node->AddChild(name);
        }
        for (const auto& value : record.values) {
            node->SetValue(value);
        }
    }
}

bool MemoryRegistryStore::KeyExists(RegistryRoot root, std::u16string_view path) const {
    const Node* node = FindRoot(RootName(root));
    for (const auto name : SplitKeyPath(path)) {
        if (node == nullptr) {
            return false;
        }
        node = node->Child(name);
    }
    return node != nullptr;
}

} // namespace zentrim
