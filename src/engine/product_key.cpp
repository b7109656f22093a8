#include "engine/product_key.h"

namespace zentrim {

namespace {

std::u16string ReadProductString(const CustomRegistry& registry, std::u16string_view name,
                                 std::u16string_view defaultValue) {
    return registry.ReadRegistryString(kProductKeyPlace, name, defaultValue);
}

} // namespace

void RunStartupUpkeep(const CustomRegistry& registry, const Clock& clock) noexcept {
    try {
        const std::u16string now = CurrentDateText(clock);
        if (ReadProductString(registry, product_value::kInstalledDate, u"").empty()) {
            registry.WriteRegistryString(kProductKeyPlace, product_value::kInstalledDate, now);
        }
        if (registry.ReadRegistryBool(kProductKeyPlace, product_value::kUpdated, false)) {
            registry.WriteRegistryBool(kProductKeyPlace, product_value::kUpdated, false);
            registry.WriteRegistryString(kProductKeyPlace, product_value::kUpdatedDate, now);
        }
    } catch (...) {
        // Start-up goes on with whatever could be read and written.
    }
}

std::u16string LastUpdatedText(const CustomRegistry& registry, const DateTextFormatter& formatter) {
    try {
        std::u16string text =
            formatter.FormatDateText(ReadProductString(registry, product_value::kUpdatedDate, u""));
        if (text.empty()) {
            text = formatter.FormatDateText(ReadProductString(registry, product_value::kInstalledDate, u""));
        }
        return text;
    } catch (...) {
        return {};
    }
}

std::optional<DateTime> LastUpdateMoment(const CustomRegistry& registry, const DateTextFormatter& formatter,
                                         const Clock& clock) {
    try {
        return formatter.DateTextToDateTime(
            ReadProductString(registry, product_value::kUpdatedDate, CurrentDateText(clock)));
    } catch (...) {
        return std::nullopt;
    }
}

bool IsUpdateCheckDue(const CustomRegistry& registry, const DateTextFormatter& formatter,
                      const Clock& clock) {
    const std::optional<DateTime> lastUpdate = LastUpdateMoment(registry, formatter, clock);
    if (!lastUpdate) {
        return false;
    }
    const std::optional<long long> days = WholeDaysBetween(clock.Now(), *lastUpdate);
    return days && *days > kUpdateReminderDays;
}

} // namespace zentrim
