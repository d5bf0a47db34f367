#pragma once
// The tolkamd family: the second member of the tolk family, a module with
// another flash organisation. It takes the same 1 MiB images as tolk (so it
// has no image check of its own) and keeps its firmware in 64 KiB files
// "a%02d": boot in "a01" and "a02", the configuration sector in "a03", the
// FPGA image in "a05" and "a06" and runtime code in one of the banks 8 (files
// 8 to 11) and 12 (files 12 to 15), the second FPGA image in the bank's
// third and fourth files.
#include <array>
#include <cstdint>
#include <memory>
#include <string>

#include "firmware/base.h"

namespace update {

class tolkamd_t final : public base_t {
public:
    // Its largest bank file, in bytes.
    static constexpr std::uint32_t largest_file = 0x10000;

    static constexpr int type_code = 3;
    static constexpr std::size_t config_size = 8192;

    tolkamd_t(const qo::ip_address_t& unit, std::shared_ptr<status_t> status);

    // A new tolkamd_t when the unit serves "a01".
    static std::shared_ptr<base_t> probe(const qo::ip_address_t& unit,
                                         const std::shared_ptr<status_t>& status, int& tftp_result);
    // Never: the tolk image check lists these images.
    static bool image_check(const std::string& path, checksums_t& checksums);

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
