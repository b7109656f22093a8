// The product key: the one registry key where the program keeps its own state. Every access goes
// to HKEY_LOCAL_MACHINE in the 32-bit registry view, where the updater and every 32-bit build keep
// it, so that the 32-bit and the 64-bit program share one key, one backup and one "Updated" flag.
#pragma once

#include "engine/clock.h"
#include "engine/custom_registry.h"
#include "engine/date_text.h"
#include "engine/date_time.h"

#include <optional>
#include <string>
#include <string_view>

namespace zentrim {

inline constexpr RegistryRoot kProductKeyRoot = RegistryRoot::LocalMachine;
inline constexpr std::u16string_view ProductKeyPath = u"\\Software\\ORVANE\\Zentrim\\";
inline constexpr RegistryView kProductKeyView = RegistryView::Bits32();
inline constexpr RegistryPlace kProductKeyPlace{kProductKeyRoot, ProductKeyPath, kProductKeyView};

// The names of the product key's own values. The backup values are named after the tweaked
// values they save.
namespace product_value {
inline constexpr std::u16string_view kInstalledDate = u"InstalledDate"; // REG_SZ, date text
inline constexpr std::u16string_view kUpdatedDate = u"UpdatedDate";     // REG_SZ, date text
inline constexpr std::u16string_view kUpdated = u"Updated"; // REG_DWORD, boolean, set by the updater
inline constexpr std::u16string_view kInternetType = u"InternetType";   // REG_DWORD, default 0
inline constexpr std::u16string_view kProcessorType = u"ProcessorType"; // REG_DWORD, -1 when never chosen
inline constexpr std::u16string_view kSpeedSetting = u"SpeedSetting";   // REG_DWORD, 0 or 1
inline constexpr std::u16string_view kRestore = u"Restore";             // REG_DWORD, boolean: a backup exists
inline constexpr std::u16string_view kLanguage = u"Language";           // REG_SZ, default "english"
} // namespace product_value

// After this many whole days since the last update the main window starts an update check.
inline constexpr long long kUpdateReminderDays = 45;

// The upkeep at every start, before anything else reads the key: the first start records
// "InstalledDate"; an "Updated" flag left by the updater is cleared and this start's moment
// becomes "UpdatedDate". Both use the same moment. Without the rights to write nothing is stored
// and nothing is reported.
void RunStartupUpkeep(const CustomRegistry& registry, const Clock& clock) noexcept;

// The date shown after "Last updated : ": "UpdatedDate" as display text, or "InstalledDate"
// when that gives none; empty when neither does.
std::u16string LastUpdatedText(const CustomRegistry& registry, const DateTextFormatter& formatter);

// The moment of the last update for the update reminder: "UpdatedDate", read with the current
// time as its default so that a key without it never looks old. Nothing when the stored text
// cannot be read.
std::optional<DateTime> LastUpdateMoment(const CustomRegistry& registry, const DateTextFormatter& formatter,
                                         const Clock& clock);

// Whether the last update lies more than kUpdateReminderDays whole days away from now, in either
// direction. False when its moment cannot be read.
bool IsUpdateCheckDue(const CustomRegistry& registry, const DateTextFormatter& formatter, const Clock& clock);

} // namespace zentrim
