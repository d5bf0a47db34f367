#pragma once
// Local files of the updater (images, records read from or written to a
// unit), opened with the texts its errors give: "file not open" when the
// file does not exist, "error opening file" for any other failure.
#include <cerrno>
#include <cstdio>
#include <memory>
#include <string>

#include "qo/wapi/exception.h"
#include "qo/wapi/system_text.h"

namespace update {

struct file_closer_t {
    void operator()(std::FILE* file) const { std::fclose(file); }
};
using file_ptr = std::unique_ptr<std::FILE, file_closer_t>;

inline file_ptr open_local_file(const std::string& path, const char* mode) {
    std::FILE* file = std::fopen(path.c_str(), mode);
    if (!file) {
        const int error = errno;
        throw qo::wapi::exception_t(qo::wapi::error_from_errno(error),
                                    error == ENOENT ? "file not open" : "error opening file");
    }
    return file_ptr(file);
}

} // namespace update
