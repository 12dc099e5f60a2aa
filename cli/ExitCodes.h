#pragma once

namespace qv::host {

constexpr int kExitOk = 0;
constexpr int kExitRefused = 1;  // the plug-in refused the filter string
constexpr int kExitUsage = 2;    // a usage or input error

// The help's last line for the commands that prepare a filter string.
constexpr const char kExitStatusNote[] =
    "Exit status: 0 done, 1 filter string refused, 2 usage or input error.";

}  // namespace qv::host
