// A launcher for tests: records every request and launches nothing.
#pragma once

#include "launch/launcher.h"

#include <stdexcept>
#include <string>
#include <vector>

namespace zentrim {

struct RecordedLaunch {
    WindowHandle owner = nullptr;
    std::u16string verb;
    std::u16string file;
    std::u16string parameters;
    int showCommand = 0;
};

class RecordingLauncher final : public Launcher {
public:
    bool OpenTarget(WindowHandle owner, std::u16string_view verb, std::u16string_view file,
                    std::u16string_view parameters, int showCommand) override {
        launches_.push_back(
            {owner, std::u16string(verb), std::u16string(file), std::u16string(parameters), showCommand});
        ThrowIfFailing();
        return verb != u"runas" || elevationGranted_;
    }

    // Whether a start with "runas" is let through, as a user who agrees to Windows' question.
    void SetElevationGranted(bool granted) { elevationGranted_ = granted; }

    void DisplayHelpTopic(std::u16string_view helpLocation) override {
        helpLocations_.emplace_back(helpLocation);
        ThrowIfFailing();
    }

    // From now on every request is recorded and then fails with an exception.
    void FailFromNowOn() { failing_ = true; }

    const std::vector<RecordedLaunch>& Launches() const { return launches_; }
    const std::vector<std::u16string>& HelpLocations() const { return helpLocations_; }

private:
    void ThrowIfFailing() const {
        if (failing_) {
            throw std::runtime_error("launcher failure");
        }
    }

    std::vector<RecordedLaunch> launches_;
    std::vector<std::u16string> helpLocations_;
    bool failing_ = false;
    bool elevationGranted_ = true;
};

} // namespace zentrim
