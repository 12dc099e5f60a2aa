// ZcOpen's work: show the setup dialog over the host's window and, on OK,
// replace the filter string.
#pragma once

#include <string>

namespace qv {

void RunSetup(void* owner, std::string& filterStr);

}  // namespace qv
