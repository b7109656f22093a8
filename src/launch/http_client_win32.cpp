// The program's HTTP client: WinHTTP in its synchronous mode, for the update check and the updater.
//
// A blocked WinHTTP call cannot be interrupted reliably from another thread (closing its handle from
// outside is not honoured everywhere, Wine waits for the call's own time-out), so each transfer
// talks to the server on a thread of its own and hands the body over in pieces. The caller's thread
// writes them, reports progress and waits for the next piece, the end, or Cancel(); when it stops
// early it leaves the network thread behind, which ends by itself at its next step or time-out and
// touches nothing but its own shared state.
#include "launch/http_client.h"

#include "base/text.h"
#include "base/unique_handle_win32.h"
#include "launch/update_check.h"

#include <windows.h>
#include <winhttp.h>

#include <algorithm>
#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <deque>
#include <exception>
#include <functional>
#include <limits>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <string_view>
#include <thread>
#include <utility>
#include <vector>

namespace zentrim {

namespace {

using UniqueInternet = UniqueHandle<HINTERNET, &::WinHttpCloseHandle>;
using Clock = std::chrono::steady_clock;

// How many bytes the network thread may read ahead of the caller's writes.
constexpr std::size_t kReadAhead = 1024 * 1024;
constexpr DWORD kPieceSize = 64 * 1024;

DWORD Milliseconds(std::chrono::milliseconds duration) {
    return static_cast<DWORD>(std::clamp<long long>(duration.count(), 1, 0x7fffffff));
}

TransferResult Failure(TransferOutcome outcome, std::uint32_t systemError = 0) {
    return {outcome, 0, systemError};
}

// WinHTTP's errors, and the socket errors some WinHTTPs pass on as they are (Wine reports a read
// that timed out as WSAETIMEDOUT).
TransferOutcome OutcomeOfError(DWORD error) {
    switch (error) {
    case ERROR_WINHTTP_OPERATION_CANCELLED:
        return TransferOutcome::Cancelled;
    case ERROR_WINHTTP_TIMEOUT:
    case WSAETIMEDOUT:
        return TransferOutcome::TimedOut;
    case ERROR_WINHTTP_NAME_NOT_RESOLVED:
    case ERROR_WINHTTP_AUTODETECTION_FAILED:
    case WSAHOST_NOT_FOUND:
    case WSAENETUNREACH:
    case WSAENETDOWN:
        return TransferOutcome::NoConnection;
    case ERROR_WINHTTP_CANNOT_CONNECT:
    case WSAECONNREFUSED:
    case WSAEHOSTUNREACH:
        return TransferOutcome::Refused;
    case ERROR_WINHTTP_CONNECTION_ERROR:
    case ERROR_WINHTTP_INVALID_SERVER_RESPONSE:
    case WSAECONNRESET:
    case WSAECONNABORTED:
        return TransferOutcome::Broken;
    default:
        return TransferOutcome::Failed;
    }
}

TransferResult LastWinHttpError() {
    const DWORD error = GetLastError();
    return Failure(OutcomeOfError(error), error);
}

// One transfer's state, shared by the caller's thread and the network thread; whichever finishes
// last frees it.
struct TransferState {
    std::mutex mutex;
    std::condition_variable changed;
    // Set by the caller's side (or Cancel): the network thread stops at its next step.
    bool stop = false;
    bool cancelled = false;
    // Set by the network thread.
    std::uint64_t total = 0; // announced length, 0 when none
    std::deque<std::string> pieces;
    std::size_t queued = 0;
    bool finished = false;
    TransferResult result;
    Clock::time_point lastSign = Clock::now(); // the last time the network thread moved on
};

struct NetworkJob {
    HttpAddress address;
    HttpTimeouts timeouts;
    std::uint64_t limit = 0;
    ReplyTaking taking = ReplyTaking::WholeOf200;
};

// An announced Content-Length, read as text so that lengths over 4 GiB are read too.
std::optional<std::uint64_t> AnnouncedLength(HINTERNET request) {
    wchar_t text[32] = {};
    DWORD size = sizeof text;
    if (!WinHttpQueryHeaders(request, WINHTTP_QUERY_CONTENT_LENGTH, WINHTTP_HEADER_NAME_BY_INDEX, text, &size,
                             WINHTTP_NO_HEADER_INDEX)) {
        return std::nullopt;
    }
    const std::wstring_view digits(text, size / sizeof(wchar_t));
    if (digits.empty()) {
        return std::nullopt;
    }
    std::uint64_t value = 0;
    for (const wchar_t c : digits) {
        if (c < L'0' || c > L'9' || value > (std::numeric_limits<std::uint64_t>::max() - 9) / 10) {
            return std::nullopt;
        }
        value = value * 10 + static_cast<std::uint64_t>(c - L'0');
    }
    return value;
}

class NetworkSide {
public:
    NetworkSide(std::shared_ptr<TransferState> state, NetworkJob job)
        : state_(std::move(state)), job_(std::move(job)) {}

