// What the update service's request handling is built from: its limits, the checks of a request
// head and its query, and the stream over one connection whose head has arrived. Only
// update_service.cpp includes it.
#pragma once

#include "update_service/update_service.h"

#include "update/manifest.h"

#include <httplib.h>

#include <arpa/inet.h>
#include <fcntl.h>
#include <netdb.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <algorithm>
#include <array>
#include <atomic>
#include <cerrno>
#include <condition_variable>
#include <cstdio>
#include <cstring>
#include <deque>
#include <fstream>
#include <list>
#include <optional>
#include <set>
#include <system_error>
#include <thread>
#include <utility>
#include <vector>

namespace zentrim::update_service_parts {

namespace fs = std::filesystem;
using Clock = std::chrono::steady_clock;

inline constexpr std::string_view kManifestName = "manifest.txt";
inline constexpr std::string_view kSignatureName = "manifest.sig";
inline constexpr std::size_t kChunkSize = 64 * 1024;
// A request head the service reads at most: the request line with the longest target it takes,
// the header lines it takes, and room for the method, the version and line ends. A longer head is
// refused before it is parsed.
inline constexpr std::size_t kHeadLimit = kRequestTargetLimit + kRequestHeadersLimit + 1024;
// After its answer a connection is read and discarded for at most this long (and this much) before
// it is closed, so that a client's unread bytes do not turn the close into a reset that loses the
// answer.
inline constexpr std::chrono::milliseconds kLingerTime{1000};
inline constexpr std::size_t kLingerBytes = 64 * 1024;
// Once a request's head is whole: the longest wait for the client to take more of the answer.
inline constexpr std::chrono::seconds kReadTimeout{5};
inline constexpr std::chrono::seconds kWriteTimeout{30};

// Owns a file descriptor.
class Fd {
public:
    Fd() = default;
    explicit Fd(int fd) : fd_(fd) {}
    ~Fd() { Reset(); }
    Fd(Fd&& other) noexcept : fd_(std::exchange(other.fd_, -1)) {}
    Fd& operator=(Fd&& other) noexcept {
        if (this != &other) {
            Reset();
            fd_ = std::exchange(other.fd_, -1);
        }
        return *this;
    }
    Fd(const Fd&) = delete;
    Fd& operator=(const Fd&) = delete;

