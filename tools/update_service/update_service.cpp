#include "update_service/update_service.h"

#include "update_service_parts.h"

namespace zentrim {

namespace fs = std::filesystem;
using Clock = std::chrono::steady_clock;
using namespace update_service_parts;

// cpp-httplib's request handling, given a connection whose head has already arrived.
class UpdateServer::Processor final : public httplib::Server {
public:
    // cpp-httplib stops a content provider once its listening socket is gone; the connection loop
    // owns the real one, so this stands in for it (the server never listens, closes or stops it).
    Processor() { svr_sock_ = kNotListening; }
    ~Processor() override { svr_sock_ = INVALID_SOCKET; }
    Processor(const Processor&) = delete;
    Processor& operator=(const Processor&) = delete;

    void Serve(httplib::Stream& stream) {
        bool closed = false;
        process_request(stream, true, closed, nullptr);
    }

private:
    static constexpr socket_t kNotListening = 0x7fffffff;
};

// The listening socket, the loop that accepts connections and reads their heads, and the workers
// that answer whole requests.
class UpdateServer::Transport {
public:
    explicit Transport(UpdateServer& owner) : owner_(owner) {
        std::array<int, 2> ends{};
        if (::pipe2(ends.data(), O_NONBLOCK | O_CLOEXEC) == 0) {
            wakeRead_ = Fd(ends[0]);
            wakeWrite_ = Fd(ends[1]);
        }
    }

    int Bind(const std::string& host, int port) {
        addrinfo hints{};
        hints.ai_family = AF_UNSPEC;
        hints.ai_socktype = SOCK_STREAM;
        hints.ai_flags = AI_PASSIVE | AI_NUMERICSERV;
        addrinfo* found = nullptr;
        if (::getaddrinfo(host.c_str(), std::to_string(port).c_str(), &hints, &found) != 0 ||
            found == nullptr) {
            errno = EADDRNOTAVAIL;
            return -1;
        }
        const std::unique_ptr<addrinfo, decltype(&::freeaddrinfo)> addresses(found, &::freeaddrinfo);
        Fd listener(::socket(found->ai_family, SOCK_STREAM | SOCK_NONBLOCK | SOCK_CLOEXEC, 0));
        const int yes = 1;
        if (!listener.Valid() ||
            ::setsockopt(listener.Get(), SOL_SOCKET, SO_REUSEADDR, &yes, sizeof yes) != 0 ||
            ::bind(listener.Get(), found->ai_addr, found->ai_addrlen) != 0 ||
            ::listen(listener.Get(), 128) != 0) {
            const int error = errno;
            listener.Reset();
            errno = error;
            return -1;
        }
        sockaddr_storage bound{};
        socklen_t length = sizeof bound;
        ::getsockname(listener.Get(), reinterpret_cast<sockaddr*>(&bound), &length);
        int boundPort = 0;
        AddressText(bound, boundPort);
        listener_ = std::move(listener);
        return boundPort;
    }

    bool Listen() {
        if (stopRequested_) {
            return true;
        }
        if (!listener_.Valid() || !wakeRead_.Valid()) {
            return false;
        }
        {
            std::vector<std::jthread> workers;
            for (std::size_t i = 0; i < std::max<std::size_t>(owner_.limits_.workers, 1); ++i) {
                workers.emplace_back([this] { Work(); });
            }
            Loop();
            // Ends the workers: those answering are cut off, those waiting see the end.
            std::lock_guard lock(queueMutex_);
            workersEnd_ = true;
            for (int fd : serving_) {
                ::shutdown(fd, SHUT_RDWR);
            }
            queueReady_.notify_all();
        }
        // Every connection still open closes now.
        ready_.clear();
        handedBack_.clear();
        reading_.clear();
        lingering_.clear();
        listener_.Reset();
        return true;
    }

    void Stop() {
        stopRequested_ = true;
        Wake();
    }

private:
    // A connection the loop holds: while its head arrives, or while it lingers after its answer.
    struct Connection {
        Fd fd;
        std::string bytes;
        std::string remoteAddress;
        int remotePort = 0;
        Clock::time_point deadline;
        std::size_t discarded = 0;
    };