    void Run() {
        TransferResult result;
        try {
            result = Transfer();
        } catch (const std::exception&) {
            result = Failure(TransferOutcome::Failed, ERROR_OUTOFMEMORY);
        }
        {
            std::lock_guard lock(state_->mutex);
            state_->result = result;
            state_->finished = true;
        }
        state_->changed.notify_all();
    }

private:
    bool Stopped() {
        std::lock_guard lock(state_->mutex);
        return state_->stop;
    }

    void Sign() {
        std::lock_guard lock(state_->mutex);
        state_->lastSign = Clock::now();
    }

    // Hands a piece over, waiting while the caller is far behind; false once the caller has stopped.
    bool Deliver(std::string piece) {
        std::unique_lock lock(state_->mutex);
        state_->changed.wait(lock, [&] { return state_->stop || state_->queued < kReadAhead; });
        if (state_->stop) {
            return false;
        }
        state_->queued += piece.size();
        state_->pieces.push_back(std::move(piece));
        state_->lastSign = Clock::now();
        lock.unlock();
        state_->changed.notify_all();
        return true;
    }

    static UniqueInternet OpenSession() {
        const std::wstring userAgent = ToWide(kUpdateUserAgent);
        // The system's proxy settings, automatic ones included; Windows before 8.1 knows only the
        // configured WinHTTP proxy.
        UniqueInternet session(WinHttpOpen(userAgent.c_str(), WINHTTP_ACCESS_TYPE_AUTOMATIC_PROXY,
                                           WINHTTP_NO_PROXY_NAME, WINHTTP_NO_PROXY_BYPASS, 0));
        if (!session) {
            session.reset(WinHttpOpen(userAgent.c_str(), WINHTTP_ACCESS_TYPE_DEFAULT_PROXY,
                                      WINHTTP_NO_PROXY_NAME, WINHTTP_NO_PROXY_BYPASS, 0));
        }
        return session;
    }

    // A failure once a success status has come.
    static TransferResult ReadFailure(int httpStatus) {
        TransferResult failure = LastWinHttpError();
        failure.httpStatus = httpStatus;
        return failure;
    }

