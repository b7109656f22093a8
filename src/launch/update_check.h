// The update check: one GET to the maker's update service and a token test on the reply.
#pragma once

#include "launch/http_client.h"
#include "launch/product_identity.h"

#include <cstdint>
#include <string>
#include <string_view>

namespace zentrim {

// Results of CheckForUpdate. Only kUpdateAvailable leads to anything; 0 and 2 are answers of the
// service that this program does not act on.
inline constexpr int kUpdateCheckFailed = -1;
inline constexpr int kUpdateAvailable = 1;

inline constexpr std::u16string_view kUpdateUserAgent = u"Mozilla/4.0 (compatible; ORVANE)";

// The reply is read up to this size and the tokens are looked for only there.
inline constexpr std::size_t kMaxUpdateReplySize = 64 * 1024;

// Where the update service listens: plain HTTP to kUpdateHost on port 80, the path its folder's.
// Tests point the check and the updater at a server of their own.
HttpAddress MakerUpdateService();

// The service's folder, under which it answers the query and serves the manifest, its signature
// and the packages.
inline constexpr std::u16string_view kUpdateFolderPath = u"/downloads/update/";

// The query's path for a version: "/downloads/update/?product=zentrim&version=<version>"; the
// check asks for this program's version, the updater for the installed program's.
std::u16string UpdateQueryPath(std::u16string_view version);

// The result a reply body gives: the first of the tokens, tested in their order, or -1.
int UpdateReplyResult(std::string_view reply);

// Asks the service (its host and port; the path is the query's) and gives -1, 0, 1 or 2: the first
// of the tokens "ORVANE|0", "ORVANE|1", "ORVANE|2" (tested in this order) that the first 64 KiB of
// the reply contain, -1 when they hold none or when there is no reply. Blocks until the request
// has ended; never throws.
int CheckForUpdate(HttpClient& client, const HttpAddress& service = MakerUpdateService()) noexcept;

// The same through a new platform client with the program's time-outs, released afterwards.
int CheckForUpdate() noexcept;

} // namespace zentrim
