// Who the program is and where its maker lives on the web: the one place for the version text
// and the two host names the program talks to or opens.
#pragma once

#include <string_view>

namespace zentrim {

// The installed version: shown by the main and About windows and sent by the update check.
inline constexpr std::u16string_view kProductVersion = u"2.10.21.2024";

// The product's name as the update service's query spells it.
inline constexpr std::u16string_view kProductQueryName = u"zentrim";

// The maker's web site, home of the home and support pages (plain HTTP).
inline constexpr std::u16string_view kMakerWebHost = u"www.orvane.com";

// The maker's update service, asked by the update check (plain HTTP, port 80).
inline constexpr std::u16string_view kUpdateHost = u"update.orvane.com";

} // namespace zentrim