    TransferResult Transfer() {
        const HttpTimeouts& timeouts = job_.timeouts;
        const UniqueInternet session = OpenSession();
        if (!session) {
            return LastWinHttpError();
        }
        if (!WinHttpSetTimeouts(session.get(), static_cast<int>(Milliseconds(timeouts.resolve)),
                                static_cast<int>(Milliseconds(timeouts.connect)),
                                static_cast<int>(Milliseconds(timeouts.send)),
                                static_cast<int>(Milliseconds(timeouts.receive)))) {
            return LastWinHttpError();
        }
        if (job_.address.Secure()) {
            // Windows 7 offers TLS 1.2 only when asked; versions that do not know 1.3 refuse the
            // pair, so 1.2 alone is the second try. Without either the system's defaults stay.
            DWORD protocols = WINHTTP_FLAG_SECURE_PROTOCOL_TLS1_2 | 0x00002000 /* TLS 1.3 */;
            if (!WinHttpSetOption(session.get(), WINHTTP_OPTION_SECURE_PROTOCOLS, &protocols,
                                  sizeof protocols)) {
                protocols = WINHTTP_FLAG_SECURE_PROTOCOL_TLS1_2;
                WinHttpSetOption(session.get(), WINHTTP_OPTION_SECURE_PROTOCOLS, &protocols,
                                 sizeof protocols);
            }
        }
        const UniqueInternet connection(
            WinHttpConnect(session.get(), ToWide(job_.address.host).c_str(), job_.address.port, 0));
        if (!connection) {
            return LastWinHttpError();
        }
        const UniqueInternet request(WinHttpOpenRequest(
            connection.get(), L"GET", ToWide(job_.address.path).c_str(), nullptr, WINHTTP_NO_REFERER,
            WINHTTP_DEFAULT_ACCEPT_TYPES, job_.address.Secure() ? WINHTTP_FLAG_SECURE : 0));
        if (!request) {
            return LastWinHttpError();
        }
        // WinHttpSetTimeouts leaves the wait for the reply's headers at its own default (90 s).
        DWORD responseTimeout = Milliseconds(timeouts.receive);
        DWORD noRedirects = WINHTTP_DISABLE_REDIRECTS;
        if (!WinHttpSetOption(request.get(), WINHTTP_OPTION_RECEIVE_RESPONSE_TIMEOUT, &responseTimeout,
                              sizeof responseTimeout) ||
            !WinHttpSetOption(request.get(), WINHTTP_OPTION_DISABLE_FEATURE, &noRedirects,
                              sizeof noRedirects)) {
            return LastWinHttpError();
        }
        if (Stopped()) {
            return Failure(TransferOutcome::Cancelled);
        }
        if (!WinHttpSendRequest(request.get(), WINHTTP_NO_ADDITIONAL_HEADERS, 0, WINHTTP_NO_REQUEST_DATA, 0,
                                0, 0)) {
            return LastWinHttpError();
        }
        Sign();
        if (!WinHttpReceiveResponse(request.get(), nullptr)) {
            return LastWinHttpError();
        }
        Sign();

        DWORD status = 0;
        DWORD statusSize = sizeof status;
        if (!WinHttpQueryHeaders(request.get(), WINHTTP_QUERY_STATUS_CODE | WINHTTP_QUERY_FLAG_NUMBER,
                                 WINHTTP_HEADER_NAME_BY_INDEX, &status, &statusSize,
                                 WINHTTP_NO_HEADER_INDEX)) {
            return LastWinHttpError();
        }
        const bool cut = job_.taking == ReplyTaking::StartOfAny2xx;
        if (cut ? status < 200 || status > 299 : status != 200) {
            return {TransferOutcome::ErrorStatus, static_cast<int>(status), 0};
        }
        const int httpStatus = static_cast<int>(status);
        const TransferResult ok{TransferOutcome::Done, httpStatus, 0};
        const std::optional<std::uint64_t> announced = AnnouncedLength(request.get());
        if (announced && *announced > job_.limit && !cut) {
            return {TransferOutcome::TooLarge, httpStatus, 0};
        }
        {
            std::lock_guard lock(state_->mutex);
            state_->total = announced.value_or(0);
        }

        // One byte beyond the limit is enough to know the body is too large; a body cut at the
        // limit is read no further.
        const std::uint64_t readLimit =
            cut || job_.limit == std::numeric_limits<std::uint64_t>::max() ? job_.limit : job_.limit + 1;
        std::uint64_t received = 0;
        while (received < readLimit) {
            if (Stopped()) {
                return Failure(TransferOutcome::Cancelled);
            }
            // Ask what has arrived and read no more than that: a read of more than has arrived
            // waits for all of it on some systems (Wine), which hides the progress and loses what
            // came before a time-out.
            DWORD available = 0;
            if (!WinHttpQueryDataAvailable(request.get(), &available)) {
                return ReadFailure(httpStatus);
            }
            if (available == 0) {
                break;
            }
            std::string piece(static_cast<std::size_t>(
                                  std::min<std::uint64_t>({available, kPieceSize, readLimit - received})),
                              '\0');
            DWORD read = 0;
            if (!WinHttpReadData(request.get(), piece.data(), static_cast<DWORD>(piece.size()), &read)) {
                return ReadFailure(httpStatus);
            }
            if (read == 0) {
                break;
            }
            piece.resize(read);
            received += read;
            if (!Deliver(std::move(piece))) {
                return Failure(TransferOutcome::Cancelled);
            }
        }
        if (received > job_.limit) {
            return {TransferOutcome::TooLarge, httpStatus, 0};
        }
        // A reply that announced its length must deliver all of it (up to the cut): a shorter one
        // came over a connection that closed early.
        if (announced && received != *announced && !(cut && received == job_.limit)) {
            return {TransferOutcome::Broken, httpStatus, ERROR_WINHTTP_CONNECTION_ERROR};
        }
        return ok;
    }

