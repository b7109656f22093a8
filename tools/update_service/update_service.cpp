#include "update_service/update_service.h"

#include "update/manifest.h"

#include <httplib.h>

#include <algorithm>
#include <array>
#include <chrono>
#include <cstdio>
#include <fstream>
#include <optional>
#include <system_error>
#include <thread>
#include <utility>
#include <vector>

namespace zentrim {

namespace fs = std::filesystem;

namespace {

constexpr std::string_view kManifestName = "manifest.txt";
constexpr std::string_view kSignatureName = "manifest.sig";
constexpr std::size_t kChunkSize = 64 * 1024;

// The file `name` directly in `folder`, resolved through any links; nothing when it is not a
// regular file whose real place is the folder itself.
std::optional<fs::path> FileInFolder(const fs::path& folder, std::string_view name) {
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
std::optional<ReleaseVersion> ReleasedVersion(const fs::path& folder) {
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

std::string_view ContentTypeFor(std::string_view name) {
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
std::string Printable(std::string_view text, std::size_t limit) {
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

std::string_view ReasonFor(int status) {
    switch (status) {
    case 400:
        return "Bad Request";
    case 404:
        return "Not Found";
    case 405:
        return "Method Not Allowed";
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

void Refuse(httplib::Response& response, int status) {
    response.status = status;
    response.set_content(std::string(ReasonFor(status)) + "\n", "text/plain");
}

// Requests the service never handles: other methods, long targets, large heads, any body, more
// than one byte range. Refused before the server reads a body.
httplib::Server::HandlerResponse Screen(const httplib::Request& request, httplib::Response& response) {
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
    if (request.get_header_value("Range").find(',') != std::string::npos) {
        Refuse(response, 416);
        return httplib::Server::HandlerResponse::Handled;
    }
    return httplib::Server::HandlerResponse::Unhandled;
}

} // namespace

bool IsServedFileName(std::string_view name) {
    return name == kManifestName || name == kSignatureName || IsPackageFileName(name);
}

UpdateServer::UpdateServer(fs::path folder, std::function<void(std::string_view)> log)
    : folder_(std::move(folder)), log_(std::move(log)), server_(std::make_unique<httplib::Server>()) {
    std::error_code error;
    const fs::path absolute = fs::absolute(folder_, error);
    if (!error) {
        folder_ = absolute;
    }
    httplib::Server& server = *server_;
    // One request per connection: a refused request's unread bytes can never be taken for the
    // next request, and a client holds no thread between requests.
    server.set_keep_alive_max_count(1);
    server.set_read_timeout(std::chrono::seconds(5));
    server.set_write_timeout(std::chrono::seconds(30));
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
        Log(request, response);
    });
}

UpdateServer::~UpdateServer() {
    Stop();
}

int UpdateServer::Bind(const std::string& host, int port) {
    if (port == 0) {
        return server_->bind_to_any_port(host);
    }
    return server_->bind_to_port(host, port) ? port : -1;
}

bool UpdateServer::Listen() {
    {
        std::lock_guard lock(stateMutex_);
        if (stopRequested_) {
            return true;
        }
        listening_ = true;
    }
    const bool served = server_->listen_after_bind();
    std::lock_guard lock(stateMutex_);
    listening_ = false;
    return served;
}

void UpdateServer::Stop() {
    std::unique_lock lock(stateMutex_);
    stopRequested_ = true;
    // Listen may have begun without the server running yet; its stop would then be lost.
    while (listening_ && !server_->is_running()) {
        lock.unlock();
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
        lock.lock();
    }
    server_->stop();
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
    if (request.get_param_value_count("product") != 1 || request.get_param_value_count("version") != 1) {
        Refuse(response, 400);
        return;
    }
    const auto released = ReleasedVersion(folder_);
    if (!released) {
        Refuse(response, 503);
        return;
    }
    const auto asked = ReleaseVersion::Parse(request.get_param_value("version"));
    std::string_view answer = "ORVANE|2"; // another product, no version, or newer than the release
    if (request.get_param_value("product") == "zentrim" && asked) {
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

void UpdateServer::Log(const httplib::Request& request, const httplib::Response& response) {
    std::string line = request.remote_addr + " \"" + Printable(request.method, 16) + " " +
                       Printable(request.target, 256) + "\" " + std::to_string(response.status);
    std::lock_guard lock(logMutex_);
    log_(line);
}

} // namespace zentrim
