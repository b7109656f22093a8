// Whether this process runs with administrator rights, as Windows' User Account Control sees it.
#pragma once

namespace zentrim {

// True when the process's token is elevated: started "as administrator", or by an administrator
// where User Account Control is off. A system that cannot say (the token cannot be read) counts as
// elevated, so that the program behaves as it did before it asked.
bool ProcessIsElevated() noexcept;

} // namespace zentrim
