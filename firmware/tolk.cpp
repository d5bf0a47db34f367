#include "firmware/tolk.h"

#include "firmware/checksum.h"
#include "firmware/family_support.h"
#include "firmware/tftp.h"
#include "qo/exception.h"
#include "qo/format.h"

#include <sys/stat.h>

#include <exception>

namespace update {

namespace {

// The runtime code lives in the pair that starts at one of these files.
constexpr int low_pair = 6;
constexpr int high_pair = 8;

std::string bank_name(int bank) {
    return qo::format("m%02d", bank);
}

using support::image_part;

} // namespace

tolk_t::tolk_t(const qo::ip_address_t& unit, std::shared_ptr<status_t> status)
    : base_t(unit, std::move(status)) {}

std::shared_ptr<base_t> tolk_t::probe(const qo::ip_address_t& unit,
                                      const std::shared_ptr<status_t>& status, int& tftp_result) {
    try {
        status->set_status(status_start_uploading);
        status->set_percent(10);
        const work_dir_t dir;
        const scoped_file_t boot(dir.path() + "/temp_boot1" + unit.to_string());
        tftp_result = tftp::get(unit, "m01", boot);
        if (tftp_result == tftp::result_done)
            return std::make_shared<tolk_t>(unit, status);
    } catch (const std::exception&) {
    }
    return nullptr;
}

bool tolk_t::image_check(const std::string& path, checksums_t& checksums) {
    struct stat info {};
    if (::stat(path.c_str(), &info) != 0 || !S_ISREG(info.st_mode) || info.st_size != image_size)
        return false;
    try {
        checksums_t found;
        bool valid = false;
        found.code = image_part(path, 0x40000, 0x3ffff, valid);
        if (!valid)
            found.code = image_part(path, 0x80000, 0x3ffff, valid);
        if (!valid)
            return false;
        found.boot = image_part(path, 0, 0x6000, valid);
        found.fpga = image_part(path, 0x10000, 0x1110f, valid);
        found.fpga2 = image_part(path, 0x60000, 0x1110f, valid);
        checksums = found;
        return true;
    } catch (const std::exception&) {
        return false;
    }
}

update_flags_t tolk_t::compare_rule(const unit_state_t& unit, const checksums_t& image) {
    const checksums_t& u = unit.checksums;
    const bool d0 = image.code != u.code;
    const bool d1 = image.boot != u.boot;
    const bool d2 = image.reserved != u.reserved;
    const bool d3 = image.fpga != u.fpga;
    const bool d4 = image.fpga2 != u.fpga2;

    update_flags_t flags;
    flags.code_update = d0 || d4;
    flags.boot_differs = d1;
    flags.reserved_differs = d2;
    flags.fpga2_differs = d4;
    // An image with a second FPGA carries it in the code pair; the first
    // FPGA then goes only together with a new boot.
    flags.fpga_update = d3 && !(!d1 && image.fpga2 != 0);
    flags.config_update = !unit.new_mac.is_zero();
    flags.boot_update = (d1 || flags.fpga_update) && image.fpga2 == 0;
    return flags;
}

update_flags_t tolk_t::compare(const unit_state_t& unit, const checksums_t& image_checksums,
                               const std::string&) const {
    return compare_rule(unit, image_checksums);
}

void tolk_t::upload_unit(unit_state_t& fresh) {
    const scoped_file_t first(temp_file("temp_boot1"));
    const scoped_file_t second(temp_file("temp_boot2"));
    checksum_t checksum;

    set_status(status_reading_boot);
    set_percent(30);
    get_file("m01", first);
    set_percent(35);
    get_file("m02", second);
    set_percent(40);
    checksum.set_range(0, 0x6000);
    checksum.add_file(first).add_file(second);
    fresh.checksums.boot = checksum.part_checksum();

    set_status(status_uploading_code);
    const int pairs[] = {low_pair, high_pair};
    double percent = 50;
    for (const int bank : pairs) {
        get_file(bank_name(bank), first);
        set_percent(percent);
        get_file(bank_name(bank + 1), second);
        set_percent(percent + 5);
        checksum.set_range(0, 0x3ffff);
        checksum.add_file(first).add_file(second);
        if (checksum.is_firmware_part()) {
            set_status(status_upload_code_complete);
            fresh.code_bank = bank;
            fresh.checksums.code = checksum.last_word();
            checksum.set_range(0, 0x1110f);
            checksum.add_file(second);
            fresh.checksums.fpga2 = checksum.part_checksum();
            break;
        }
        percent += 10;
    }

    set_status(status_uploading_xilinx);
    get_file("m04", first);
    set_percent(70);
    get_file("m05", second);
    set_percent(75);
    set_status(status_upload_xilinx_complete);
    checksum.set_range(0x8000, 0x1110f);
    checksum.add_file(first).add_file(second);
    fresh.checksums.fpga = checksum.part_checksum();

    set_status(status_uploading_config);
    get_file("m03", first);
    set_percent(80);
    set_status(status_upload_config_complete);
    read_record(first, config_.data(), config_.size());
    fresh.current_mac = read_mac(first, 4);
    set_percent(100);
}

tolk_t::download_plan_t tolk_t::plan_download(const std::string& image, const checksums_t& c,
                                              const update_flags_t& flags, int boot_mode,
                                              int runtime_mode) {
    using support::part_valid;
    download_plan_t plan;
    plan.write_boot = boot_mode == 2 || (boot_mode == 1 && flags.boot_differs) ||
                      (boot_mode == 0 && flags.boot_update);
    plan.write_code = flags.code_update || runtime_mode == 1;
    plan.write_fpga = boot_mode == 2 || (boot_mode == 1 && flags.fpga_update) ||
                      (boot_mode == 0 && flags.fpga_update && flags.boot_update);
    // The code pair carries the second FPGA when the image has one.
    support::require_valid_parts(
        {{!plan.write_boot || part_valid(image, 0, 0x6000), support::invalid_image_text},
         {!plan.write_code || (part_valid(image, 0x40000, 0x3ffff) &&
                               (c.fpga2 == 0 || part_valid(image, 0x60000, 0x1110f))),
          support::invalid_image_text},
         {!plan.write_fpga || part_valid(image, 0x10000, 0x1110f), support::fpga_invalid_text}});
    return plan;
}

void tolk_t::download_unit(const std::string& image, const checksums_t& c, int boot_mode,
                           int runtime_mode) {
    set_percent(10);
    const unit_state_t unit = state();
    const update_flags_t flags = compare_rule(unit, c);
    const auto [write_boot, write_code, write_fpga] =
        plan_download(image, c, flags, boot_mode, runtime_mode);
    checksum_t checksum;

    if (write_boot) {
        set_status(status_updating_boot);
        checksum.set_range(0, 0x6000);
        set_status(status_downloading_boot);
        // From the first write on the unit's boot is what this step leaves.
        change_state([](unit_state_t& s) { s.checksums.boot = 0; });
        download_verified(image, "m01", 0, 0x4000, checksum);
        set_percent(15);
        download_verified(image, "m02", 0x4000, 0x2000, checksum);
        if (!checksum.is_firmware_part())
            throw qo::exception_t("Boot download invalid");
        change_state([&](unit_state_t& s) { s.checksums.boot = checksum.last_word(); });
        set_status(status_boot_complete);
    }
    set_percent(20);

    if (write_code) {
        set_status(status_updating_code);
        checksum.set_range(0, 0x3ffff);
        // The new code goes to the pair that does not run; the running one
        // is given up only once the new one verified.
        const int new_pair = unit.code_bank == low_pair ? high_pair : low_pair;
        const int old_pair = unit.code_bank == low_pair ? low_pair : high_pair;
        download_verified(image, bank_name(new_pair), 0x40000, 0x20000, checksum);
        set_percent(40);
        download_verified(image, bank_name(new_pair + 1), 0x60000, 0x20000, checksum);
        set_percent(60);
        if (!checksum.is_firmware_part())
            throw qo::exception_t("Code download invalid");
        change_state([&](unit_state_t& s) {
            s.code_bank = new_pair;
            s.checksums.code = checksum.last_word();
            // The second FPGA is the start of the pair's second file.
            s.checksums.fpga2 = c.fpga2;
        });
        invalidate(bank_name(old_pair));
        set_status(status_code_complete);
    }
    set_percent(70);

    if (write_fpga) {
        set_status(status_updating_fpga);
        set_status(status_downloading_fpga);
        checksum.set_range(0x8000, 0x1110f);
        change_state([](unit_state_t& s) { s.checksums.fpga = 0; });
        download_verified(image, "m04", 0x8000, 0x18000, checksum);
        set_percent(80);
        download_verified(image, "m05", 0x20000, 0x20000, checksum);
        if (!checksum.is_firmware_part())
            throw qo::exception_t(support::fpga_invalid_text);
        change_state([&](unit_state_t& s) { s.checksums.fpga = checksum.last_word(); });
        set_status(status_fpga_complete);
    }
    set_percent(90);

    if (flags.config_update)
        download_config(unit, config_, "m03", 4);

    set_status(status_download_done);
    set_percent(100);
}

} // namespace update
