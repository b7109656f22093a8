// Test doubles for the optimize and restore runs: a view that records every call in order, and a
// store that stops changing anything after a given number of changes, as a run cut off by a power
// failure would leave the registry.
#pragma once

#include "base/text.h"
#include "engine/custom_registry.h"
#include "engine/memory_registry_store.h"
#include "engine/run_view.h"
#include "engine/system_profile.h"
#include "support/forwarding_registry_store.h"

#include <cmath>
#include <cstdio>
#include <deque>
#include <functional>
#include <ostream>
#include <stdexcept>
#include <string>
#include <vector>

namespace zentrim {

// Registry values in test failures: their type and bytes.
inline void PrintTo(const RawValue& value, std::ostream* out) {
    *out << "type " << static_cast<unsigned>(value.type) << " [";
    for (std::size_t i = 0; i < value.data.size(); ++i) {
        char byte[4];
        std::snprintf(byte, sizeof byte, i == 0 ? "%02X" : " %02X", value.data[i]);
        *out << byte;
    }
    *out << "]";
}

} // namespace zentrim

namespace zentrim::testing {

class FakeRunView final : public RunView {
public:
    // The main window's choices.
    int windowsIndex = 1; // Windows 10
    int internetType = 0;
    int processorType = 1;
    int speedSetting = 1;

    // Message box answers in order; IDNO once they run out.
    std::deque<int> answers;
    // Throws when the call of this name (as recorded) is made for the n-th time (from 1).
    std::string failAt;
    int failAtOccurrence = 1;
    // Called with each recorded call, before it is recorded.
    std::function<void(const std::string&)> onCall;

    struct Box {
        std::u16string text;
        std::u16string title;
        std::uint32_t flags;
    };
    std::vector<Box> boxes;
    std::vector<std::string> calls; // everything but caption and title lookups
    std::vector<int> barAfterStep;

    bool mainWindowEnabled = true;
    bool progressShown = false;
    bool restoreButtonEnabled = false;
    int stepTotal = 0;
    int stepCount = 0;

    static constexpr std::u16string_view kTitle = u"Zentrim - main window";

    // Captions name their window and key, so a test sees which text was used.
    static std::u16string Caption(std::u16string_view windowName, std::u16string_view key) {
        std::u16string caption(u"[");
        caption += windowName;
        caption += u':';
        caption += key;
        caption += u']';
        return caption;
    }

    int WindowsIndex() override {
        Record("WindowsIndex");
        return windowsIndex;
    }
    int InternetType() override {
        Record("InternetType");
        return internetType;
    }
    int ProcessorType() override {
        Record("ProcessorType");
        return processorType;
    }
    int SpeedSetting() override {
        Record("SpeedSetting");
        return speedSetting;
    }
    int ConvertWindowsVersion(int index) override {
        Record("ConvertWindowsVersion(" + std::to_string(index) + ")");
        return zentrim::ConvertWindowsVersion(index);
    }
    void EnableMainWindow(bool enabled) override {
        Record(std::string("EnableMainWindow(") + (enabled ? "1" : "0") + ")");
        mainWindowEnabled = enabled;
    }
    void EnableRestoreButton(bool enabled) override {
        Record(std::string("EnableRestoreButton(") + (enabled ? "1" : "0") + ")");
        restoreButtonEnabled = enabled;
    }
    std::u16string MainWindowTitle() override { return std::u16string(kTitle); }
    void ShowProgressWindow() override {
        Record("ShowProgressWindow");
        progressShown = true;
    }
    void SetProgressStepTotal(int total) override {
        Record("SetProgressStepTotal(" + std::to_string(total) + ")");
        stepTotal = total;
    }
    void SetProgressStepCount(int count) override {
        Record("SetProgressStepCount(" + std::to_string(count) + ")");
        stepCount = count;
    }
    void SetProgressHeading(std::u16string_view text) override {
        Record("SetProgressHeading(" + ToUtf8(text) + ")");
    }
    void ShowProgressStep(std::u16string_view text) override {
        Record("ShowProgressStep(" + ToUtf8(text) + ")");
        ++stepCount; // what the progress window does at the end of a step
        barAfterStep.push_back(static_cast<int>(std::lround(100.0 * stepCount / stepTotal)));
    }
    void CloseProgressWindow() override {
        Record("CloseProgressWindow");
        progressShown = false;
    }
    std::u16string GetCaption(std::u16string_view windowName, std::u16string_view key) override {
        return Caption(windowName, key);
    }
    void PlayClickSound() override { Record("PlayClickSound"); }
    int ShowMessageBox(std::u16string_view text, std::u16string_view title, std::uint32_t flags) override {
        char hex[16];
        std::snprintf(hex, sizeof hex, "0x%X", static_cast<unsigned>(flags));
        Record(std::string("MessageBox(") + hex + ")");
        boxes.push_back({std::u16string(text), std::u16string(title), flags});
        if (answers.empty()) {
            return message_box::kIdNo;
        }
        const int answer = answers.front();
        answers.pop_front();
        return answer;
    }

private:
    void Record(const std::string& call) {
        if (onCall) {
            onCall(call);
        }
        if (call.rfind(failAt, 0) == 0 && !failAt.empty() && --failAtOccurrence == 0) {
            throw std::runtime_error("view failure");
        }
        calls.push_back(call);
    }
};

// Forwards to an in-memory store until `changesLeft` changes (value sets and deletions) have been
// made; from then on it refuses every change, so the registry stays as it was at that moment.
class StoppingStore final : public ForwardingRegistryStore {
public:
    explicit StoppingStore(MemoryRegistryStore& inner, int changesLeft)
        : ForwardingRegistryStore(inner), changesLeft_(changesLeft) {}

    bool Stopped() const { return changesLeft_ == 0; }

    StoreStatus CreateKey(RegistryRoot root, std::u16string_view path, std::uint32_t access,
                          StoreKey& key) override {
        if (Stopped()) {
            key = 0;
            return StoreStatus::Failed;
        }
        return ForwardingRegistryStore::CreateKey(root, path, access, key);
    }
    StoreStatus SetValue(StoreKey key, std::u16string_view name, ValueType type,
                         std::span<const std::uint8_t> data) override {
        return Change() ? ForwardingRegistryStore::SetValue(key, name, type, data) : StoreStatus::Failed;
    }
    StoreStatus DeleteValue(StoreKey key, std::u16string_view name) override {
        return Change() ? ForwardingRegistryStore::DeleteValue(key, name) : StoreStatus::Failed;
    }
    StoreStatus DeleteKey(RegistryRoot root, std::u16string_view path, std::uint32_t access) override {
        return Change() ? ForwardingRegistryStore::DeleteKey(root, path, access) : StoreStatus::Failed;
    }

private:
    bool Change() {
        if (Stopped()) {
            return false;
        }
        --changesLeft_;
        return true;
    }

    int changesLeft_;
};

} // namespace zentrim::testing
