#include "core/io/system_error.h"

#include <cerrno>
#include <system_error>

namespace pelmora {

std::string LastSystemError() {
    return SystemErrorText(errno);
}

std::string SystemErrorText(int error) {
    return error == 0 ? std::string("unknown error") : std::generic_category().message(error);
}

} // namespace pelmora