    std::shared_ptr<TransferState> state_;
    NetworkJob job_;
};

// A file being downloaded: closed, and deleted unless kept, when it goes. It keeps the name as
// plain text: a copy of a std::filesystem::path would link the library's path and locale code
// into every program with an HTTP client, the window program included.
class PartialFile {
public:
    PartialFile(std::wstring path, UniqueKernelHandle handle)
        : path_(std::move(path)), handle_(std::move(handle)) {}
    PartialFile(const PartialFile&) = delete;
    PartialFile& operator=(const PartialFile&) = delete;
    ~PartialFile() {
        handle_.reset();
        if (!keep_) {
            DeleteFileW(path_.c_str());
        }
    }
    HANDLE Handle() const { return handle_.get(); }
    void Keep() { keep_ = true; }

private:
    std::wstring path_;
    UniqueKernelHandle handle_;
    bool keep_ = false;
};

// Where the caller's side puts the pieces: false (with a system error) ends the transfer.
using PieceSink = std::function<bool(std::string_view piece, std::uint32_t& systemError)>;

class WinHttpClient final : public HttpClient {
public:
    explicit WinHttpClient(const HttpTimeouts& timeouts) : timeouts_(timeouts) {}

    TransferResult Fetch(const HttpAddress& address, std::size_t limit, std::string& body,
                         const TransferProgress& progress, ReplyTaking taking) override {
        body.clear();
        const auto sink = [&](std::string_view piece, std::uint32_t&) {
            body.append(piece);
            return true;
        };
        // The description is small: the request as a whole gets the sum of the stage time-outs,
        // so a server that trickles cannot hold the updater either.
        TransferResult result = Run(address, limit, taking, sink, progress, Clock::now() + timeouts_.Total());
        if (result.outcome != TransferOutcome::Done) {
            body.clear(); // a part is no reply to act on
        }
        return result;
    }

    TransferResult Download(const HttpAddress& address, const std::filesystem::path& file,
                            std::uint64_t limit, const TransferProgress& progress) override {
        if (CancelRequested()) {
            return Failure(TransferOutcome::Cancelled);
        }
        UniqueKernelHandle output(
            NullIfInvalid(CreateFileW(file.c_str(), GENERIC_WRITE, FILE_SHARE_READ, nullptr, CREATE_NEW,
                                      FILE_ATTRIBUTE_NORMAL, nullptr)));
        if (!output) {
            return Failure(TransferOutcome::Failed, GetLastError());
        }
        // From here the file is ours: it goes unless the transfer is done, also when the progress
        // callback throws.
        PartialFile partial(file.native(), std::move(output));
        const auto sink = [&](std::string_view piece, std::uint32_t& systemError) {
            DWORD written = 0;
            if (!WriteFile(partial.Handle(), piece.data(), static_cast<DWORD>(piece.size()), &written,
                           nullptr) ||
                written != piece.size()) {
                systemError = GetLastError();
                return false;
            }
            return true;
        };
        // A package may take long on a slow line: only a silence as long as all the time-outs
        // together ends it from this side (the network thread's own time-outs come first).
        const TransferResult result =
            Run(address, limit, ReplyTaking::WholeOf200, sink, progress, std::nullopt);
        if (result.outcome == TransferOutcome::Done) {
            partial.Keep();
        }
        return result;
    }

