// Builds without a setup dialog: ZcOpen changes nothing.
#include "SetupEntry.h"

namespace qv {

void RunSetup(void*, std::string&) {}

}  // namespace qv
