// The update service: answers the program's update query from a release folder's manifest and
// serves the folder's manifest, signature and installer packages to the updater. Plain HTTP on
// cpp-httplib; the service never serves a file from outside its folder.
#pragma once

#include <cstddef>
#include <filesystem>
#include <functional>
#include <memory>
#include <mutex>
#include <string>
#include <string_view>

namespace httplib {
class Server;
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

class UpdateServer {
public:
    // `log` receives one line per request (without line end); it is called from the server's
    // threads one at a time.
    UpdateServer(std::filesystem::path folder, std::function<void(std::string_view)> log);
    ~UpdateServer();
    UpdateServer(const UpdateServer&) = delete;
    UpdateServer& operator=(const UpdateServer&) = delete;

    // Binds to host:port (port 0: any free port); the port bound, or -1.
    int Bind(const std::string& host, int port);
    // Serves until Stop; false when it could not (nothing bound).
    bool Listen();
    // Ends Listen, or keeps a later Listen from starting; may be called from any thread.
    void Stop();

private:
    void Route(const httplib::Request& request, httplib::Response& response) const;
    void AnswerQuery(const httplib::Request& request, httplib::Response& response) const;
    void ServeFile(std::string_view name, httplib::Response& response) const;
    void Log(const httplib::Request& request, const httplib::Response& response);

    std::filesystem::path folder_;
    std::function<void(std::string_view)> log_;
    std::mutex logMutex_;
    std::mutex stateMutex_;
    bool stopRequested_ = false;
    bool listening_ = false;
    std::unique_ptr<httplib::Server> server_;
};

} // namespace zentrim
