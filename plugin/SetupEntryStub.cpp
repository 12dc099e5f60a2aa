// Builds without a setup dialog: ZcOpen changes nothing.
#include "SetupEntry.h"

namespace qv {

void SetSetupInstance(void*) {}
void EndSetup() {}
void RunSetup(void*, std::string&) {}

}  // namespace qv
