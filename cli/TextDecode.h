// Decoding of the plug-in's 8-bit texts (GB2312 / code page 936) into UTF-8
// for the terminal.  Never fails: a byte that does not start a decodable
// character is written as \xNN and decoding goes on after it.
#pragma once

#include <string>
#include <string_view>

namespace qv::host {

std::string DecodeToUtf8(std::string_view text);

}  // namespace qv::host
