// Writing a file so that a failure never leaves a half-written one: the content goes to a
// temporary file beside the target (so the rename stays on one file system), which is renamed
// over the target once complete and removed otherwise.
#pragma once

#include <functional>
#include <string>

namespace brumo::host {

// Calls write with the temporary file's path; write reports failure by throwing a
// std::exception. Answers "" when the target now holds the new content, otherwise what went
// wrong (the target is then untouched and the temporary file gone).
std::string replaceFile(const std::string& path, const std::function<void(const std::string& temporary)>& write);

// "cannot write PATH: WHAT", the message of every writer.
std::string cannotWrite(const std::string& path, const std::string& what);

}  // namespace brumo::host
