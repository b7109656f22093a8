// ZentrimCmd.exe (and zentrim-cmd off Windows): the console program's entry.
#include "app/console/standard_console_host.h"
#include "base/text.h"
#include "cmd/console_commands.h"

#include <string>
#include <vector>

#ifdef _WIN32
#include "base/dll_search_win32.h"

int wmain(int argc, wchar_t** argv) {
    zentrim::RestrictDllSearchToSystemFolder();
    std::vector<std::u16string> arguments;
    for (int i = 1; i < argc; ++i) {
        const std::wstring_view argument(argv[i]);
        arguments.emplace_back(argument.begin(), argument.end());
    }
#else
int main(int argc, char** argv) {
    std::vector<std::u16string> arguments;
    for (int i = 1; i < argc; ++i) {
        arguments.push_back(zentrim::FromUtf8(argv[i]));
    }
#endif
    try {
        const auto host = zentrim::MakeStandardConsoleHost();
        return zentrim::RunConsoleCommand(arguments, *host);
    } catch (...) {
        return zentrim::console_exit::kFailed;
    }
}
