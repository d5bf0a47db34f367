#include "firmware/checksum.h"

#include "qo/wapi/exception.h"
#include "qo/wapi/system_text.h"

#include <sys/stat.h>

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <memory>
#include <vector>

namespace {

constexpr std::uint32_t word_mask = 0xffffff;

struct file_closer_t {
    void operator()(std::FILE* file) const { std::fclose(file); }
};

} // namespace

void checksum_t::reset() {
    *this = checksum_t();
}

void checksum_t::set_range(std::uint32_t offset, std::uint32_t length) {
    offset_ = offset;
    remaining_ = length;
    sum_ = 0;
    last_word_ = 0;
    carry_count_ = 0;
}

void checksum_t::add_byte(std::uint8_t byte) {
    if (carry_count_ < 2) {
        carry_[carry_count_++] = byte;
        return;
    }
    const std::uint32_t word = carry_[0] | (carry_[1] << 8) | (static_cast<std::uint32_t>(byte) << 16);
    carry_count_ = 0;
    last_word_ = word;
    sum_ = (sum_ + word) & word_mask;
}

checksum_t& checksum_t::add_file(const std::string& path) {
    std::unique_ptr<std::FILE, file_closer_t> file(std::fopen(path.c_str(), "rb"));
    if (!file)
        throw qo::wapi::exception_t(qo::wapi::error_from_errno(errno), "error opening file");
    struct stat info {};
    if (::fstat(fileno(file.get()), &info) != 0)
        throw qo::wapi::exception_t(qo::wapi::error_from_errno(errno), "error opening file");

    // Only bytes the file holds count: a range longer than the file, or an
    // offset past its end, consumes what there is and leaves the rest for
    // the next file.
    const std::uint64_t size = static_cast<std::uint64_t>(info.st_size);
    const std::uint64_t start = offset_;
    offset_ = 0;
    std::uint64_t n = size > start ? size - start : 0;
    n = std::min<std::uint64_t>(n, remaining_);
    if (n > 0 && std::fseek(file.get(), static_cast<long>(start), SEEK_SET) != 0)
        throw qo::wapi::exception_t(qo::wapi::error_from_errno(errno), "error reading file");

    std::vector<std::uint8_t> buffer(64 * 1024);
    while (n > 0) {
        const std::size_t want = static_cast<std::size_t>(std::min<std::uint64_t>(n, buffer.size()));
        const std::size_t got = std::fread(buffer.data(), 1, want, file.get());
        if (got == 0) {
            if (std::ferror(file.get()))
                throw qo::wapi::exception_t(qo::wapi::error_from_errno(errno), "error reading file");
            // The file shrank since it was measured.
            break;
        }
        for (std::size_t i = 0; i < got; ++i)
            add_byte(buffer[i]);
        n -= got;
        remaining_ -= static_cast<std::uint32_t>(got);
    }
    return *this;
}
