#include "update_service/update_service.h"

#include <gtest/gtest.h>

#include <arpa/inet.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <map>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <string_view>
#include <thread>
#include <vector>

namespace zentrim {
namespace {

namespace fs = std::filesystem;

// The release the test folder holds, written out by hand.
const std::string kManifest = "ZENTRIM-UPDATE-MANIFEST 2\n"
                              "product zentrim\n"
                              "version 2.11.0.0\n"
                              "expires 9999-12-31T23:59:59Z\n"
                              "package x64 Zentrim-2.11.0.0-x64.msi 200003 "
                              "e3b0c44298fc1c149afbf4c8996fb92427ae41e4649b934ca495991b7852b855\n";

struct Reply {
    int status = 0;
    std::map<std::string, std::string> headers; // names in lower case
    std::string body;

    std::string Header(const std::string& name) const {
        const auto found = headers.find(name);
        return found == headers.end() ? std::string() : found->second;
    }
};

// Closes a socket when it goes.
class Socket {
public:
    Socket() : socket_(::socket(AF_INET, SOCK_STREAM, 0)) {}
    ~Socket() {
        if (socket_ >= 0) {
            ::close(socket_);
        }
    }
    Socket(const Socket&) = delete;
    Socket& operator=(const Socket&) = delete;
    int Get() const { return socket_; }

private:
    int socket_;
};

// Sends `request` as it stands and reads the reply until the server closes the connection; the
// service answers one request per connection. Nothing (status 0) when the connection fails.
Reply Exchange(int port, std::string_view request) {
    Reply reply;
    Socket connection;
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_port = htons(static_cast<std::uint16_t>(port));
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    if (connection.Get() < 0 ||
        ::connect(connection.Get(), reinterpret_cast<const sockaddr*>(&address), sizeof address) != 0) {
        return reply;
    }
    // The server may answer and close before taking all of a huge request; what it says counts.
    for (std::size_t sent = 0; sent < request.size();) {
        const ssize_t count =
            ::send(connection.Get(), request.data() + sent, request.size() - sent, MSG_NOSIGNAL);
        if (count <= 0) {
            break;
        }
        sent += static_cast<std::size_t>(count);
    }
    std::string received;
    pollfd readable{connection.Get(), POLLIN, 0};
    while (::poll(&readable, 1, 10000) > 0) {
        char buffer[16384];
        const ssize_t count = ::recv(connection.Get(), buffer, sizeof buffer, 0);
        if (count <= 0) {
            break;
        }
        received.append(buffer, static_cast<std::size_t>(count));
    }
    const std::size_t headEnd = received.find("\r\n\r\n");
    if (!received.starts_with("HTTP/1.1 ") || headEnd == std::string::npos) {
        return reply;
    }
    reply.status = std::atoi(received.substr(9, 3).c_str());
    std::size_t lineStart = received.find("\r\n") + 2;
    while (lineStart < headEnd) {
        const std::size_t lineEnd = received.find("\r\n", lineStart);
        const std::string line = received.substr(lineStart, lineEnd - lineStart);
        const std::size_t colon = line.find(": ");
        std::string name = line.substr(0, colon);
        for (char& c : name) {
            c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
        }
        reply.headers[name] = colon == std::string::npos ? "" : line.substr(colon + 2);
        lineStart = lineEnd + 2;
    }
    reply.body = received.substr(headEnd + 4);
    return reply;
}

// A connection to the service on the loopback address; nothing when it cannot be made.
std::unique_ptr<Socket> Connect(int port) {
    auto connection = std::make_unique<Socket>();
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_port = htons(static_cast<std::uint16_t>(port));
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    if (connection->Get() < 0 ||
        ::connect(connection->Get(), reinterpret_cast<const sockaddr*>(&address), sizeof address) != 0) {
        return nullptr;
    }
    return connection;
}

// What arrives on `connection` until the service closes it, or `limit` has passed.
std::string ReadUntilClosed(const Socket& connection, std::chrono::milliseconds limit) {
    std::string received;
    const auto end = std::chrono::steady_clock::now() + limit;
    for (auto now = std::chrono::steady_clock::now(); now < end; now = std::chrono::steady_clock::now()) {
        pollfd readable{connection.Get(), POLLIN, 0};
        const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(end - now);
        if (::poll(&readable, 1, static_cast<int>(left.count()) + 1) <= 0) {
            break;
        }
        char buffer[4096];
        const ssize_t count = ::recv(connection.Get(), buffer, sizeof buffer, 0);
        if (count <= 0) {
            break;
        }
        received.append(buffer, static_cast<std::size_t>(count));
    }
    return received;
}

std::string Get(std::string_view target, std::string_view extraHeaders = {}) {
    return "GET " + std::string(target) + " HTTP/1.1\r\nHost: update.test\r\n" + std::string(extraHeaders) +
           "\r\n";
}

void WriteFile(const fs::path& path, std::string_view bytes) {
    std::ofstream file(path, std::ios::binary);
    file.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
}

// Bytes of every value, so that nothing is served as text by accident.
std::string PackageBytes(std::size_t size, unsigned seed) {
    std::string bytes(size, '\0');
    for (std::size_t i = 0; i < size; ++i) {
        bytes[i] = static_cast<char>((i * 131 + seed + i / 251) & 0xFF);
    }
    return bytes;
}

// A temporary place: "release" is the served folder; "outside.msi" lies beside it.
class UpdateServiceTest : public ::testing::Test {
protected:
    void SetUp() override {
        std::string pattern = (fs::temp_directory_path() / "zentrim-update-service-XXXXXX").string();
        ASSERT_NE(::mkdtemp(pattern.data()), nullptr);
        place_ = pattern;
        release_ = place_ / "release";
        fs::create_directory(release_);
        WriteFile(place_ / "outside.msi", "not to be served");
    }

