// The Windows launcher: ShellExecuteW, and HtmlHelpW from "hhctrl.ocx", loaded on the first
// help request and kept from then on.
#pragma once

#include "base/unique_handle_win32.h"
#include "launch/launcher.h"

#include <shellapi.h>

#include <functional>
#include <utility>

namespace zentrim {

// How the shell is asked to open a target: ShellExecuteW's parameters and result.
using ShellExecuteFunction = std::function<HINSTANCE(HWND owner, LPCWSTR verb, LPCWSTR file,
                                                     LPCWSTR parameters, LPCWSTR folder, INT showCommand)>;

class ShellLauncher final : public Launcher {
public:
    // Tests pass a function that notes each request before it goes on to ShellExecuteW.
    explicit ShellLauncher(ShellExecuteFunction shellExecute = ShellExecuteW)
        : shellExecute_(std::move(shellExecute)) {}
    ShellLauncher(const ShellLauncher&) = delete;
    ShellLauncher& operator=(const ShellLauncher&) = delete;
    ~ShellLauncher() override;

    bool OpenTarget(WindowHandle owner, std::u16string_view verb, std::u16string_view file,
                    std::u16string_view parameters, int showCommand) override;
    void DisplayHelpTopic(std::u16string_view helpLocation) override;

private:
    ShellExecuteFunction shellExecute_;
    UniqueModule helpLibrary_;
};

} // namespace zentrim