    void Wake() {
        if (wakeWrite_.Valid()) {
            const char byte = 0;
            [[maybe_unused]] const ssize_t written = ::write(wakeWrite_.Get(), &byte, 1);
        }
    }

    // Connections being read or answered, the ones the limit counts.
    std::size_t Open() const { return reading_.size() + answering_.load(); }

    void Loop() {
        while (!stopRequested_) {
            std::vector<pollfd> entries{{wakeRead_.Get(), POLLIN, 0}, {listener_.Get(), POLLIN, 0}};
            Clock::time_point next = Clock::time_point::max();
            for (const auto* list : {&reading_, &lingering_}) {
                for (const Connection& connection : *list) {
                    entries.push_back({connection.fd.Get(), POLLIN, 0});
                    next = std::min(next, connection.deadline);
                }
            }
            int timeout = -1;
            if (next != Clock::time_point::max()) {
                const auto left = std::chrono::ceil<std::chrono::milliseconds>(next - Clock::now());
                timeout = static_cast<int>(std::clamp<std::int64_t>(left.count(), 0, 60'000));
            }
            const std::size_t lingeringPolled = lingering_.size();
            if (::poll(entries.data(), entries.size(), timeout) < 0 && errno != EINTR) {
                return;
            }
            if (entries[0].revents != 0) {
                std::array<char, 64> drained{};
                while (::read(wakeRead_.Get(), drained.data(), drained.size()) > 0) {
                }
                TakeHandedBack();
            }
            // The entries list the reading connections, then the lingering ones, as they were at
            // the poll; connections that begin to linger meanwhile go to the end of their list.
            std::size_t index = 2;
            for (auto connection = reading_.begin(); connection != reading_.end(); ++index) {
                const bool keep = entries[index].revents == 0 || ReadHead(connection);
                connection = keep ? std::next(connection) : reading_.erase(connection);
            }
            auto connection = lingering_.begin();
            for (std::size_t left = lingeringPolled; left > 0; --left, ++index) {
                const bool keep = entries[index].revents == 0 || Discard(*connection);
                connection = keep ? std::next(connection) : lingering_.erase(connection);
            }
            if (entries[1].revents != 0) {
                Accept();
            }
            const Clock::time_point now = Clock::now();
            for (auto late = reading_.begin(); late != reading_.end();) {
                if (late->deadline <= now) {
                    Refuse(*late, 408);
                    late = reading_.erase(late);
                } else {
                    ++late;
                }
            }
            std::erase_if(lingering_, [now](const Connection& done) { return done.deadline <= now; });
        }
    }

    void Accept() {
        for (;;) {
            sockaddr_storage address{};
            socklen_t length = sizeof address;
            Fd fd(::accept4(listener_.Get(), reinterpret_cast<sockaddr*>(&address), &length,
                            SOCK_NONBLOCK | SOCK_CLOEXEC));
            if (!fd.Valid()) {
                return; // none waiting, or the client has gone already
            }
            Connection connection;
            connection.fd = std::move(fd);
            connection.remoteAddress = AddressText(address, connection.remotePort);
            connection.deadline = Clock::now() + owner_.limits_.headDeadline;
            if (Open() >= owner_.limits_.connectionLimit) {
                Refuse(connection, 503);
            } else {
                reading_.push_back(std::move(connection));
            }
        }
    }

    // Reads what has arrived of a head; false once the connection has left the reading list.
    bool ReadHead(std::list<Connection>::iterator connection) {
        std::array<char, 4096> buffer{};
        const std::size_t room = std::min(buffer.size(), kHeadLimit + 1 - connection->bytes.size());
        const ssize_t count = ::recv(connection->fd.Get(), buffer.data(), room, 0);
        if (count < 0 && (errno == EAGAIN || errno == EWOULDBLOCK || errno == EINTR)) {
            return true;
        }
        if (count <= 0) {
            return false; // the client closed or failed before its head was whole
        }
        connection->bytes.append(buffer.data(), static_cast<std::size_t>(count));
        if (HeadEnd(connection->bytes) != std::string::npos) {
            HandOver(std::move(*connection));
            return false;
        }
        if (connection->bytes.size() > kHeadLimit) {
            Refuse(*connection, connection->bytes.find('\n') == std::string::npos ? 414 : 431);
            return false;
        }
        return true;
    }

    // Answers a connection from the loop, without waiting, and lets it linger.
    void Refuse(Connection& connection, int status) {
        const std::string text = RefusalText(status);
        [[maybe_unused]] const ssize_t sent =
            ::send(connection.fd.Get(), text.data(), text.size(), MSG_NOSIGNAL | MSG_DONTWAIT);
        const std::string_view firstLine =
            std::string_view(connection.bytes).substr(0, connection.bytes.find_first_of("\r\n"));
        owner_.Log(connection.remoteAddress + " \"" + Printable(firstLine, 256) + "\" " +
                   std::to_string(status));
        Linger(std::move(connection));
    }

    // Ends sending and keeps the connection to discard what the client still sends, within bounds.
    void Linger(Connection&& connection) {
        ::shutdown(connection.fd.Get(), SHUT_WR);
        if (lingering_.size() >= owner_.limits_.connectionLimit) {
            return; // the connection closes here
        }
        connection.bytes.clear();
        connection.bytes.shrink_to_fit();
        connection.deadline = Clock::now() + kLingerTime;
        lingering_.push_back(std::move(connection));
    }

    // Reads and drops what a lingering connection sends; false once it may close.
    bool Discard(Connection& connection) {
        std::array<char, 4096> buffer{};
        const ssize_t count = ::recv(connection.fd.Get(), buffer.data(), buffer.size(), 0);
        if (count < 0 && (errno == EAGAIN || errno == EWOULDBLOCK || errno == EINTR)) {
            return true;
        }
        if (count <= 0) {
            return false;
        }
        connection.discarded += static_cast<std::size_t>(count);
        return connection.discarded < kLingerBytes;
    }

    void HandOver(Connection&& connection) {
        ++answering_;
        std::lock_guard lock(queueMutex_);
        ready_.push_back(std::move(connection));
        queueReady_.notify_one();
    }

    void TakeHandedBack() {
        std::deque<Connection> answered;
        {
            std::lock_guard lock(queueMutex_);
            answered.swap(handedBack_);
        }
        for (Connection& connection : answered) {
            Linger(std::move(connection));
        }
    }

    void Work() {
        for (;;) {
            Connection connection;
            {
                std::unique_lock lock(queueMutex_);
                queueReady_.wait(lock, [this] { return workersEnd_ || !ready_.empty(); });
                if (workersEnd_) {
                    return;
                }
                connection = std::move(ready_.front());
                ready_.pop_front();
                serving_.insert(connection.fd.Get());
            }
            {
                ConnectionStream stream(connection.fd.Get(), WithoutRanges(std::move(connection.bytes)),
                                        connection.remoteAddress, connection.remotePort);
                owner_.processor_->Serve(stream);
            }
            connection.bytes.clear();
            std::lock_guard lock(queueMutex_);
            serving_.erase(connection.fd.Get());
            --answering_;
            if (!workersEnd_) {
                handedBack_.push_back(std::move(connection));
                Wake();
            }
        }
    }

    UpdateServer& owner_;
    std::atomic<bool> stopRequested_ = false;
    Fd listener_;
    Fd wakeRead_;
    Fd wakeWrite_;
    // The loop's own: connections whose heads arrive, and answered or refused ones that linger.
    std::list<Connection> reading_;
    std::list<Connection> lingering_;
    std::atomic<std::size_t> answering_ = 0;
    // Shared with the workers, under queueMutex_.
    std::mutex queueMutex_;
    std::condition_variable queueReady_;
    std::deque<Connection> ready_;
    std::deque<Connection> handedBack_;
    std::set<int> serving_;
    bool workersEnd_ = false;
};

bool IsServedFileName(std::string_view name) {
    return name == kManifestName || name == kSignatureName || IsPackageFileName(name);
}

UpdateServer::UpdateServer(fs::path folder, std::function<void(std::string_view)> log,
                           UpdateServerLimits limits)
    : folder_(std::move(folder)), log_(std::move(log)), limits_(limits),
      processor_(std::make_unique<Processor>()), transport_(std::make_unique<Transport>(*this)) {
    std::error_code error;
    const fs::path absolute = fs::absolute(folder_, error);
    if (!error) {
        folder_ = absolute;
    }
    httplib::Server& server = *processor_;
    server.set_payload_max_length(0);
    server.set_pre_routing_handler(Screen);
    // HEAD requests reach the GET handler; the server then sends the head alone.
    server.Get(".*", [this](const httplib::Request& request, httplib::Response& response) {
        Route(request, response);
    });
    server.set_error_handler([](const httplib::Request&, httplib::Response& response) {
        if (response.body.empty() && !response.content_length_) {
            Refuse(response, response.status);
        }
    });
    server.set_logger([this](const httplib::Request& request, const httplib::Response& response) {
        Log(request.remote_addr + " \"" + Printable(request.method, 16) + " " +
            Printable(request.target, 256) + "\" " + std::to_string(response.status));
    });
}

UpdateServer::~UpdateServer() {
    Stop();
}

int UpdateServer::Bind(const std::string& host, int port) {
    return transport_->Bind(host, port);
}

bool UpdateServer::Listen() {
    return transport_->Listen();
}

void UpdateServer::Stop() {
    transport_->Stop();
}

void UpdateServer::Route(const httplib::Request& request, httplib::Response& response) const {
    // Routed on the target as sent: an encoded slash, backslash or dot never turns into a path.
    const std::string_view target = request.target;
    const std::string_view path = target.substr(0, target.find('?'));
    if (path == kUpdatePath) {
        AnswerQuery(request, response);
    } else if (path.starts_with(kUpdatePath)) {
        ServeFile(path.substr(kUpdatePath.size()), response);
    } else {
        Refuse(response, 404);
    }
}

void UpdateServer::AnswerQuery(const httplib::Request& request, httplib::Response& response) const {
    const QueryParameters query = ParseQuery(request.target);
    if (query.productCount != 1 || query.versionCount != 1) {
        Refuse(response, 400);
        return;
    }
    const auto released = ReleasedVersion(folder_);
    if (!released) {
        Refuse(response, 503);
        return;
    }
    const auto asked = ReleaseVersion::Parse(query.version);
    std::string_view answer = "ORVANE|2"; // another product, no version, or newer than the release
    if (query.product == "zentrim" && asked) {
        if (*asked < *released) {
            answer = "ORVANE|1";
        } else if (*asked == *released) {
            answer = "ORVANE|0";
        }
    }
    response.status = 200;
    response.set_content(std::string(answer), "text/plain");
}

void UpdateServer::ServeFile(std::string_view name, httplib::Response& response) const {
    const auto file = FileInFolder(folder_, name);
    if (!file) {
        Refuse(response, 404);
        return;
    }
    // The size comes from the file as opened, so what is announced is what is read.
    auto stream = std::make_shared<std::ifstream>(*file, std::ios::binary);
    if (!stream->seekg(0, std::ios::end)) {
        Refuse(response, 404);
        return;
    }
    const std::streamoff size = stream->tellg();
    if (size < 0) {
        Refuse(response, 404);
        return;
    }
    response.status = 200;
    response.set_header("Accept-Ranges", "none");
    response.set_content_provider(
        static_cast<std::size_t>(size), std::string(ContentTypeFor(name)),
        [stream](std::size_t offset, std::size_t length, httplib::DataSink& sink) {
            const std::size_t wanted = std::min(length, kChunkSize);
            std::vector<char> buffer(wanted);
            stream->clear();
            stream->seekg(static_cast<std::streamoff>(offset));
            stream->read(buffer.data(), static_cast<std::streamsize>(wanted));
            if (static_cast<std::size_t>(stream->gcount()) != wanted) {
                return false; // the file shrank: end the connection rather than send too little
            }
            return sink.write(buffer.data(), wanted);
        });
}

void UpdateServer::Log(std::string_view line) {
    std::lock_guard lock(logMutex_);
    log_(line);
}

} // namespace zentrim
