// What an optimize run and a restore run should leave in the registry, worked out from the design's
// table as the tests write it out by hand (support/design_catalogue.h), never from the program's
// own catalogue: the values, which rows a profile writes, the speed-dependent values, the backup
// values with their defaults, and what a restore puts back.
#pragma once

#include "e2e/registry_probe.h"

#include <string>
#include <utility>
#include <vector>

namespace zentrim::e2e {

// One live value the catalogue names. The TCP/IP parameters key is written with and without its
// trailing backslash, so "KeepAliveTime" and "EnablePMTUDiscovery" appear once each.
struct LiveValue {
    HKEY root = nullptr;
    std::wstring keyPath; // without outer backslashes
    std::wstring name;
    std::vector<int> rows; // the catalogue rows naming it, in number order
    std::wstring Label() const;
};

// The user's four choices in the main window.
struct Choices {
    int windowsIndex = 0;   // Windows list index, 0 to 9
    int processorIndex = 0; // 0 Intel, 1 AMD, 2 VIA
    int internetType = 0;   // internet-type list index, 0 to 8
    int speedSetting = 0;   // 0 Boost, 1 Maximum Boost
};

// The catalogue's distinct live values, in the order of their first row.
const std::vector<LiveValue>& CatalogueValues();

// The state of every catalogue value, parallel to CatalogueValues().
using ValueState = std::vector<MaybeValue>;
ValueState ReadCatalogueState();
// Puts every catalogue value back as the state says (absent ones deleted).
void WriteCatalogueState(const ValueState& state);

// Compares the catalogue's values with the expected state, naming every value that differs.
void ExpectCatalogueState(const ValueState& actual, const ValueState& expected, const char* when);

// The OS class of a Windows list entry.
int OsClassOf(int windowsIndex);

// The live values after an optimize run with these choices.
ValueState ExpectedAfterOptimize(const ValueState& before, const Choices& choices);
// A restore run gives back every live value exactly as the first backup saw it, whatever the
// choices shown at restore time, so its expectation is the state before the first optimize run.
// The eleven backup values the first optimize run stores in the product key, by value name.
std::vector<std::pair<std::wstring, StoredValue>> ExpectedBackupValues(const ValueState& before);

// The product key as this 64-bit driver sees it: every build keeps it in the 32-bit view, which
// is the copy under WOW6432Node.
inline constexpr wchar_t kProductKeyPath[] = L"Software\\WOW6432Node\\ORVANE\\Zentrim";
inline constexpr wchar_t kOriginalsKeyPath[] = L"Software\\WOW6432Node\\ORVANE\\Zentrim\\Originals";

} // namespace zentrim::e2e
