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

// The texts a download is refused with when the image does not hold a part
// it would write; the after-write checks of the FPGA parts fail with the
// same texts.
inline constexpr const char* invalid_image_text = "Invalid checksum in the selected firmware.";
inline constexpr const char* fpga_invalid_text = "Fpga download invalid";
inline constexpr const char* fpga2_invalid_text = "Second Xilinx download invalid";

// The checksum of an image range (0 unless it is a firmware part); `valid`
// tells whether it is one.
inline std::uint32_t image_part(const std::string& path, std::uint32_t offset,
                                std::uint32_t length, bool& valid) {
    checksum_t checksum;
    checksum.set_range(offset, length);
    checksum.add_file(path);
    valid = checksum.is_firmware_part();
    return checksum.part_checksum();
}

// Whether an image range holds a firmware part, as its download will be
// verified.
inline bool part_valid(const std::string& path, std::uint32_t offset, std::uint32_t length) {
    bool valid = false;
    image_part(path, offset, length, valid);
    return valid;
}

// One part a download may write: `valid` is false only when it will be
// written and the image does not hold it; `refusal` is the download's text
// for that part.
struct part_check_t {
    bool valid;
    const char* refusal;
};

// Refuses the download at the first part that would fail. Called before the
// first block of a download goes out: a part found bad only after it was
// written leaves the unit with that bank broken, and a running code
// overwritten by an image that then fails leaves it without working code.
inline void require_valid_parts(std::initializer_list<part_check_t> parts) {
    for (const part_check_t& part : parts)
        if (!part.valid)
            throw qo::exception_t(part.refusal);
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
