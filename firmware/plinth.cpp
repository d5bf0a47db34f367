#include "firmware/plinth.h"

#include "firmware/checksum.h"
#include "firmware/family_support.h"
#include "qo/exception.h"

namespace update {

namespace {

using support::image_part;
using support::part_valid;

constexpr std::uint32_t file_size = 0x10000;
constexpr std::uint32_t small_length = 0x7ffe;
constexpr std::uint32_t large_length = 0xffff;
constexpr std::uint32_t fpga2_length = 0x5700;
// In "f8" and, 0x70000 further, in the image.
constexpr std::uint32_t boot_offset = 0x8000;
constexpr std::uint32_t boot_length = 0x7bff;
constexpr std::uint32_t data_offset = 0xc000;
constexpr std::uint32_t data_length = 0x1e00;
constexpr std::uint32_t f8_in_image = 0x70000;
constexpr std::uint32_t fpga2_in_image = 0x20000;

// The 24-bit sum of a range (the data area is summed, not sealed).
std::uint32_t range_sum(const std::string& path, std::uint32_t offset, std::uint32_t length) {
    checksum_t checksum;
    checksum.set_range(offset, length);
    checksum.add_file(path);
    return checksum.sum();
}

std::string code_name(int number) {
    return "f" + std::to_string(number);
}

} // namespace

plinth_t::plinth_t(const qo::ip_address_t& unit, std::shared_ptr<status_t> status)
    : base_t(unit, std::move(status)) {}

std::shared_ptr<base_t> plinth_t::probe(const qo::ip_address_t& unit,
                                        const std::shared_ptr<status_t>& status,
                                        int& tftp_result) {
    return support::probe_boot_file<plinth_t>(unit, status, "f8", tftp_result);
}

bool plinth_t::image_check(const std::string& path, checksums_t& checksums) {
    if (!support::has_size(path, image_size))
        return false;
    try {
        checksums_t found;
        bool valid = false;
        found.code = image_part(path, 0, small_length, valid);
        if (!valid)
            found.code = image_part(path, 0, large_length, valid);
        if (!valid)
            return false;
        found.boot = image_part(path, f8_in_image + boot_offset, boot_length, valid);
        if (!valid)
            return false;
        found.fpga2 = image_part(path, fpga2_in_image, fpga2_length, valid);
        checksums = found;
        return true;
    } catch (const std::exception&) {
        return false;
    }
}

update_flags_t plinth_t::compare_rule(const unit_state_t& unit, const checksums_t& image,
                                      std::uint32_t image_data_sum) {
    const checksums_t& u = unit.checksums;
    const bool d0 = image.code != u.code;
    const bool d1 = image.boot != u.boot;
    const bool d2 = image_data_sum != u.reserved;
    const bool d4 = image.fpga2 != u.fpga2;
    const bool new_mac = !unit.new_mac.is_zero();

    update_flags_t flags;
    flags.code_update = d0 || d4;
    flags.reserved_differs = d2;
    flags.boot_differs = d2 || (d1 && image.fpga2 == 0) || new_mac;
    flags.boot_update =
        new_mac || (flags.boot_differs && image.fpga2 == 0) || unit.code_bank != large_code;
    return flags;
}

update_flags_t plinth_t::compare(const unit_state_t& unit, const checksums_t& image_checksums,
                                 const std::string& image) const {
    return compare_rule(unit, image_checksums,
                        range_sum(image, f8_in_image + data_offset, data_length));
}

void plinth_t::upload_unit(unit_state_t& fresh) {
    const scoped_file_t boot(temp_file("temp_boot1"));
    checksum_t checksum;

    set_status(status_reading_boot);
    set_percent(30);
    get_file("f8", boot);

    set_status(status_extracting_config);
    set_percent(50);
    read_record(boot, config_.data(), config_.size(), config_offset);
    fresh.current_mac = read_mac(boot, mac_offset);

    set_status(status_boot_checksum);
    set_percent(55);
    checksum.set_range(boot_offset, boot_length);
    checksum.add_file(boot);
    fresh.checksums.boot = checksum.part_checksum();
    fresh.checksums.reserved = range_sum(boot, data_offset, data_length);

    set_status(status_uploading_code);
    const scoped_file_t runtime(temp_file("runtime1"));
    int found = 0;
    for (const auto& [number, percent] : {std::pair{1, 60.0}, std::pair{2, 70.0}}) {
        get_file(code_name(number), runtime);
        set_percent(percent);
        checksum.set_range(0, small_length);
        checksum.add_file(runtime);
        if (checksum.is_firmware_part()) {
            fresh.code_bank = small_code;
        } else {
            checksum.set_range(0, large_length);
            checksum.add_file(runtime);
            fresh.code_bank = checksum.is_firmware_part() ? large_code : no_code;
        }
        if (checksum.is_firmware_part()) {
            found = number;
            break;
        }
    }

    set_status(status_upload_code_complete);
    code_file_ = found;
    if (found != 0) {
        fresh.checksums.code = checksum.last_word();
        set_percent(80);
        get_file(code_name(found + 2), runtime);
        set_status(status_upload_xilinx2_complete);
        set_percent(90);
        checksum.set_range(0, fpga2_length);
        checksum.add_file(runtime);
        fresh.checksums.fpga2 = checksum.part_checksum();
    }
    set_percent(100);
}

void plinth_t::download_unit(const std::string& image, const checksums_t& c, int boot_mode,
                             int runtime_mode) {
    set_percent(10);
    const unit_state_t unit = state();
    const std::uint32_t image_data_sum = range_sum(image, f8_in_image + data_offset, data_length);
    const update_flags_t flags = compare_rule(unit, c, image_data_sum);
    checksum_t checksum;
    const bool write_boot = boot_mode == 2 || (boot_mode == 1 && flags.boot_differs) ||
                            (boot_mode == 0 && flags.boot_update);
    const bool write_code = flags.code_update || runtime_mode == 1;
    // The image's code is small or large, whichever range holds it.
    const std::uint32_t code_length = part_valid(image, 0, small_length)   ? small_length
                                      : part_valid(image, 0, large_length) ? large_length
                                                                           : 0;
    support::require_valid_parts(
        {{!write_boot || part_valid(image, f8_in_image + boot_offset, boot_length),
          support::invalid_image_text},
         {!write_code || code_length != 0, support::invalid_image_text},
         {!write_code || c.fpga2 == 0 || part_valid(image, fpga2_in_image, fpga2_length),
          support::fpga2_invalid_text}});

    if (write_boot) {
        set_status(status_updating_boot);
        // The boot file carries the unit's own configuration record, with
        // the new MAC when one was asked for.
        const scoped_file_t boot(temp_file("boot1"));
        extract_range(image, boot, f8_in_image, file_size);
        patch_record(boot, config_.data(), config_.size(), config_offset);
        if (!unit.new_mac.is_zero())
            write_mac(boot, mac_offset, unit.new_mac);
        set_status(status_downloading_boot);
        checksum.set_range(boot_offset, boot_length);
        change_state([](unit_state_t& s) { s.checksums.boot = 0; });
        download_verified(boot, "f8", 0, file_size, checksum);
        if (!checksum.is_firmware_part())
            throw qo::exception_t("Boot download invalid");
        change_state([&](unit_state_t& s) {
            s.checksums.boot = checksum.last_word();
            s.checksums.reserved = image_data_sum;
            if (!unit.new_mac.is_zero()) {
                s.current_mac = unit.new_mac;
                if (s.new_mac == unit.new_mac)
                    s.new_mac.clear();
            }
        });
        set_status(status_boot_complete);
        set_percent(20);
    }

    if (write_code) {
        set_status(status_updating_code);
        const int running = code_file_;
        const int new_file = running == 1 ? 2 : 1;
        const int old_file = running == 1 ? 1 : 2;
        checksum.set_range(0, code_length);
        download_verified(image, code_name(new_file), 0, file_size, checksum);
        if (!checksum.is_firmware_part())
            throw qo::exception_t("Code download invalid");
        const std::uint32_t code = checksum.last_word();
        set_percent(50);

        if (c.fpga2 != 0) {
            set_status(status_downloading_xilinx2);
            checksum.set_range(0, fpga2_length);
            download_verified(image, code_name(new_file + 2), fpga2_in_image, file_size, checksum);
            if (!checksum.is_firmware_part())
                throw qo::exception_t(support::fpga2_invalid_text);
            set_percent(80);
        }

        // The new code and its FPGA verified: from here on the unit runs
        // them, whatever happens to the old files.
        code_file_ = new_file;
        change_state([&](unit_state_t& s) {
            s.code_bank = code_length == small_length ? small_code : large_code;
            s.checksums.code = code;
            s.checksums.fpga2 = c.fpga2;
        });
        set_status("Invalidating old code bank " + code_name(old_file));
        invalidate({code_name(old_file).c_str(), code_name(old_file + 2).c_str()});
        set_status(status_code_complete);
    }

    set_status(status_download_done);
    set_percent(100);
}

} // namespace update
