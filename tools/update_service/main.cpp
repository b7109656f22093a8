// zentrim-update-service --folder DIR [--host 127.0.0.1] [--port 8080]
// Serves one release folder (the update/ folder of a release set) until SIGINT or SIGTERM.
#include "update_service/update_service.h"

#include <pthread.h>
#include <signal.h>

#include <charconv>
#include <cstring>
#include <iostream>
#include <optional>
#include <string>
#include <string_view>
#include <thread>

namespace {

constexpr std::string_view kUsage =
    "usage: zentrim-update-service --folder DIR [--host 127.0.0.1] [--port 8080]\n"
    "  --port 0 listens on any free port; the port is printed as\n"
    "  \"listening on HOST:PORT\"\n";

struct Options {
    std::string folder;
    std::string host = "127.0.0.1";
    int port = 8080;
};

std::optional<int> ParsePort(std::string_view text) {
    int port = -1;
    const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), port);
    if (error != std::errc() || end != text.data() + text.size() || port < 0 || port > 65535) {
        return std::nullopt;
    }
    return port;
}

std::optional<Options> ParseOptions(int argc, char** argv) {
    Options options;
    for (int i = 1; i < argc; ++i) {
        const std::string_view option = argv[i];
        if (i + 1 == argc) {
            return std::nullopt;
        }
        const std::string_view value = argv[++i];
        if (option == "--folder") {
            options.folder = value;
        } else if (option == "--host") {
            options.host = value;
        } else if (option == "--port") {
            const auto port = ParsePort(value);
            if (!port) {
                return std::nullopt;
            }
            options.port = *port;
        } else {
            return std::nullopt;
        }
    }
    if (options.folder.empty()) {
        return std::nullopt;
    }
    return options;
}

} // namespace

int main(int argc, char** argv) {
    const auto options = ParseOptions(argc, argv);
    if (!options) {
        std::cerr << kUsage;
        return 2;
    }
    // SIGINT and SIGTERM are taken by a thread of their own, which stops the server; blocked here
    // before any thread starts, so every thread inherits the mask.
    sigset_t stopSignals;
    sigemptyset(&stopSignals);
    sigaddset(&stopSignals, SIGINT);
    sigaddset(&stopSignals, SIGTERM);
    pthread_sigmask(SIG_BLOCK, &stopSignals, nullptr);

    zentrim::UpdateServer service(options->folder,
                                  [](std::string_view line) { std::cerr << line << std::endl; });
    const int port = service.Bind(options->host, options->port);
    if (port < 0) {
        std::cerr << "zentrim-update-service: cannot listen on " << options->host << ":" << options->port
                  << ": " << std::strerror(errno) << "\n";
        return 1;
    }
    std::thread signalWaiter([&] {
        int signal = 0;
        sigwait(&stopSignals, &signal);
        service.Stop();
    });
    std::cout << "listening on " << options->host << ":" << port << std::endl;
    const bool served = service.Listen();
    // Listen also ends without a signal when the server fails; wake the waiter then.
    pthread_kill(signalWaiter.native_handle(), SIGTERM);
    signalWaiter.join();
    return served ? 0 : 1;
}
