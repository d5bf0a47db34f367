#include "firmware/brisk.h"

#include "firmware/checksum.h"
#include "firmware/family_support.h"
#include "qo/exception.h"

namespace update {

namespace {

using support::image_part;
using support::part_valid;

constexpr std::uint32_t file_size = 0x4000;
constexpr std::uint32_t boot_length = 0x7bff;
constexpr std::uint32_t small_code = 0x7ffe;
constexpr std::uint32_t large_code = 0xffff;
constexpr std::uint32_t code_start = 0x8000;

} // namespace

brisk_t::brisk_t(const qo::ip_address_t& unit, std::shared_ptr<status_t> status)
    : base_t(unit, std::move(status)) {}

std::shared_ptr<base_t> brisk_t::probe(const qo::ip_address_t& unit,
                                       const std::shared_ptr<status_t>& status, int& tftp_result) {
    return support::probe_boot_file<brisk_t>(unit, status, "r2", tftp_result);
}

bool brisk_t::image_check(const std::string& path, checksums_t& checksums) {
    if (!support::has_size(path, image_size))
        return false;
    try {
        checksums_t found;
        bool valid = false;
        found.code = image_part(path, code_start, small_code, valid);
        if (!valid)
            found.code = image_part(path, code_start, large_code, valid);
        if (!valid)
            return false;
        found.boot = image_part(path, 0, boot_length, valid);
        if (!valid)
            return false;
        checksums = found;
        return true;
    } catch (const std::exception&) {
        return false;
    }
}

update_flags_t brisk_t::compare_rule(const unit_state_t& unit, const checksums_t& image) {
    const checksums_t& u = unit.checksums;
    update_flags_t flags;
    flags.code_update = image.code != u.code;
    // The MAC lives in the second boot file: a new one means a new boot.
    flags.boot_differs = image.boot != u.boot || !unit.new_mac.is_zero();
    flags.boot_update = flags.boot_differs;
    flags.reserved_differs = image.reserved != u.reserved;
    return flags;
}

update_flags_t brisk_t::compare(const unit_state_t& unit, const checksums_t& image_checksums,
                                const std::string&) const {
    return compare_rule(unit, image_checksums);
}

void brisk_t::upload_unit(unit_state_t& fresh) {
    const scoped_file_t boot1(temp_file("temp_boot1"));
    const scoped_file_t boot2(temp_file("temp_boot2"));
    checksum_t checksum;

    set_status(status_reading_boot);
    set_percent(30);
    get_file("r1", boot1);
    get_file("r2", boot2);

    set_status(status_extracting_config);
    set_percent(50);
    read_record(boot2, config_.data(), config_.size(), config_offset);
    fresh.current_mac = read_mac(boot2, mac_offset);

    set_status(status_boot_checksum);
    set_percent(55);
    checksum.set_range(0, boot_length);
    checksum.add_file(boot1).add_file(boot2);
    fresh.checksums.boot = checksum.part_checksum();

    set_status(status_uploading_code);
    set_percent(60);
    const scoped_file_t runtime[4] = {scoped_file_t(temp_file("runtime1")),
                                      scoped_file_t(temp_file("runtime2")),
                                      scoped_file_t(temp_file("runtime3")),
                                      scoped_file_t(temp_file("runtime4"))};
    get_file("r3", runtime[0]);
    set_percent(65);
    get_file("r4", runtime[1]);
    set_percent(70);
    checksum.set_range(0, small_code);
    checksum.add_file(runtime[0]).add_file(runtime[1]);
    std::int32_t layout = small_in_r3;
    if (!checksum.is_firmware_part()) {
        get_file("r5", runtime[2]);
        set_percent(75);
        get_file("r6", runtime[3]);
        set_percent(80);
        checksum.set_range(0, small_code);
        checksum.add_file(runtime[2]).add_file(runtime[3]);
        layout = small_in_r5;
        if (!checksum.is_firmware_part()) {
            layout = large;
            checksum.set_range(0, large_code);
            for (const scoped_file_t& file : runtime)
                checksum.add_file(file);
        }
    }
    set_status(status_upload_code_complete);
    // A large code that does not sum to 0 is no code: its last word would
    // name a version the unit does not run.
    fresh.code_bank = layout;
    fresh.checksums.code = checksum.part_checksum();
    set_percent(100);
}

void brisk_t::download_unit(const std::string& image, const checksums_t& c, int boot_mode,
                            int runtime_mode) {
    set_percent(10);
    const unit_state_t unit = state();
    const update_flags_t flags = compare_rule(unit, c);
    checksum_t checksum;
    // Modes 0 and 1 act alike here.
    const bool write_boot = flags.boot_differs || boot_mode == 2;
    const bool write_code = flags.code_update || runtime_mode == 1;
    support::require_valid_parts(
        {{!write_boot || part_valid(image, 0, boot_length), support::invalid_image_text},
         {!write_code || part_valid(image, code_start, small_code) ||
              part_valid(image, code_start, large_code),
          support::invalid_image_text}});

    if (write_boot) {
        set_status(status_updating_boot);
        // The second boot file carries the unit's own configuration record,
        // with the new MAC when one was asked for.
        const scoped_file_t boot2(temp_file("boot2"));
        extract_range(image, boot2, file_size, file_size);
        patch_record(boot2, config_.data(), config_.size(), config_offset);
        if (!unit.new_mac.is_zero())
            write_mac(boot2, mac_offset, unit.new_mac);
        checksum.set_range(0, boot_length);
        change_state([](unit_state_t& s) { s.checksums.boot = 0; });
        download_verified(image, "r1", 0, file_size, checksum);
        download_verified(boot2, "r2", 0, file_size, checksum);
        if (!checksum.is_firmware_part())
            throw qo::exception_t("Boot download invalid");
        change_state([&](unit_state_t& s) {
            s.checksums.boot = checksum.last_word();
            if (!unit.new_mac.is_zero()) {
                s.current_mac = unit.new_mac;
                if (s.new_mac == unit.new_mac)
                    s.new_mac.clear();
            }
        });
        set_percent(20);
    }

    if (write_code) {
        set_status(status_updating_code);
        const bool small = part_valid(image, code_start, small_code);
        std::int32_t layout = large;
        if (small) {
            // Small code goes to the pair that does not run; the rest of the
            // image then overwrites the old pair.
            const bool to_r5 = unit.code_bank == small_in_r3;
            const char* first = to_r5 ? "r5" : "r3";
            const char* second = to_r5 ? "r6" : "r4";
            const char* other_first = to_r5 ? "r3" : "r5";
            const char* other_second = to_r5 ? "r4" : "r6";
            checksum.set_range(0, small_code);
            change_state([](unit_state_t& s) { s.checksums.code = 0; });
            download_verified(image, first, 0x8000, file_size, checksum);
            set_percent(30);
            download_verified(image, second, 0xc000, file_size, checksum);
            set_percent(50);
            if (!checksum.is_firmware_part())
                throw qo::exception_t("Code download invalid");
            layout = to_r5 ? small_in_r5 : small_in_r3;
            const std::uint32_t code = checksum.last_word();
            change_state([&](unit_state_t& s) {
                s.code_bank = layout;
                s.checksums.code = code;
            });
            put_file(image, other_first, 0x10000, file_size);
            put_file(image, other_second, 0x14000, file_size);
        } else {
            checksum.set_range(0, large_code);
            change_state([](unit_state_t& s) { s.checksums.code = 0; });
            const char* files[] = {"r3", "r4", "r5", "r6"};
            for (int k = 0; k < 4; ++k) {
                download_verified(image, files[k],
                                  code_start + static_cast<std::uint32_t>(k) * file_size,
                                  file_size, checksum);
                set_percent(30 + 10 * k);
            }
            if (!checksum.is_firmware_part())
                throw qo::exception_t("Code download invalid");
            change_state([&](unit_state_t& s) {
                s.code_bank = large;
                s.checksums.code = checksum.last_word();
            });
        }
    }

    set_status(status_download_done);
    set_percent(100);
}

} // namespace update