    void Cancel() override {
        std::shared_ptr<TransferState> running;
        {
            std::lock_guard lock(mutex_);
            cancelled_ = true;
            running = running_.lock();
        }
        if (running) {
            {
                std::lock_guard lock(running->mutex);
                running->cancelled = true;
                running->stop = true;
            }
            running->changed.notify_all();
        }
    }

private:
    bool CancelRequested() {
        std::lock_guard lock(mutex_);
        return cancelled_;
    }

    // Ends the network thread's part in this transfer however the caller's side leaves: it is
    // told to stop and joined when it has finished, or else left to end by itself.
    class NetworkThread {
    public:
        NetworkThread(std::shared_ptr<TransferState> state, NetworkJob job) : state_(state) {
            thread_ =
                std::thread([side = NetworkSide(std::move(state), std::move(job))]() mutable { side.Run(); });
        }
        NetworkThread(const NetworkThread&) = delete;
        NetworkThread& operator=(const NetworkThread&) = delete;
        ~NetworkThread() {
            bool finished = false;
            {
                std::lock_guard lock(state_->mutex);
                state_->stop = true;
                finished = state_->finished;
            }
            state_->changed.notify_all();
            if (finished) {
                thread_.join();
            } else {
                thread_.detach();
            }
        }

    private:
        std::shared_ptr<TransferState> state_;
        std::thread thread_;
    };

    TransferResult Run(const HttpAddress& address, std::uint64_t limit, ReplyTaking taking,
                       const PieceSink& sink, const TransferProgress& progress,
                       std::optional<Clock::time_point> deadline) {
        auto state = std::make_shared<TransferState>();
        {
            std::lock_guard lock(mutex_);
            if (cancelled_) {
                return Failure(TransferOutcome::Cancelled);
            }
            running_ = state;
        }
        std::optional<NetworkThread> network;
        try {
            network.emplace(state, NetworkJob{address, timeouts_, limit, taking});
        } catch (const std::exception&) {
            return Failure(TransferOutcome::Failed, ERROR_NOT_ENOUGH_MEMORY);
        }
        // The network thread's own time-outs end a silent server; this only guards against a stage
        // that ignores its time-out, and must not come before them.
        const auto silenceLimit = timeouts_.Total() + std::chrono::seconds(1);

        std::uint64_t received = 0;
        std::unique_lock lock(state->mutex);
        for (;;) {
            Clock::time_point wakeAt = state->lastSign + silenceLimit;
            if (deadline) {
                wakeAt = std::min(wakeAt, *deadline);
            }
            state->changed.wait_until(
                lock, wakeAt, [&] { return state->cancelled || !state->pieces.empty() || state->finished; });
            if (state->cancelled) {
                return Failure(TransferOutcome::Cancelled);
            }
            if (!state->pieces.empty()) {
                std::deque<std::string> pieces;
                pieces.swap(state->pieces);
                state->queued = 0;
                const std::uint64_t total = state->total;
                lock.unlock();
                state->changed.notify_all();
                for (const std::string& piece : pieces) {
                    std::uint32_t systemError = 0;
                    if (!sink(piece, systemError)) {
                        return {TransferOutcome::Failed, 0, systemError};
                    }
                    received += piece.size();
                    if (progress) {
                        progress(received, total);
                    }
                }
                lock.lock();
                continue;
            }
            if (state->finished) {
                return state->result;
            }
            const auto now = Clock::now();
            if ((deadline && now >= *deadline) || now >= state->lastSign + silenceLimit) {
                return Failure(TransferOutcome::TimedOut, ERROR_WINHTTP_TIMEOUT);
            }
        }
    }

    HttpTimeouts timeouts_;
    std::mutex mutex_;
    bool cancelled_ = false;
    std::weak_ptr<TransferState> running_;
};

} // namespace

std::unique_ptr<HttpClient> CreatePlatformHttpClient(const HttpTimeouts& timeouts) {
    return std::make_unique<WinHttpClient>(timeouts);
}

} // namespace zentrim
