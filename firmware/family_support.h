#pragma once
// Small helpers the device families share.
#include <sys/stat.h>

#include <cstdint>
#include <exception>
#include <initializer_list>
#include <memory>
#include <string>

#include "firmware/base.h"
#include "firmware/checksum.h"
#include "firmware/tftp.h"
#include "qo/exception.h"

namespace update::support {

// A part's identifying checksum: its last word when the range sums to 0.
inline std::uint32_t part_checksum(const checksum_t& checksum) {
    return checksum.is_zero() ? checksum.last_word() : 0;
}

// The checksum of an image range; `valid` tells whether it sums to 0.
inline std::uint32_t image_part(const std::string& path, std::uint32_t offset,
                                std::uint32_t length, bool& valid) {
    checksum_t checksum;
    checksum.set_range(offset, length);
    checksum.add_file(path);
    // A range longer than what is left of the file is no valid part.
    valid = checksum.is_zero() && checksum.remaining() == 0;
    return part_checksum(checksum);
}

// Whether an image range sums to 0, as its download will be verified.
inline bool part_valid(const std::string& path, std::uint32_t offset, std::uint32_t length) {
    bool valid = false;
    image_part(path, offset, length, valid);
    return valid;
}

// Refuses an image part that would fail its verification. Called before the
// first block of a download goes out: a unit whose running code is
// overwritten by an image that then fails is left without working code.
inline void require_valid_parts(std::initializer_list<bool> parts) {
    for (const bool valid : parts)
        if (!valid)
            throw qo::exception_t("Invalid checksum in the selected firmware.");
}

// true when the path is a regular file of exactly `size` bytes.
inline bool has_size(const std::string& path, std::uint64_t size) {
    struct stat info {};
    return ::stat(path.c_str(), &info) == 0 && S_ISREG(info.st_mode) &&
           static_cast<std::uint64_t>(info.st_size) == size;
}

// The first step of every probe: status "Start uploading...", percent 10,
// and a read of the family's boot file. A new family object F when the unit
// served it; the read's result goes to `tftp_result`.
template <typename F>
std::shared_ptr<base_t> probe_boot_file(const qo::ip_address_t& unit,
                                        const std::shared_ptr<status_t>& status,
                                        const char* remote, int& tftp_result) {
    try {
        status->set_status(status_start_uploading);
        status->set_percent(10);
        const work_dir_t dir;
        const scoped_file_t boot(dir.path() + "/temp_boot1" + unit.to_string());
        tftp_result = tftp::get(unit, remote, boot, F::largest_file);
        if (tftp_result == tftp::result_done)
            return std::make_shared<F>(unit, status);
    } catch (const std::exception&) {
    }
    return nullptr;
}

} // namespace update::support
