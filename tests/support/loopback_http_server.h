// A small HTTP server for tests of the update check. It listens on 127.0.0.1 on a port chosen at
// run time, answers every connection from a script on a thread of its own, records the request
// it was sent, and stops by itself: after its lifetime, or when it is destroyed.
#pragma once

#ifdef _WIN32
#include <winsock2.h>
#include <ws2tcpip.h>
#else
#include <arpa/inet.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>
#endif

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstdint>
#include <mutex>
#include <string>
#include <string_view>
#include <thread>
#include <utility>
#include <vector>

namespace zentrim::test_support {

// What the server does with one connection, after it has read the request head.
struct ServerReply {
    enum class Then {
        Close, // send `bytes`, then close the connection
        Reset, // send `bytes`, then reset the connection
        Hold,  // send `bytes`, then keep the connection open and say nothing more
    };
    std::string bytes;
    Then then = Then::Close;
};

// A complete reply with its status line, Content-Length and `Connection: close`.
inline ServerReply HttpReply(int status, std::string_view reason, std::string_view body,
                             std::string_view extraHeaders = {}) {
    std::string bytes = "HTTP/1.1 " + std::to_string(status) + " " + std::string(reason) + "\r\n";
    bytes += "Content-Type: text/plain\r\n";
    bytes += "Content-Length: " + std::to_string(body.size()) + "\r\n";
    bytes += "Connection: close\r\n";
    bytes += extraHeaders;
    bytes += "\r\n";
    bytes += body;
    return {std::move(bytes), ServerReply::Then::Close};
}

class LoopbackHttpServer {
public:
    // Connection n gets replies[n], the last one again for every later connection.
    explicit LoopbackHttpServer(std::vector<ServerReply> replies,
                                std::chrono::milliseconds lifetime = std::chrono::seconds(30))
        : replies_(std::move(replies)), deadline_(Clock::now() + lifetime) {
        listener_ = OpenListener(port_);
        if (listener_ != kNoSocket) {
            thread_ = std::thread([this] { Serve(); });
        }
    }
    explicit LoopbackHttpServer(ServerReply reply,
                                std::chrono::milliseconds lifetime = std::chrono::seconds(30))
        : LoopbackHttpServer(std::vector<ServerReply>{std::move(reply)}, lifetime) {}

    LoopbackHttpServer(const LoopbackHttpServer&) = delete;
    LoopbackHttpServer& operator=(const LoopbackHttpServer&) = delete;

    ~LoopbackHttpServer() {
        stop_ = true;
        if (thread_.joinable()) {
            thread_.join();
        }
        CloseSocket(listener_);
    }

    bool Listening() const { return listener_ != kNoSocket; }
    std::uint16_t Port() const { return port_; }

    // The head (request line and headers, up to the blank line) of the first request.
    std::string FirstRequestHead() const {
        std::lock_guard lock(mutex_);
        return heads_.empty() ? std::string() : heads_.front();
    }
    int ConnectionCount() const {
        std::lock_guard lock(mutex_);
        return static_cast<int>(heads_.size());
    }

    // A loopback port on which nothing listens (it was free a moment ago).
    static std::uint16_t UnusedPort() {
        [[maybe_unused]] SocketStartup startup;
        std::uint16_t port = 0;
        const Socket socket = OpenListener(port);
        CloseSocket(socket);
        return port;
    }

private:
    using Clock = std::chrono::steady_clock;
#ifdef _WIN32
    using Socket = SOCKET;
    static constexpr Socket kNoSocket = INVALID_SOCKET;
    struct SocketStartup {
        SocketStartup() {
            WSADATA data;
            WSAStartup(MAKEWORD(2, 2), &data);
        }
        ~SocketStartup() { WSACleanup(); }
    };
    static void CloseSocket(Socket socket) {
        if (socket != kNoSocket) {
            closesocket(socket);
        }
    }
    static int Poll(Socket socket, short events, int milliseconds) {
        WSAPOLLFD entry{socket, events, 0};
        return WSAPoll(&entry, 1, milliseconds) > 0 ? entry.revents : 0;
    }
    static constexpr int kSendFlags = 0;
#else
    using Socket = int;
    static constexpr Socket kNoSocket = -1;
    struct SocketStartup {};
    static void CloseSocket(Socket socket) {
        if (socket != kNoSocket) {
            close(socket);
        }
    }
    static int Poll(Socket socket, short events, int milliseconds) {
        pollfd entry{socket, events, 0};
        return poll(&entry, 1, milliseconds) > 0 ? entry.revents : 0;
    }
    static constexpr int kSendFlags = MSG_NOSIGNAL;
#endif
    static constexpr int kPollMilliseconds = 50;