    void TearDown() override {
        StopService();
        std::error_code error;
        fs::remove_all(place_, error);
    }

    void WriteRelease() {
        WriteFile(release_ / "manifest.txt", kManifest);
        WriteFile(release_ / "manifest.sig", PackageBytes(64, 7));
        WriteFile(release_ / "Zentrim-2.11.0.0-x64.msi", PackageBytes(200003, 1));
        WriteFile(release_ / "Zentrim-2.11.0.0-x86.msi", PackageBytes(65536, 2));
    }

    void StartService(const fs::path& folder, UpdateServerLimits limits = {}) {
        service_ = std::make_unique<UpdateServer>(
            folder,
            [this](std::string_view line) {
                std::lock_guard lock(logMutex_);
                log_.emplace_back(line);
            },
            limits);
        port_ = service_->Bind("127.0.0.1", 0);
        ASSERT_GT(port_, 0);
        listener_ = std::thread([this] { service_->Listen(); });
    }

    void StopService() {
        if (service_) {
            service_->Stop();
            listener_.join();
            service_.reset();
        }
    }

    Reply Ask(std::string_view query) {
        return Exchange(port_, Get(std::string(kUpdatePath) + "?" + std::string(query)));
    }

    std::vector<std::string> Log() {
        std::lock_guard lock(logMutex_);
        return log_;
    }

