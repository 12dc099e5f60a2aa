// Small file helpers shared by the commands.
#pragma once

#include <string>
#include <string_view>

namespace qv::host {

// The text up to the first LF, with a CR right before it removed; the whole
// text when it has no LF.
std::string_view FirstLine(std::string_view text);

// Reads a whole file as bytes; a pipe or a device is read to its end.  False
// with a reason when it cannot be read.
bool ReadFileBytes(const std::string& path, std::string& bytes, std::string& error);

// The bundled example filter file, as it stands in the source tree.
std::string_view SampleFilterFile();

}  // namespace qv::host
