#include "engine/system_profile.h"

#include "base/text.h"
#include "engine/product_key.h"

#include <algorithm>

namespace zentrim {

namespace {

// Each detection code preselects one entry, and each list entry has its own code.
constexpr bool DetectionCodesAreDistinct() {
    for (std::size_t i = 0; i < kWindowsList.size(); ++i) {
        for (std::size_t j = i + 1; j < kWindowsList.size(); ++j) {
            if (kWindowsList[i].detectionCode == kWindowsList[j].detectionCode) {
                return false;
            }
        }
    }
    return true;
}
static_assert(DetectionCodesAreDistinct());

} // namespace

int ConvertWindowsVersion(int winVer) noexcept {
    if (winVer < 0 || winVer >= static_cast<int>(kWindowsList.size())) {
        return os_class::kWindows2000;
    }
    return kWindowsList[static_cast<std::size_t>(winVer)].osClass;
}

int WindowsListIndexForDetectionCode(int detectionCode) noexcept {
    for (std::size_t i = 0; i < kWindowsList.size(); ++i) {
        if (kWindowsList[i].detectionCode == detectionCode) {
            return static_cast<int>(i);
        }
    }
    return 0; // an unknown version shows the newest Windows
}

int ProcessorVendorFromName(std::u16string_view processorName) {
    const std::u16string name = ToLowerText(processorName);
    if (name.find(u"intel") != std::u16string::npos) {
        return processor_type::kIntel;
    }
    if (name.find(u"amd") != std::u16string::npos) {
        return processor_type::kAmd;
    }
    if (name.find(u"via") != std::u16string::npos) {
        return processor_type::kVia;
    }
    return processor_type::kIntel;
}

int DetectProcessorVendor(const CustomRegistry& registry) {
    try {
        return ProcessorVendorFromName(registry.ReadRegistryString(RegistryRoot::LocalMachine,
                                                                   kProcessorKeyPath, kProcessorNameValue,
                                                                   u"", RegistryView::Default()));
    } catch (...) {
        return processor_type::kIntel; // out of memory while lower-casing: as an unreadable name
    }
}

int ClampSpeedSetting(int position) noexcept {
    return std::clamp(position, kSpeedBoost, kSpeedMaximumBoost);
}

StoredChoices ReadStoredChoices(const CustomRegistry& registry) {
    StoredChoices stored;
    stored.processorType =
        registry.ReadRegistryInteger(kProductKeyPlace, product_value::kProcessorType, kDetectProcessorType);
    stored.internetType =
        registry.ReadRegistryInteger(kProductKeyPlace, product_value::kInternetType, kDefaultInternetType);
    stored.speedSetting =
        registry.ReadRegistryInteger(kProductKeyPlace, product_value::kSpeedSetting, kDefaultSpeedSetting);
    return stored;
}

ProfileSelection PreselectProfile(int detectionCode, const StoredChoices& stored,
                                  const CustomRegistry& registry) {
    ProfileSelection selection;
    selection.windowsIndex = WindowsListIndexForDetectionCode(detectionCode);
    selection.processorIndex =
        stored.processorType == kDetectProcessorType ? DetectProcessorVendor(registry) : stored.processorType;
    selection.internetType = stored.internetType;
    selection.speedPosition = ClampSpeedSetting(stored.speedSetting);
    return selection;
}

} // namespace zentrim
