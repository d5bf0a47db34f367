#include "platform/winsnmp/last_error.h"

#include <dlfcn.h>

namespace {

thread_local std::uint32_t t_last_error = 0;
thread_local int t_abandon_fd = -1;

} // namespace

namespace platform {

std::uint32_t get_last_error() {
    return t_last_error;
}

void set_last_error(std::uint32_t code) {
    t_last_error = code;
}

} // namespace platform

namespace platform::winsnmp {

std::string library_folder() {
    Dl_info info{};
    if (!::dladdr(reinterpret_cast<void*>(&library_folder), &info) || !info.dli_fname)
        return {};
    const std::string path = info.dli_fname;
    const std::size_t slash = path.rfind('/');
    return slash == std::string::npos ? std::string() : path.substr(0, slash + 1);
}

int abandon_fd() {
    return t_abandon_fd;
}

void set_abandon_fd(int fd) {
    t_abandon_fd = fd;
}

} // namespace platform::winsnmp
