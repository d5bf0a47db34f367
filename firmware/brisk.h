#pragma once
// The brisk family: 128 KiB images with boot and runtime code only, kept in
// the unit as six 16 KiB files "r1" to "r6". The configuration record lies
// inside the second boot file, so a new MAC is written by rewriting boot.
// Runtime code is small (two files, in either pair "r3"/"r4" or "r5"/"r6")
// or large (all four).
#include <array>
#include <cstdint>
#include <memory>
#include <string>

#include "firmware/base.h"

namespace update {

class brisk_t final : public base_t {
public:
    // Its largest bank file, in bytes.
    static constexpr std::uint32_t largest_file = 0x4000;

    static constexpr int type_code = 0;
    static constexpr std::uint32_t image_size = 0x20000;
    static constexpr std::size_t config_size = 1024;
    // Where the configuration record and the MAC lie in "r2".
    static constexpr long config_offset = 0x3c00;
    static constexpr long mac_offset = 0x3c04;

    // The unit's code layout (kept in the unit state's code bank).
    enum layout_t : std::int32_t {
        layout_unknown = 0,
        small_in_r3 = 1,
        small_in_r5 = 2,
        large = 3,
    };

    brisk_t(const qo::ip_address_t& unit, std::shared_ptr<status_t> status);

    // A new brisk_t when the unit serves "r2".
    static std::shared_ptr<base_t> probe(const qo::ip_address_t& unit,
                                         const std::shared_ptr<status_t>& status, int& tftp_result);
    static bool image_check(const std::string& path, checksums_t& checksums);
    static update_flags_t compare_rule(const unit_state_t& unit, const checksums_t& image);

    int type() const override { return type_code; }

protected:
    std::uint32_t file_limit() const override { return largest_file; }
    void upload_unit(unit_state_t& fresh) override;
    void download_unit(const std::string& image, const checksums_t& image_checksums, int boot_mode,
                       int runtime_mode) override;
    update_flags_t compare(const unit_state_t& unit, const checksums_t& image_checksums,
                           const std::string& image) const override;

private:
    std::array<std::uint8_t, config_size> config_{};
};

} // namespace update