    int Get() const { return fd_; }
    bool Valid() const { return fd_ >= 0; }
    void Reset() {
        if (fd_ >= 0) {
            ::close(fd_);
            fd_ = -1;
        }
    }

private:
    int fd_ = -1;
};

// The file `name` directly in `folder`, resolved through any links; nothing when it is not a
// regular file whose real place is the folder itself.
inline std::optional<fs::path> FileInFolder(const fs::path& folder, std::string_view name) {
    if (!IsServedFileName(name)) {
        return std::nullopt;
    }
    std::error_code error;
    const fs::path root = fs::canonical(folder, error);
    if (error) {
        return std::nullopt;
    }
    const fs::path file = fs::canonical(root / fs::path(name), error);
    if (error || file.parent_path() != root || !fs::is_regular_file(file, error) || error) {
        return std::nullopt;
    }
    return file;
}

// The released version from the folder's manifest; nothing when it cannot be read or parsed, or
// when its signature has expired: the updater would refuse what the answer announces.
inline std::optional<ReleaseVersion> ReleasedVersion(const fs::path& folder) {
    const auto file = FileInFolder(folder, kManifestName);
    if (!file) {
        return std::nullopt;
    }
    std::ifstream stream(*file, std::ios::binary);
    std::string text(kManifestSizeLimit + 1, '\0');
    stream.read(text.data(), static_cast<std::streamsize>(text.size()));
    if (stream.bad()) {
        return std::nullopt;
    }
    text.resize(static_cast<std::size_t>(stream.gcount()));
    const auto manifest = ParseManifest(text);
    const auto now =
        std::chrono::duration_cast<std::chrono::seconds>(std::chrono::system_clock::now().time_since_epoch());
    if (!manifest || !ManifestCurrent(*manifest, now.count())) {
        return std::nullopt;
    }
    return manifest->version;
}

inline std::string_view ContentTypeFor(std::string_view name) {
    if (name == kManifestName) {
        return "text/plain";
    }
    if (name == kSignatureName) {
        return "application/octet-stream";
    }
    return "application/x-msi";
}

// The request target as it may go into a log line: printable ASCII, everything else as \xNN, so a
// request cannot forge log lines.
inline std::string Printable(std::string_view text, std::size_t limit) {
    std::string printable;
    for (char c : text.substr(0, limit)) {
        const auto byte = static_cast<unsigned char>(c);
        if (byte >= 0x21 && byte <= 0x7E && byte != '\\' && byte != '"') {
            printable += c;
        } else {
            std::array<char, 5> escaped{};
            std::snprintf(escaped.data(), escaped.size(), "\\x%02X", byte);
            printable += escaped.data();
        }
    }
    if (text.size() > limit) {
        printable += "...";
    }
    return printable;
}

inline std::string_view ReasonFor(int status) {
    switch (status) {
    case 400:
        return "Bad Request";
    case 404:
        return "Not Found";
    case 405:
        return "Method Not Allowed";
    case 408:
        return "Request Timeout";
    case 413:
        return "Payload Too Large";
    case 414:
        return "URI Too Long";
    case 416:
        return "Range Not Satisfiable";
    case 431:
        return "Request Header Fields Too Large";
    case 503:
        return "Service Unavailable";
    default:
        return "Error";
    }
}

inline void Refuse(httplib::Response& response, int status) {
    response.status = status;
    response.set_content(std::string(ReasonFor(status)) + "\n", "text/plain");
}

// A whole refusal as the connection loop sends it, without cpp-httplib.
inline std::string RefusalText(int status) {
    const std::string body = std::string(ReasonFor(status)) + "\n";
    return "HTTP/1.1 " + std::to_string(status) + " " + std::string(ReasonFor(status)) +
           "\r\nContent-Type: text/plain\r\nContent-Length: " + std::to_string(body.size()) +
           "\r\nConnection: close\r\n\r\n" + body;
}

// Requests the service never handles: other methods, long targets, large heads, any body.
// Refused before the server reads a body.
inline httplib::Server::HandlerResponse Screen(const httplib::Request& request, httplib::Response& response) {
    if (request.method != "GET" && request.method != "HEAD") {
        Refuse(response, 405);
        response.set_header("Allow", "GET, HEAD");
        return httplib::Server::HandlerResponse::Handled;
    }
    if (request.target.size() > kRequestTargetLimit) {
        Refuse(response, 414);
        return httplib::Server::HandlerResponse::Handled;
    }
    std::size_t headSize = 0;
    for (const auto& [name, value] : request.headers) {
        headSize += name.size() + value.size() + 4; // "name: value\r\n"
    }
    if (headSize > kRequestHeadersLimit) {
        Refuse(response, 431);
        return httplib::Server::HandlerResponse::Handled;
    }
    const std::string length = request.get_header_value("Content-Length");
    if ((!length.empty() && length != "0") || request.has_header("Transfer-Encoding")) {
        Refuse(response, 413);
        return httplib::Server::HandlerResponse::Handled;
    }
    return httplib::Server::HandlerResponse::Unhandled;
}

// Where the head in `bytes` ends (after its empty line), or npos while it is not whole.
inline std::size_t HeadEnd(std::string_view bytes) {
    const std::size_t crlf = bytes.find("\n\r\n");
    const std::size_t lf = bytes.find("\n\n");
    if (crlf == std::string_view::npos && lf == std::string_view::npos) {
        return std::string_view::npos;
    }
    return crlf < lf ? crlf + 3 : lf + 2;
}

inline bool NameIs(std::string_view line, std::string_view name) {
    if (line.size() <= name.size() || line[name.size()] != ':') {
        return false;
    }
    return std::equal(name.begin(), name.end(), line.begin(), [](char expected, char c) {
        return expected == static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    });
}

// The bytes read with the head, without its Range header lines: the service serves every file
// whole (and says so with "Accept-Ranges: none"), as HTTP lets a server that takes no ranges do.
inline std::string WithoutRanges(std::string bytes) {
    const std::size_t end = HeadEnd(bytes);
    std::string kept;
    std::size_t start = 0;
    while (start < end) {
        const std::size_t lineEnd = bytes.find('\n', start) + 1;
        const std::string_view line(bytes.data() + start, lineEnd - start);
        if (start == 0 || !NameIs(line, "range")) {
            kept += line;
        }
        start = lineEnd;
    }
    kept.append(bytes, end);
    return kept;
}

// The update query's parameters taken as sent, never decoded, like the rest of the target: the
// product and version as they stand and how often each name occurs.
struct QueryParameters {
    int productCount = 0;
    int versionCount = 0;
    std::string_view product;
    std::string_view version;
};

inline QueryParameters ParseQuery(std::string_view target) {
    QueryParameters parameters;
    const std::size_t mark = target.find('?');
    std::string_view query = mark == std::string_view::npos ? std::string_view() : target.substr(mark + 1);
    while (!query.empty()) {
        const std::size_t amp = query.find('&');
        const std::string_view field = query.substr(0, amp);
        query = amp == std::string_view::npos ? std::string_view() : query.substr(amp + 1);
        const std::size_t equals = field.find('=');
        const std::string_view name = field.substr(0, equals);
        const std::string_view value =
            equals == std::string_view::npos ? std::string_view() : field.substr(equals + 1);
        if (name == "product") {
            ++parameters.productCount;
            parameters.product = value;
        } else if (name == "version") {
            ++parameters.versionCount;
            parameters.version = value;
        }
    }
    return parameters;
}

inline std::string AddressText(const sockaddr_storage& address, int& port) {
    std::array<char, INET6_ADDRSTRLEN> text{};
    if (address.ss_family == AF_INET6) {
        sockaddr_in6 v6{};
        std::memcpy(&v6, &address, sizeof v6);
        ::inet_ntop(AF_INET6, &v6.sin6_addr, text.data(), text.size());
        port = ntohs(v6.sin6_port);
    } else {
        sockaddr_in v4{};
        std::memcpy(&v4, &address, sizeof v4);
        ::inet_ntop(AF_INET, &v4.sin_addr, text.data(), text.size());
        port = ntohs(v4.sin_port);
    }
    return text.data();
}

// Waits until `fd` is ready for `events`, or the time is up; false then, or on an error.
inline bool WaitFor(int fd, short events, std::chrono::milliseconds timeout) {
    pollfd entry{fd, events, 0};
    for (;;) {
        const int ready = ::poll(&entry, 1, static_cast<int>(timeout.count()));
        if (ready < 0 && errno == EINTR) {
            continue;
        }
        return ready > 0 && (entry.revents & (events | POLLHUP | POLLERR)) != 0;
    }
}

// A connection whose head has been read: cpp-httplib reads the head from what was read, and
// anything after it from the socket.
class ConnectionStream final : public httplib::Stream {
public:
    ConnectionStream(int fd, std::string head, std::string remoteAddress, int remotePort)
        : fd_(fd), head_(std::move(head)), remoteAddress_(std::move(remoteAddress)), remotePort_(remotePort) {
    }

