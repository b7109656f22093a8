#include "launch/program_folder.h"

namespace zentrim {

std::u16string ProgramFolderFromModulePath(std::u16string_view modulePath) {
    const std::size_t separator = modulePath.find_last_of(u"\\/");
    if (separator == std::u16string_view::npos) {
        return {};
    }
    return std::u16string(modulePath.substr(0, separator + 1));
}

} // namespace zentrim
