#include "cmd/file_detection.h"

#include "base/text.h"
#include "engine/system_profile.h"
#include "engine/windows_version.h"

namespace zentrim {

namespace {

constexpr RegistryView kNativeView = RegistryView(true);

std::optional<std::uint32_t> ReadNumber(const CustomRegistry& registry, std::u16string_view name) {
    int value = 0;
    if (registry.TryReadInteger(RegistryRoot::LocalMachine, kCurrentVersionKeyPath, name, kNativeView,
                                value) != StoreStatus::Ok) {
        return std::nullopt;
    }
    return static_cast<std::uint32_t>(value);
}

std::optional<std::u16string> ReadText(const CustomRegistry& registry, std::u16string_view path,
                                       std::u16string_view name) {
    std::u16string text;
    if (registry.TryReadString(RegistryRoot::LocalMachine, path, name, kNativeView, text) !=
        StoreStatus::Ok) {
        return std::nullopt;
    }
    return text;
}

std::optional<std::uint32_t> ParseNumber(std::u16string_view text) {
    int value = 0;
    if (!TryParseInt32(text, value) || value < 0) {
        return std::nullopt;
    }
    return static_cast<std::uint32_t>(value);
}

int ProductTypeOf(const CustomRegistry& registry) {
    if (const auto type = ReadText(registry, kProductOptionsKeyPath, u"ProductType")) {
        if (EqualsIgnoringCase(*type, u"WinNT")) {
            return product_type::kWorkstation;
        }
        if (EqualsIgnoringCase(*type, u"LanmanNT")) {
            return product_type::kDomainController;
        }
        if (EqualsIgnoringCase(*type, u"ServerNT")) {
            return product_type::kServer;
        }
    }
    if (const auto installation = ReadText(registry, kCurrentVersionKeyPath, u"InstallationType")) {
        if (EqualsIgnoringCase(*installation, u"Client")) {
            return product_type::kWorkstation;
        }
        if (ToLowerText(*installation).find(u"server") != std::u16string::npos) {
            return product_type::kServer;
        }
    }
    return product_type::kNotReported;
}

} // namespace

int DetectWindowsFromRegistry(const CustomRegistry& registry) {
    std::optional<std::uint32_t> major = ReadNumber(registry, u"CurrentMajorVersionNumber");
    std::optional<std::uint32_t> minor = ReadNumber(registry, u"CurrentMinorVersionNumber");
    if (!major || !minor) {
        const auto version = ReadText(registry, kCurrentVersionKeyPath, u"CurrentVersion");
        const auto dot = version ? version->find(u'.') : std::u16string::npos;
        if (dot == std::u16string::npos) {
            return detection_code::kUnknown;
        }
        major = ParseNumber(std::u16string_view(*version).substr(0, dot));
        minor = ParseNumber(std::u16string_view(*version).substr(dot + 1));
    }
    auto build = ReadText(registry, kCurrentVersionKeyPath, u"CurrentBuildNumber");
    if (!build) {
        build = ReadText(registry, kCurrentVersionKeyPath, u"CurrentBuild");
    }
    const std::optional<std::uint32_t> buildNumber = build ? ParseNumber(*build) : std::nullopt;
    if (!major || !minor || !buildNumber) {
        return detection_code::kUnknown;
    }
    return DecideWindowsVersion(*major, *minor, *buildNumber, ProductTypeOf(registry));
}

bool HasProcessorName(const CustomRegistry& registry) {
    return ReadText(registry, kProcessorKeyPath, kProcessorNameValue).has_value();
}

} // namespace zentrim
