// The update service: answers the program's update query from a release folder's manifest and
// serves the folder's manifest, signature and installer packages to the updater. Plain HTTP;
// cpp-httplib parses and answers each request, while the service's own loop accepts connections,
// reads request heads against a total deadline and caps how many connections are open. The
// service never serves a file from outside its folder.
#pragma once

#include <chrono>
#include <cstddef>
#include <filesystem>
#include <functional>
#include <memory>
#include <mutex>
#include <string>
#include <string_view>

namespace httplib {
struct Request;
struct Response;
} // namespace httplib

namespace zentrim {

// What a request may carry: a short request target, a small head and no body.
inline constexpr std::size_t kRequestTargetLimit = 2048;
inline constexpr std::size_t kRequestHeadersLimit = 8 * 1024;

// The path under which the service answers; the update query is this path with its query.
inline constexpr std::string_view kUpdatePath = "/downloads/update/";

// Whether the service serves a file of this name: a package name, or the manifest and its
// signature.
bool IsServedFileName(std::string_view name);

// How much a client may take of the service.
struct UpdateServerLimits {
    // A request's whole head must arrive within this time of the connection being accepted,
    // however it trickles in; a client that is later gets 408 and is closed.
    std::chrono::milliseconds headDeadline{10'000};
    // Connections read or served at once; one more is answered 503 and closed.
    std::size_t connectionLimit = 256;
    // Requests answered at once (each with a whole head); the others wait their turn.
    std::size_t workers = 8;
};

class UpdateServer {
public:
    // `log` receives one line per request (without line end); it is called from the server's
    // threads one at a time.
    UpdateServer(std::filesystem::path folder, std::function<void(std::string_view)> log,
                 UpdateServerLimits limits = {});
    ~UpdateServer();
    UpdateServer(const UpdateServer&) = delete;
    UpdateServer& operator=(const UpdateServer&) = delete;

    // Binds to host:port (port 0: any free port); the port bound, or -1 with errno set.
    int Bind(const std::string& host, int port);
    // Serves until Stop; false when it could not (nothing bound).
    bool Listen();
    // Ends Listen, or keeps a later Listen from starting; may be called from any thread.
    void Stop();

private:
    class Transport;
    class Processor;

    void Route(const httplib::Request& request, httplib::Response& response) const;
    void AnswerQuery(const httplib::Request& request, httplib::Response& response) const;
    void ServeFile(std::string_view name, httplib::Response& response) const;
    void Log(std::string_view line);

    std::filesystem::path folder_;
    std::function<void(std::string_view)> log_;
    UpdateServerLimits limits_;
    std::mutex logMutex_;
    std::unique_ptr<Processor> processor_;
    std::unique_ptr<Transport> transport_;
};

} // namespace zentrim
