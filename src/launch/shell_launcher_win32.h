// The Windows launcher: ShellExecuteW, and HtmlHelpW from "hhctrl.ocx", loaded on the first
// help request and kept from then on.
#pragma once

#include "base/unique_handle_win32.h"
#include "launch/launcher.h"

namespace zentrim {

class ShellLauncher final : public Launcher {
public:
    ShellLauncher() = default;
    ShellLauncher(const ShellLauncher&) = delete;
    ShellLauncher& operator=(const ShellLauncher&) = delete;
    ~ShellLauncher() override;

    void OpenTarget(WindowHandle owner, std::u16string_view verb, std::u16string_view file,
                    std::u16string_view parameters, int showCommand) override;
    void DisplayHelpTopic(std::u16string_view helpLocation) override;

private:
    UniqueModule helpLibrary_;
};

} // namespace zentrim
