#pragma once
// The tolk family: 1 MiB firmware images; the unit keeps boot in "m01" and
// "m02", its configuration sector in "m03", the FPGA image in "m04" and
// "m05" and runtime code in one of the bank pairs 6/7 and 8/9, the second
// FPGA image at the start of the pair's second file.
#include <array>
#include <cstdint>
#include <memory>
#include <string>

#include "firmware/base.h"

namespace update {

class tolk_t final : public base_t {
public:
    // Its largest bank file, in bytes.
    static constexpr std::uint32_t largest_file = 0x20000;

    static constexpr int type_code = 2;
    static constexpr std::uint32_t image_size = 0x100000;
    static constexpr std::size_t config_size = 8192;

    tolk_t(const qo::ip_address_t& unit, std::shared_ptr<status_t> status);

    // A new tolk_t when the unit serves "m01".
    static std::shared_ptr<base_t> probe(const qo::ip_address_t& unit,
                                         const std::shared_ptr<status_t>& status, int& tftp_result);
    static bool image_check(const std::string& path, checksums_t& checksums);
    // The update rule of the tolk modules (tolkamd shares it).
    static update_flags_t compare_rule(const unit_state_t& unit, const checksums_t& image);
    // What a download writes by that rule and the modes, after every part
    // of the image to be written is checked: a bad one is refused before the
    // first block goes out.
    struct download_plan_t {
        bool write_boot = false;
        bool write_code = false;
        bool write_fpga = false;
    };
    static download_plan_t plan_download(const std::string& image,
                                         const checksums_t& image_checksums,
                                         const update_flags_t& flags, int boot_mode,
                                         int runtime_mode);

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
