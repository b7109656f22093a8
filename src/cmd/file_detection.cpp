#include "cmd/file_detection.h"

#include "base/text.h"
#include "engine/product_key.h"
#include "engine/system_profile.h"
#include "engine/windows_version.h"

#include <algorithm>
#include <set>
#include <tuple>

namespace zentrim {

namespace {

constexpr RegistryView kNativeView = RegistryView::Bits64();

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

namespace zentrim {

namespace {

constexpr std::u16string_view kMachineRoot = u"HKEY_LOCAL_MACHINE";
constexpr std::u16string_view kSoftware = u"SOFTWARE";
constexpr std::u16string_view kWow64Node = u"WOW6432Node";
constexpr std::u16string_view kEnvironmentKeyPath =
    u"SYSTEM\\CurrentControlSet\\Control\\Session Manager\\Environment";
constexpr std::u16string_view kProcessorArchitecture = u"PROCESSOR_ARCHITECTURE";

std::string_view ArchitectureName(WindowsArchitecture architecture) {
    return architecture == WindowsArchitecture::X86 ? "x86" : "x64";
}

// Whether `path` is `key` or lies below it, without regard to case.
bool AtOrBelow(std::u16string_view path, std::u16string_view key) {
    return path.size() >= key.size() && EqualsIgnoringCase(path.substr(0, key.size()), key) &&
           (path.size() == key.size() || path[key.size()] == u'\\');
}

// The values of a key and the keys below it, named case-folded relative to it, so that two copies
// compare by what they hold; nothing when the file has no such key.
using KeyContent = std::set<std::tuple<std::u16string, std::u16string, ValueType, std::vector<std::uint8_t>>>;

std::optional<KeyContent> ContentOf(const std::vector<StoredKey>& keys, std::u16string_view key) {
    std::optional<KeyContent> content;
    for (const StoredKey& stored : keys) {
        if (!EqualsIgnoringCase(stored.rootName, kMachineRoot) || !AtOrBelow(stored.path, key)) {
            continue;
        }
        if (!content) {
            content.emplace();
        }
        const std::u16string below = ToUpperText(std::u16string_view(stored.path).substr(key.size()));
        for (const StoredValue& value : stored.values) {
            content->emplace(below, ToUpperText(value.name), value.type, value.data);
        }
    }
    return content;
}

bool HasKey(const std::vector<StoredKey>& keys, std::u16string_view key) {
    return std::ranges::any_of(keys, [&](const StoredKey& stored) {
        return EqualsIgnoringCase(stored.rootName, kMachineRoot) && AtOrBelow(stored.path, key);
    });
}

std::optional<WindowsArchitecture> EnvironmentArchitecture(const std::vector<StoredKey>& keys) {
    for (const StoredKey& stored : keys) {
        if (!EqualsIgnoringCase(stored.rootName, kMachineRoot) ||
            !EqualsIgnoringCase(stored.path, kEnvironmentKeyPath)) {
            continue;
        }
        for (const StoredValue& value : stored.values) {
            if (!EqualsIgnoringCase(value.name, kProcessorArchitecture) || value.type != ValueType::String) {
                continue;
            }
            const std::u16string text = DecodeRegistryText(value.data);
            if (EqualsIgnoringCase(text, u"x86")) {
                return WindowsArchitecture::X86;
            }
            if (EqualsIgnoringCase(text, u"AMD64") || EqualsIgnoringCase(text, u"ARM64") ||
                EqualsIgnoringCase(text, u"IA64")) {
                return WindowsArchitecture::X64;
            }
        }
    }
    return std::nullopt;
}

} // namespace

ArchitectureDecision DecideFileArchitecture(const std::vector<StoredKey>& keys,
                                            std::optional<WindowsArchitecture> given) {
    // The product key as 32-bit Windows keeps it, and its copy in the 32-bit view of 64-bit Windows.
    const std::u16string outside(BareKeyPath(ProductKeyPath));
    std::u16string inside = outside;
    inside.insert(kSoftware.size(), u"\\" + std::u16string(kWow64Node));
    const std::u16string wow64Node = std::u16string(kSoftware) + u"\\" + std::u16string(kWow64Node);
    const std::string outsideText = "HKEY_LOCAL_MACHINE\\" + ToUtf8(outside);
    const std::string insideText = "HKEY_LOCAL_MACHINE\\" + ToUtf8(inside);

    const std::optional<KeyContent> outsideContent = ContentOf(keys, outside);
    const std::optional<KeyContent> insideContent = ContentOf(keys, inside);
    if (outsideContent && insideContent && *outsideContent != *insideContent) {
        return {std::nullopt, "it holds Zentrim's key twice, at " + outsideText +
                                  " (32-bit Windows) and at " + insideText +
                                  " (64-bit Windows), with different content; remove the one that "
                                  "does not belong to the Windows it comes from"};
    }

    std::optional<WindowsArchitecture> told;
    std::string why;
    if (HasKey(keys, wow64Node)) {
        told = WindowsArchitecture::X64;
        why = "it holds HKEY_LOCAL_MACHINE\\SOFTWARE\\WOW6432Node, which only 64-bit Windows has";
    } else if (outsideContent) {
        told = WindowsArchitecture::X86;
        why = "it holds Zentrim's key at " + outsideText + " and no WOW6432Node, as 32-bit Windows does";
    } else if (const auto environment = EnvironmentArchitecture(keys)) {
        told = environment;
        why = std::string("its PROCESSOR_ARCHITECTURE says ") +
              (*told == WindowsArchitecture::X86 ? "x86" : "64-bit");
    }
    if (given) {
        if (told && *told != *given) {
            return {std::nullopt,
                    "--arch " + std::string(ArchitectureName(*given)) + " does not fit the file: " + why};
        }
        return {given, "given with --arch"};
    }
    if (told) {
        return {told, why};
    }
    return {WindowsArchitecture::X64,
            "nothing in it tells, so it is taken as 64-bit Windows; --arch x86 says otherwise"};
}

} // namespace zentrim
