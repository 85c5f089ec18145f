#pragma once

#include <string>

namespace pelmora {

// The reason for the last failed system call (errno), in the system's words.
std::string LastSystemError();

// The system's words for one errno value.
std::string SystemErrorText(int error);

} // namespace pelmora
