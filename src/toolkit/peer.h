// The link from a component to what a backend made of it. The component keeps every property;
// its peer is told which aspect changed and brings the native object up to date.
#pragma once

namespace zentrim::toolkit {

enum class Change {
    Text,      // caption, title, text or memo lines
    TextFont,  // the effective font (own or parent's)
    Placement, // place and size
    Enabled,
    Visible,
    MouseCursor,
    BackColor,
    Style,     // kind-specific look (alignment, word wrap, default button, shield, bevel shape ...)
    Items,     // combo items or menu items
    Selection, // combo selection
    Range,     // track bar or progress bar minimum, maximum, page size
    Position,  // track bar or progress bar position
    Pictures,  // image picture or image-list pictures
    TabOrder,
    Focus, // the form's active control
};

class Peer {
public:
    Peer() = default;
    Peer(const Peer&) = delete;
    Peer& operator=(const Peer&) = delete;
    virtual ~Peer() = default;

    virtual void Changed(Change change) = 0;
    // The native handle (a window handle on Windows), or null. A backend may make the native
    // object when its handle is first asked for.
    virtual void* NativeHandle() { return nullptr; }
};

} // namespace zentrim::toolkit
