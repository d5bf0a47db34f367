#include "firmware/tolkamd.h"

#include "firmware/checksum.h"
#include "firmware/family_support.h"
#include "firmware/tolk.h"
#include "qo/exception.h"
#include "qo/format.h"

namespace update {

namespace {

// The runtime code lives in the four files of one of these banks.
constexpr int low_bank = 8;
constexpr int high_bank = 12;
constexpr std::uint32_t file_size = 0x10000;

std::string file_name(int number) {
    return qo::format("a%02d", number);
}

} // namespace

tolkamd_t::tolkamd_t(const qo::ip_address_t& unit, std::shared_ptr<status_t> status)
    : base_t(unit, std::move(status)) {}

std::shared_ptr<base_t> tolkamd_t::probe(const qo::ip_address_t& unit,
                                         const std::shared_ptr<status_t>& status,
                                         int& tftp_result) {
    return support::probe_boot_file<tolkamd_t>(unit, status, "a01", tftp_result);
}

bool tolkamd_t::image_check(const std::string&, checksums_t&) {
    return false;
}

update_flags_t tolkamd_t::compare(const unit_state_t& unit, const checksums_t& image_checksums,
                                  const std::string&) const {
    return tolk_t::compare_rule(unit, image_checksums);
}

void tolkamd_t::upload_unit(unit_state_t& fresh) {
    const scoped_file_t temp[4] = {scoped_file_t(temp_file("temp_boot1")),
                                   scoped_file_t(temp_file("temp_boot2")),
                                   scoped_file_t(temp_file("temp_boot3")),
                                   scoped_file_t(temp_file("temp_boot4"))};
    checksum_t checksum;

    set_status(status_reading_boot);
    set_percent(30);
    get_file("a01", temp[0]);
    set_percent(35);
    get_file("a02", temp[1]);
    set_percent(38);
    checksum.set_range(0, 0x6000);
    checksum.add_file(temp[0]).add_file(temp[1]);
    fresh.checksums.boot = checksum.part_checksum();

    set_status(status_uploading_code);
    for (const auto& [bank, percent] : {std::pair{low_bank, 45.0}, std::pair{high_bank, 65.0}}) {
        for (int k = 0; k < 4; ++k) {
            get_file(file_name(bank + k), temp[k]);
            set_percent(percent - 5 + 5 * k);
        }
        checksum.set_range(0, 0x3ffff);
        for (const scoped_file_t& file : temp)
            checksum.add_file(file);
        if (checksum.is_firmware_part()) {
            set_status(status_upload_code_complete);
            fresh.code_bank = bank;
            fresh.checksums.code = checksum.last_word();
            checksum.set_range(0, 0x1110f);
            checksum.add_file(temp[2]).add_file(temp[3]);
            fresh.checksums.fpga2 = checksum.part_checksum();
            break;
        }
    }

    set_status(status_uploading_xilinx);
    get_file("a05", temp[0]);
    set_percent(80);
    get_file("a06", temp[1]);
    set_percent(85);
    set_status(status_upload_xilinx_complete);
    checksum.set_range(0, 0x1110f);
    checksum.add_file(temp[0]).add_file(temp[1]);
    fresh.checksums.fpga = checksum.part_checksum();

    set_status(status_uploading_config);
    get_file("a03", temp[0]);
    set_percent(90);
    set_status(status_upload_config_complete);
    read_record(temp[0], config_.data(), config_.size());
    fresh.current_mac = read_mac(temp[0], 4);
    set_percent(100);
}

void tolkamd_t::download_unit(const std::string& image, const checksums_t& c, int boot_mode,
                              int runtime_mode) {
    set_percent(10);
    const unit_state_t unit = state();
    const update_flags_t flags = tolk_t::compare_rule(unit, c);
    const auto [write_boot, write_code, write_fpga] =
        tolk_t::plan_download(image, c, flags, boot_mode, runtime_mode);
    checksum_t checksum;

    if (write_boot) {
        set_status(status_updating_boot);
        checksum.set_range(0, 0x6000);
        set_status(status_downloading_boot);
        change_state([](unit_state_t& s) { s.checksums.boot = 0; });
        download_verified(image, "a01", 0, 0x4000, checksum);
        set_percent(15);
        download_verified(image, "a02", 0x4000, 0x2000, checksum);
        if (!checksum.is_firmware_part())
            throw qo::exception_t("Boot download invalid");
        change_state([&](unit_state_t& s) { s.checksums.boot = checksum.last_word(); });
        set_status(status_boot_complete);
    }
    set_percent(20);

    if (write_code) {
        set_status(status_updating_code);
        // The new code goes to the bank that does not run; the running one is
        // given up only once the new one verified.
        const int new_bank = unit.code_bank == low_bank ? high_bank : low_bank;
        const int old_bank = unit.code_bank == low_bank ? low_bank : high_bank;
        checksum.set_range(0, 0x3ffff);
        for (int k = 0; k < 4; ++k) {
            download_verified(image, file_name(new_bank + k),
                              0x40000 + static_cast<std::uint32_t>(k) * file_size, file_size,
                              checksum);
            set_percent(30 + 10 * k);
        }
        if (!checksum.is_firmware_part())
            throw qo::exception_t("Code download invalid");
        change_state([&](unit_state_t& s) {
            s.code_bank = new_bank;
            s.checksums.code = checksum.last_word();
            s.checksums.fpga2 = c.fpga2;
        });
        invalidate(file_name(old_bank));
        set_status(status_code_complete);
    }
    set_percent(70);

    if (write_fpga) {
        set_status(status_updating_fpga);
        set_status(status_downloading_fpga);
        checksum.set_range(0, 0x1110f);
        change_state([](unit_state_t& s) { s.checksums.fpga = 0; });
        download_verified(image, "a05", 0x10000, file_size, checksum);
        set_percent(80);
        download_verified(image, "a06", 0x20000, file_size, checksum);
        if (!checksum.is_firmware_part())
            throw qo::exception_t(support::fpga_invalid_text);
        change_state([&](unit_state_t& s) { s.checksums.fpga = checksum.last_word(); });
        set_status(status_fpga_complete);
    }
    set_percent(90);

    if (flags.config_update)
        download_config(unit, config_, "a03", 4);

    // Unlike the other families, with a full stop.
    set_status("download done.");
    set_percent(100);
}

} // namespace update