    bool is_readable() const override { return offset_ < head_.size() || WaitFor(fd_, POLLIN, kReadTimeout); }
    bool is_writable() const override { return WaitFor(fd_, POLLOUT, kWriteTimeout); }

    ssize_t read(char* ptr, size_t size) override {
        if (offset_ < head_.size()) {
            const std::size_t count = std::min(size, head_.size() - offset_);
            std::copy_n(head_.data() + offset_, count, ptr);
            offset_ += count;
            return static_cast<ssize_t>(count);
        }
        for (;;) {
            const ssize_t count = ::recv(fd_, ptr, size, 0);
            if (count >= 0 || (errno != EAGAIN && errno != EWOULDBLOCK && errno != EINTR)) {
                return count;
            }
            if (errno != EINTR && !WaitFor(fd_, POLLIN, kReadTimeout)) {
                return -1;
            }
        }
    }

    ssize_t write(const char* ptr, size_t size) override {
        for (;;) {
            const ssize_t count = ::send(fd_, ptr, size, MSG_NOSIGNAL);
            if (count >= 0 || (errno != EAGAIN && errno != EWOULDBLOCK && errno != EINTR)) {
                return count;
            }
            if (errno != EINTR && !WaitFor(fd_, POLLOUT, kWriteTimeout)) {
                return -1;
            }
        }
    }

    void get_remote_ip_and_port(std::string& ip, int& port) const override {
        ip = remoteAddress_;
        port = remotePort_;
    }

    void get_local_ip_and_port(std::string& ip, int& port) const override {
        sockaddr_storage address{};
        socklen_t length = sizeof address;
        port = 0;
        ip.clear();
        if (::getsockname(fd_, reinterpret_cast<sockaddr*>(&address), &length) == 0) {
            ip = AddressText(address, port);
        }
    }

    socket_t socket() const override { return fd_; }

private:
    int fd_;
    std::string head_;
    std::size_t offset_ = 0;
    std::string remoteAddress_;
    int remotePort_;
};

} // namespace zentrim::update_service_parts
