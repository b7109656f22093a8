// The POSIX counterparts of unique_handle_win32.h: an owner of a file descriptor, and the system's
// text of an errno value. Included by POSIX code only.
#pragma once

#include <string>
#include <system_error>
#include <unistd.h>
#include <utility>

namespace zentrim {

// An open file descriptor, closed on every path.
class Descriptor {
public:
    explicit Descriptor(int descriptor) : descriptor_(descriptor) {}
    Descriptor(Descriptor&& other) noexcept : descriptor_(std::exchange(other.descriptor_, -1)) {}
    Descriptor(const Descriptor&) = delete;
    Descriptor& operator=(const Descriptor&) = delete;
    Descriptor& operator=(Descriptor&&) = delete;
    ~Descriptor() { Close(); }

    int get() const { return descriptor_; }
    explicit operator bool() const { return descriptor_ >= 0; }
    void Reset(int descriptor) {
        Close();
        descriptor_ = descriptor;
    }
    // Closes now; false when the close failed, which may mean written data never reached the file.
    bool Close() {
        const int descriptor = std::exchange(descriptor_, -1);
        return descriptor < 0 || ::close(descriptor) == 0;
    }

private:
    int descriptor_;
};

inline std::string ErrorText(int error) {
    return std::generic_category().message(error);
}

} // namespace zentrim
