#include "qo/wapi/system_text.h"

#include <cerrno>

namespace qo::wapi {

namespace {

struct errno_row_t {
    int error;
    std::uint32_t code;
};

// errno -> system code, by the meaning of each error.
constexpr errno_row_t errno_table[] = {
    {0, 0},       {ENOENT, 2},         {ENOTDIR, 3},      {EMFILE, 4},      {ENFILE, 4},
    {EACCES, 5},  {EPERM, 5},          {EISDIR, 5},       {EBADF, 6},       {ENOMEM, 8},
    {EXDEV, 17},  {EROFS, 19},         {ENOSYS, 50},      {EOPNOTSUPP, 50}, {EEXIST, 80},
    {EINVAL, 87}, {EPIPE, 109},        {ENOSPC, 112},     {EDQUOT, 112},    {ENOTEMPTY, 145},
    {EBUSY, 170}, {ENAMETOOLONG, 206}, {EFBIG, 223},      {ECANCELED, 995}, {EILSEQ, 1113},
    {EIO, 1117},  {EAGAIN, 1450},      {ETIMEDOUT, 1460},
};

struct text_row_t {
    std::uint32_t code;
    const char* text;
};

constexpr text_row_t text_table[] = {
    {0, "No error."},
    {2, "File not found."},
    {3, "Path not found."},
    {4, "Too many open files."},
    {5, "Access denied."},
    {6, "Invalid handle."},
    {8, "Not enough memory for the operation."},
    {17, "Cannot move a file to another disk."},
    {19, "The medium is write-protected."},
    {50, "Operation not supported."},
    {80, "File already exists."},
    {87, "Invalid parameter."},
    {109, "The other end of the pipe is closed."},
    {112, "Not enough space on the disk."},
    {145, "Folder not empty."},
    {170, "Resource in use."},
    {206, "File name too long."},
    {223, "File too large."},
    {995, "Operation aborted."},
    {1113, "Character has no mapping in the target code page."},
    {1117, "Device input/output error."},
    {1450, "Not enough system resources for the operation."},
    {1460, "Operation timed out."},
};

} // namespace

std::uint32_t error_from_errno(int error) {
    for (const errno_row_t& row : errno_table)
        if (row.error == error)
            return row.code;
    return unmapped_errno_base | static_cast<std::uint32_t>(error & 0x0FFFFFFF);
}

std::uint32_t last_error() {
    return error_from_errno(errno);
}

std::string system_text(std::uint32_t code) {
    for (const text_row_t& row : text_table)
        if (row.code == code)
            return row.text;
    return {};
}

} // namespace qo::wapi
