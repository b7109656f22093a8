// The launcher seam: the two platform services the launch routines need, the shell's launcher
// and the HTML help viewer.
#pragma once

#include <string_view>

namespace zentrim {

// A native window handle, opaque to portable code (an HWND on Windows); null for none.
using WindowHandle = void*;

// The show command of every launch: SW_SHOW.
inline constexpr int kShowCommandShow = 5;

class Launcher {
public:
    virtual ~Launcher() = default;

    // Asks the shell to apply `verb` to `file` (a document, address or program) with the
    // parameter text, no working folder, the show command and the owner window (null for none).
    // Gives whether the shell took it; only the start as administrator looks at that.
    virtual bool OpenTarget(WindowHandle owner, std::u16string_view verb, std::u16string_view file,
                            std::u16string_view parameters, int showCommand) = 0;

    // Shows one topic of a compiled help file, named by its help location
    // ("<file>::<topic>><window type>"), in a help window that belongs to none of ours.
    virtual void DisplayHelpTopic(std::u16string_view helpLocation) = 0;
};

} // namespace zentrim