    fs::path place_;
    fs::path release_;
    int port_ = 0;
    std::unique_ptr<UpdateServer> service_;
    std::thread listener_;
    std::mutex logMutex_;
    std::vector<std::string> log_;
};

TEST_F(UpdateServiceTest, AnswersWhetherTheAskedVersionIsOlderTheSameOrNewer) {
    WriteRelease(); // the release is 2.11.0.0
    StartService(release_);
    const struct {
        const char* query;
        const char* answer;
    } cases[] = {
        {"product=zentrim&version=2.10.21.2024", "ORVANE|1"},
        {"product=zentrim&version=2.9", "ORVANE|1"}, // 9 < 11 as numbers
        {"product=zentrim&version=2.10.65535.65535", "ORVANE|1"},
        {"product=zentrim&version=0", "ORVANE|1"},
        {"product=zentrim&version=2.11.0.0", "ORVANE|0"},
        {"product=zentrim&version=2.11", "ORVANE|0"},
        {"version=2.11&product=zentrim", "ORVANE|0"},
        {"product=zentrim&version=2.11.0.1", "ORVANE|2"},
        {"product=zentrim&version=10.0", "ORVANE|2"},
        // Another product, or a version that is none.
        {"product=Zentrim&version=2.10.21.2024", "ORVANE|2"},
        {"product=other&version=2.10.21.2024", "ORVANE|2"},
        {"product=&version=2.10.21.2024", "ORVANE|2"},
        {"product=zentrim&version=", "ORVANE|2"},
        {"product=zentrim&version=2.10.21.2024.1", "ORVANE|2"},
        {"product=zentrim&version=2.10.x", "ORVANE|2"},
        {"product=zentrim&version=-1", "ORVANE|2"},
        {"product=zentrim&version=65536", "ORVANE|2"},
        {"product=zentrim&version=%202.10", "ORVANE|2"},
        // Names and values are taken as sent, never decoded, as the site in front takes them.
        {"product=zent%72im&version=2.10", "ORVANE|2"},
        {"product=zentrim&version=2%2E10", "ORVANE|2"},
        {"product&version=2.10.21.2024", "ORVANE|2"},
        {"product=zentrim&&version=2.11", "ORVANE|0"},
    };
    for (const auto& testCase : cases) {
        const Reply reply = Ask(testCase.query);
        EXPECT_EQ(reply.status, 200) << testCase.query;
        EXPECT_EQ(reply.body, testCase.answer) << testCase.query;
        EXPECT_EQ(reply.Header("content-type"), "text/plain") << testCase.query;
    }
}

TEST_F(UpdateServiceTest, AQueryWithoutOrWithARepeatedProductOrVersionIsABadRequest) {
    WriteRelease();
    StartService(release_);
    for (const char* query : {
             "",
             "product=zentrim",
             "version=2.10.21.2024",
             "product=zentrim&versions=2.10",
             "product=zentrim&version=2.10&version=2.12",
             "product=zentrim&version=2.10&version=2.10", // the same pair twice
             "product=zentrim&version=2.10&version",
             "product=zentrim&product=zentrim&version=2.10",
             "product=other&version=2.10&product=zentrim",
             "product&product&version=2.10",
         }) {
        const Reply reply = Ask(query);
        EXPECT_EQ(reply.status, 400) << query;
        EXPECT_EQ(reply.body.find("ORVANE"), std::string::npos) << query;
    }
}

TEST_F(UpdateServiceTest, WithoutAReadableManifestTheQueryIsUnavailable) {
    StartService(release_); // an empty folder
    EXPECT_EQ(Ask("product=zentrim&version=2.10.21.2024").status, 503);

    // A manifest the strict reader refuses (CR LF line ends) counts as none.
    std::string crlf;
    for (char c : kManifest) {
        crlf += c == '\n' ? std::string("\r\n") : std::string(1, c);
    }
    WriteFile(release_ / "manifest.txt", crlf);
    EXPECT_EQ(Ask("product=zentrim&version=2.10.21.2024").status, 503);

    // An expired manifest, which every updater refuses, announces nothing either; nor does one of
    // the first format, which had no expiry.
    std::string expired = kManifest;
    expired.replace(expired.find("9999-12-31T23:59:59Z"), 20, "2020-01-01T00:00:00Z");
    WriteFile(release_ / "manifest.txt", expired);
    EXPECT_EQ(Ask("product=zentrim&version=2.10.21.2024").status, 503);
    WriteFile(
        release_ / "manifest.txt",
        "ZENTRIM-UPDATE-MANIFEST 1\nproduct zentrim\nversion 2.11.0.0\npackage x64 "
        "Zentrim-2.11.0.0-x64.msi 200003 e3b0c44298fc1c149afbf4c8996fb92427ae41e4649b934ca495991b7852b855\n");
    EXPECT_EQ(Ask("product=zentrim&version=2.10.21.2024").status, 503);

    // A manifest that is a link out of the folder counts as none, too.
    fs::remove(release_ / "manifest.txt");
    WriteFile(place_ / "manifest.txt", kManifest);
    fs::create_symlink(place_ / "manifest.txt", release_ / "manifest.txt");
    EXPECT_EQ(Ask("product=zentrim&version=2.10.21.2024").status, 503);

    // The manifest is read at each query: a release published while the service runs is seen.
    fs::remove(release_ / "manifest.txt");
    WriteFile(release_ / "manifest.txt", kManifest);
    EXPECT_EQ(Ask("product=zentrim&version=2.10.21.2024").body, "ORVANE|1");
}

TEST_F(UpdateServiceTest, AMissingFolderGivesUnavailableAndNoFiles) {
    StartService(place_ / "no-such-folder");
    EXPECT_EQ(Ask("product=zentrim&version=2.10.21.2024").status, 503);
    EXPECT_EQ(Exchange(port_, Get("/downloads/update/manifest.txt")).status, 404);
}

TEST_F(UpdateServiceTest, ServesTheReleaseFilesByteForByte) {
    WriteRelease();
    StartService(release_);
    const struct {
        const char* name;
        std::string bytes;
        const char* type;
    } files[] = {
        {"manifest.txt", kManifest, "text/plain"},
        {"manifest.sig", PackageBytes(64, 7), "application/octet-stream"},
        {"Zentrim-2.11.0.0-x64.msi", PackageBytes(200003, 1), "application/x-msi"},
        {"Zentrim-2.11.0.0-x86.msi", PackageBytes(65536, 2), "application/x-msi"},
    };
    for (const auto& file : files) {
        const std::string target = std::string(kUpdatePath) + file.name;
        const Reply reply = Exchange(port_, Get(target));
        EXPECT_EQ(reply.status, 200) << file.name;
        EXPECT_EQ(reply.Header("content-length"), std::to_string(file.bytes.size())) << file.name;
        EXPECT_EQ(reply.Header("content-type"), file.type) << file.name;
        EXPECT_EQ(reply.Header("accept-ranges"), "none") << file.name;
        EXPECT_TRUE(reply.body == file.bytes) << file.name << ": " << reply.body.size() << " bytes";

        const Reply head = Exchange(port_, "HEAD " + target + " HTTP/1.1\r\nHost: update.test\r\n\r\n");
        EXPECT_EQ(head.status, 200) << file.name;
        EXPECT_EQ(head.Header("content-length"), std::to_string(file.bytes.size())) << file.name;
        EXPECT_EQ(head.Header("accept-ranges"), "none") << file.name;
        EXPECT_TRUE(head.body.empty()) << file.name;
    }
}

TEST_F(UpdateServiceTest, ALinkInsideTheFolderToAFileOfTheFolderIsServed) {
    WriteRelease();
    fs::create_symlink("Zentrim-2.11.0.0-x86.msi", release_ / "Zentrim-latest-x86.msi");
    StartService(release_);
    const Reply reply = Exchange(port_, Get("/downloads/update/Zentrim-latest-x86.msi"));
    EXPECT_EQ(reply.status, 200);
    EXPECT_TRUE(reply.body == PackageBytes(65536, 2));
}

TEST_F(UpdateServiceTest, NeverServesAnythingOutsideTheFolderOrNotNamedForServing) {
    WriteRelease();
    fs::create_directory(release_ / "sub");
    WriteFile(release_ / "sub" / "inner.msi", "inner");
    fs::create_directory(release_ / "folder.msi");
    WriteFile(release_ / "notes.txt", "notes");
    WriteFile(release_ / ".hidden.msi", "hidden");
    fs::create_symlink(place_ / "outside.msi", release_ / "link-out.msi");
    fs::create_symlink("../outside.msi", release_ / "relative-link-out.msi");
    fs::create_symlink(place_, release_ / "up");
    StartService(release_);
    const std::string outside = (place_ / "outside.msi").string();
    const std::string targets[] = {
        "/downloads/update/../outside.msi",
        "/downloads/update/%2e%2e%2foutside.msi",
        "/downloads/update/%2E%2E%2Foutside.msi",
        "/downloads/update/..%2foutside.msi",
        "/downloads/update/..%5coutside.msi",
        "/downloads/update/..\\outside.msi",
        "/downloads/update/%2e%2e/outside.msi",
        "/downloads/update/./manifest.txt",
        "/downloads/update//manifest.txt",
        "/downloads/update/" + outside,
        "/downloads/update/%2F" + outside.substr(1),
        "/downloads/update/sub/inner.msi",
        "/downloads/update/sub%2finner.msi",
        "/downloads/update/sub",
        "/downloads/update/folder.msi",
        "/downloads/update/up/outside.msi",
        "/downloads/update/link-out.msi",
        "/downloads/update/relative-link-out.msi",
        "/downloads/update/notes.txt",
        "/downloads/update/.hidden.msi",
        "/downloads/update/unknown.msi",
        "/downloads/update/Manifest.txt",
        "/downloads/update/manifest.txt%00",
        "/downloads/update/manifest%2etxt",
        "/downloads/update/Zentrim-2.11.0.0-x64.msi/",
        "/downloads/update",
        "/downloads/",
        "/",
        "/downloads/x/../update/manifest.txt",
        "/downloads%2fupdate/manifest.txt",
        "/DOWNLOADS/update/manifest.txt",
        "/Zentrim-2.11.0.0-x64.msi",
        "/release/manifest.txt",
        "/../release/manifest.txt",
    };
    for (const std::string& target : targets) {
        const Reply reply = Exchange(port_, Get(target));
        EXPECT_EQ(reply.status, 404) << target;
        EXPECT_EQ(reply.body.find("not to be served"), std::string::npos) << target;
    }
}

TEST_F(UpdateServiceTest, RefusesLargeRequestsBodiesAndOtherMethods) {
    WriteRelease();
    StartService(release_);
    const std::string longVersion(3000, '1');
    EXPECT_EQ(Ask("product=zentrim&version=" + longVersion).status, 414);

    // Many small header lines that add up to more than the limit.
    std::string manyHeaders;
    for (int i = 0; i < 200; ++i) {
        manyHeaders += "X-Filler-" + std::to_string(i) + ": " + std::string(60, 'f') + "\r\n";
    }
    EXPECT_EQ(Exchange(port_, Get("/downloads/update/manifest.txt", manyHeaders)).status, 431);

    // One huge header line and a request line of a megabyte: refused, not served.
    const int hugeHeader = Exchange(port_, Get("/downloads/update/manifest.txt",
                                               "X-Huge: " + std::string(64 * 1024, 'h') + "\r\n"))
                               .status;
    EXPECT_GE(hugeHeader, 400);
    const Reply hugeLine =
        Exchange(port_, Get("/downloads/update/?product=zentrim&version=" + std::string(1 << 20, '9')));
    EXPECT_TRUE(hugeLine.status == 0 || hugeLine.status >= 400) << hugeLine.status;

    EXPECT_EQ(
        Exchange(port_, Get("/downloads/update/manifest.txt", "Content-Length: 5\r\n") + "hello").status,
        413);
    EXPECT_EQ(Exchange(port_, Get("/downloads/update/manifest.txt", "Transfer-Encoding: chunked\r\n") +
                                  "5\r\nhello\r\n0\r\n\r\n")
                  .status,
              413);
    for (const char* method : {"POST", "PUT", "DELETE", "OPTIONS", "PATCH", "TRACE"}) {
        const Reply reply = Exchange(
            port_, std::string(method) + " /downloads/update/manifest.txt HTTP/1.1\r\nHost: update.test\r\n"
                                         "Content-Length: 5\r\n\r\nhello");
        EXPECT_TRUE(reply.status == 405 || reply.status == 400) << method << ": " << reply.status;
        EXPECT_EQ(reply.body.find("ZENTRIM-UPDATE-MANIFEST"), std::string::npos) << method;
    }
    // After all that the service still answers.
    EXPECT_EQ(Ask("product=zentrim&version=2.11").body, "ORVANE|0");
}

TEST_F(UpdateServiceTest, LogsOneLinePerRequestWithItsTargetAndStatus) {
    WriteRelease();
    StartService(release_);
    Ask("product=zentrim&version=2.10.21.2024");
    Exchange(port_, Get("/downloads/update/unknown.msi"));
    Exchange(port_, Get("/downloads/update/%0d%0aforged"));
    StopService();
    const std::vector<std::string> log = Log();
    ASSERT_EQ(log.size(), 3u);
    EXPECT_NE(log[0].find("GET /downloads/update/?product=zentrim&version=2.10.21.2024\" 200"),
              std::string::npos)
        << log[0];
    EXPECT_NE(log[1].find("GET /downloads/update/unknown.msi\" 404"), std::string::npos) << log[1];
    EXPECT_NE(log[2].find("\" 404"), std::string::npos) << log[2];
    for (const std::string& line : log) {
        EXPECT_EQ(line.find_first_of("\r\n"), std::string::npos) << line;
    }
}

TEST_F(UpdateServiceTest, ServesEveryFileWholeWhateverRangeIsAsked) {
    WriteRelease();
    StartService(release_);
    const std::string package = PackageBytes(200003, 1);
    const std::string target = "/downloads/update/Zentrim-2.11.0.0-x64.msi";
    // Without range support a Range header is ignored, never half-applied: a part passed off as the
    // whole file would be kept by a cache as the package.
    for (const char* range :
         {"bytes=0-9", "bytes=-5", "bytes=199990-", "bytes=200003-", "bytes=300000-300010", "bytes=9-0",
          "bytes=0-0,5-5,9-9", "bytes=0-,0-,0-", "items=0-9", "bytes=x"}) {
        const std::string header = "Range: " + std::string(range) + "\r\n";
        const Reply reply = Exchange(port_, Get(target, header));
        EXPECT_EQ(reply.status, 200) << range;
        EXPECT_EQ(reply.Header("content-length"), "200003") << range;
        EXPECT_EQ(reply.Header("content-range"), "") << range;
        EXPECT_EQ(reply.Header("accept-ranges"), "none") << range;
        EXPECT_TRUE(reply.body == package) << range << ": " << reply.body.size() << " bytes";
    }
    const Reply head =
        Exchange(port_, "HEAD " + target + " HTTP/1.1\r\nHost: update.test\r\nrange: bytes=0-9\r\n\r\n");
    EXPECT_EQ(head.status, 200);
    EXPECT_EQ(head.Header("content-length"), "200003");
    EXPECT_EQ(head.Header("content-range"), "");
    // A header whose name merely begins with "Range" is kept.
    EXPECT_EQ(Exchange(port_, Get(target, "Ranger: x\r\n")).status, 200);
}

TEST_F(UpdateServiceTest, AHeadThatTricklesInIsCutOffAtItsDeadlineWhileOthersAreAnswered) {
    WriteRelease();
    using namespace std::chrono_literals;
    StartService(release_, {.headDeadline = 1000ms});
    // 40 clients, five times as many as there are workers, each sending one byte of a head every
    // 100 ms: far below any wait for a single read, so only a deadline for the whole head ends them.
    const std::string head = Get("/downloads/update/?product=zentrim&version=2.10");
    constexpr std::size_t kClients = 40;
    std::vector<std::unique_ptr<Socket>> clients;
    for (std::size_t i = 0; i < kClients; ++i) {
        clients.push_back(Connect(port_));
        ASSERT_NE(clients.back(), nullptr);
    }
    const auto opened = std::chrono::steady_clock::now();
    std::vector<std::string> received(kClients);
    std::vector<std::chrono::milliseconds> closedAfter(kClients, std::chrono::milliseconds::max());
    std::optional<std::chrono::milliseconds> checkTook;
    for (std::size_t step = 0; step < 30; ++step) { // at most 3 s
        std::size_t open = 0;
        for (std::size_t i = 0; i < kClients; ++i) {
            if (closedAfter[i] != std::chrono::milliseconds::max()) {
                continue;
            }
            pollfd readable{clients[i]->Get(), POLLIN, 0};
            if (::poll(&readable, 1, 0) > 0) {
                char buffer[1024];
                const ssize_t count = ::recv(clients[i]->Get(), buffer, sizeof buffer, 0);
                if (count <= 0) {
                    closedAfter[i] = std::chrono::duration_cast<std::chrono::milliseconds>(
                        std::chrono::steady_clock::now() - opened);
                    continue;
                }
                received[i].append(buffer, static_cast<std::size_t>(count));
            }
            ++open;
            // Never the line end that would complete the head.
            ::send(clients[i]->Get(), head.data() + std::min(step, head.size() - 5), 1, MSG_NOSIGNAL);
        }
        if (step == 5) {
            const auto started = std::chrono::steady_clock::now();
            EXPECT_EQ(Ask("product=zentrim&version=2.10").body, "ORVANE|1");
            checkTook = std::chrono::duration_cast<std::chrono::milliseconds>(
                std::chrono::steady_clock::now() - started);
        }
        if (open == 0) {
            break;
        }
        std::this_thread::sleep_for(100ms);
    }
    ASSERT_TRUE(checkTook.has_value());
    EXPECT_LT(*checkTook, 1000ms);
    for (std::size_t i = 0; i < kClients; ++i) {
        EXPECT_TRUE(received[i].starts_with("HTTP/1.1 408 ")) << i << ": " << received[i];
        EXPECT_GE(closedAfter[i], 900ms) << i;
        EXPECT_LE(closedAfter[i], 2000ms) << i;
    }
}

TEST_F(UpdateServiceTest, BeyondItsConnectionLimitAConnectionIsRefusedUntilOneCloses) {
    WriteRelease();
    using namespace std::chrono_literals;
    StartService(release_, {.headDeadline = 5000ms, .connectionLimit = 4});
    std::vector<std::unique_ptr<Socket>> idle;
    for (int i = 0; i < 4; ++i) {
        idle.push_back(Connect(port_));
        ASSERT_NE(idle.back(), nullptr);
    }
    const auto refused = Connect(port_);
    ASSERT_NE(refused, nullptr);
    const std::string answer = ReadUntilClosed(*refused, 2000ms);
    EXPECT_TRUE(answer.starts_with("HTTP/1.1 503 ")) << answer;

    // Once one of them has gone there is room again (the service sees it go soon after).
    idle.pop_back();
    std::string body;
    for (int attempt = 0; attempt < 50 && body.empty(); ++attempt) {
        body = Ask("product=zentrim&version=2.11").body;
        if (body.find("ORVANE") == std::string::npos) {
            body.clear();
            std::this_thread::sleep_for(20ms);
        }
    }
    EXPECT_EQ(body, "ORVANE|0");

    // Stopping does not wait for the connections still open.
    const auto stopping = std::chrono::steady_clock::now();
    StopService();
    EXPECT_LT(std::chrono::steady_clock::now() - stopping, 1000ms);
    const std::vector<std::string> log = Log();
    EXPECT_TRUE(
        std::any_of(log.begin(), log.end(), [](const std::string& line) { return line.ends_with(" 503"); }));
}

} // namespace
} // namespace zentrim
