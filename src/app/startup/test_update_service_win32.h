// The update service of the test variants (Zentrim-quick.exe, ZentrimUpdate-test.exe), which tests
// answer from a loopback server; the programs proper read no environment.
#pragma once

#include "launch/update_check.h"

#include <optional>

namespace zentrim {

// The service named by kTestUpdateServiceVariable ("host:port"); the maker's when the variable is
// not set; nothing when it cannot be read, so that a test never reaches the real service by mistake.
std::optional<HttpAddress> TestUpdateServiceFromEnvironment();

} // namespace zentrim