    static Socket OpenListener(std::uint16_t& port) {
        const Socket socket = ::socket(AF_INET, SOCK_STREAM, IPPROTO_TCP);
        if (socket == kNoSocket) {
            return kNoSocket;
        }
        sockaddr_in address{};
        address.sin_family = AF_INET;
        address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
        address.sin_port = 0;
        socklen_t length = sizeof address;
        if (bind(socket, reinterpret_cast<sockaddr*>(&address), sizeof address) != 0 ||
            listen(socket, 8) != 0 ||
            getsockname(socket, reinterpret_cast<sockaddr*>(&address), &length) != 0) {
            CloseSocket(socket);
            return kNoSocket;
        }
        port = ntohs(address.sin_port);
        return socket;
    }

    bool Running() const {
        return !stop_ && Clock::now() < deadline_;
    }

    void Serve() {
        std::size_t served = 0;
        while (Running()) {
            if ((Poll(listener_, POLLIN, kPollMilliseconds) & POLLIN) == 0) {
                continue;
            }
            const Socket connection = accept(listener_, nullptr, nullptr);
            if (connection == kNoSocket) {
                continue;
            }
            Answer(connection,
                   replies_.empty() ? ServerReply{} : replies_[std::min(served, replies_.size() - 1)]);
            ++served;
        }
    }

    void Answer(Socket connection, const ServerReply& reply) {
        std::string head = ReadHead(connection);
        {
            std::lock_guard lock(mutex_);
            heads_.push_back(std::move(head));
        }
        const bool sent = SendAll(connection, reply.bytes);
        switch (reply.then) {
        case ServerReply::Then::Close:
            break;
        case ServerReply::Then::Reset: {
            // A zero linger time turns the close into a reset.
            linger reset{};
            reset.l_onoff = 1;
            reset.l_linger = 0;
            setsockopt(connection, SOL_SOCKET, SO_LINGER, reinterpret_cast<const char*>(&reset),
                       sizeof reset);
            break;
        }
        case ServerReply::Then::Hold:
            if (sent) {
                HoldUntilClosed(connection);
            }
            break;
        }
        CloseSocket(connection);
    }

    std::string ReadHead(Socket connection) {
        std::string head;
        char chunk[4096];
        while (Running() && head.find("\r\n\r\n") == std::string::npos && head.size() < 65536) {
            if ((Poll(connection, POLLIN, kPollMilliseconds) & (POLLIN | POLLHUP | POLLERR)) == 0) {
                continue;
            }
            const auto received = recv(connection, chunk, sizeof chunk, 0);
            if (received <= 0) {
                break;
            }
            head.append(chunk, static_cast<std::size_t>(received));
        }
        return head.substr(0, head.find("\r\n\r\n"));
    }

    bool SendAll(Socket connection, std::string_view bytes) {
        while (!bytes.empty()) {
            if (!Running()) {
                return false;
            }
            const int events = Poll(connection, POLLOUT, kPollMilliseconds);
            if ((events & (POLLERR | POLLHUP)) != 0) {
                return false;
            }
            if ((events & POLLOUT) == 0) {
                continue;
            }
            const int length = static_cast<int>(std::min<std::size_t>(bytes.size(), 65536));
            const auto sent = send(connection, bytes.data(), length, kSendFlags);
            if (sent <= 0) {
                return false; // the client has gone, as it does after reading what it wants
            }
            bytes.remove_prefix(static_cast<std::size_t>(sent));
        }
        return true;
    }

    // Says nothing more until the client gives up or the server stops.
    void HoldUntilClosed(Socket connection) {
        char chunk[4096];
        while (Running()) {
            if ((Poll(connection, POLLIN, kPollMilliseconds) & (POLLIN | POLLHUP | POLLERR)) == 0) {
                continue;
            }
            if (recv(connection, chunk, sizeof chunk, 0) <= 0) {
                return;
            }
        }
    }

    SocketStartup startup_;
    std::vector<ServerReply> replies_;
    Clock::time_point deadline_;
    std::uint16_t port_ = 0;
    Socket listener_ = kNoSocket;
    std::atomic<bool> stop_{false};
    mutable std::mutex mutex_;
    std::vector<std::string> heads_;
    std::thread thread_;
};

} // namespace zentrim::test_support
