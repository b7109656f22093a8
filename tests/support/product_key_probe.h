// The product key as a test sees it in a store's snapshot, read without the program's code: which
// keys belong to it, and whether any part of a backup can be seen there.
#pragma once

#include "base/text.h"
#include "engine/memory_registry_store.h"

#include <cstdint>
#include <set>
#include <string>
#include <vector>

namespace zentrim::testing {

// HKEY_LOCAL_MACHINE\Software\ORVANE\Zentrim and every key below it.
inline bool InProductKey(const StoredKey& key) {
    const std::u16string path = ToLowerText(key.path);
    return key.rootName == u"HKEY_LOCAL_MACHINE" &&
           (path == u"software\\orvane\\zentrim" || path.starts_with(u"software\\orvane\\zentrim\\"));
}

// Whether any part of a backup can be seen: "Restore" not 0, a value of the product key that is not
// one of its own settings (a backup value), or a value in a key below it (an entry of the record).
inline bool BackupVisible(const std::vector<StoredKey>& state) {
    static const std::set<std::u16string> kOwnSettings{u"installeddate", u"updateddate",   u"updated",
                                                       u"internettype",  u"processortype", u"speedsetting",
                                                       u"language",      u"restore"};
    for (const StoredKey& key : state) {
        if (!InProductKey(key)) {
            continue;
        }
        const bool productKey = EqualsIgnoringCase(key.path, u"Software\\ORVANE\\Zentrim");
        for (const StoredValue& value : key.values) {
            const std::u16string name = ToLowerText(value.name);
            if (!productKey || (name == u"restore" ? value.data != std::vector<std::uint8_t>{0, 0, 0, 0}
                                                   : !kOwnSettings.contains(name))) {
                return true;
            }
        }
    }
    return false;
}

} // namespace zentrim::testing
