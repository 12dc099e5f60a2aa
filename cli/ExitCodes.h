#pragma once

namespace qv::host {

constexpr int kExitOk = 0;
constexpr int kExitRefused = 1;  // the plug-in refused the filter string
constexpr int kExitUsage = 2;    // a usage or input error

}  // namespace qv::host
