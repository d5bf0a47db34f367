#pragma once
// The plinth family: 512 KiB images. The unit keeps boot code, a data area
// and the configuration record together in one 64 KiB file "f8", runtime
// code in one of the files "f1" and "f2", and a second FPGA image beside
// each code file ("f3" beside "f1", "f4" beside "f2"). The code is small
// (checksum range 0x7ffe) or large (0xffff).
#include <array>
#include <cstdint>
#include <memory>
#include <string>

#include "firmware/base.h"

namespace update {

class plinth_t final : public base_t {
public:
    // Its largest bank file, in bytes.
    static constexpr std::uint32_t largest_file = 0x10000;

    static constexpr int type_code = 1;
    static constexpr std::uint32_t image_size = 0x80000;
    static constexpr std::size_t config_size = 1024;
    // Where the configuration record and the MAC lie in "f8".
    static constexpr long config_offset = 0xfc00;
    static constexpr long mac_offset = 0xfc04;

    // The unit's code kind (kept in the unit state's code bank).
    enum code_kind_t : std::int32_t { no_code = 0, small_code = 1, large_code = 2 };

    plinth_t(const qo::ip_address_t& unit, std::shared_ptr<status_t> status);

    // A new plinth_t when the unit serves "f8".
    static std::shared_ptr<base_t> probe(const qo::ip_address_t& unit,
                                         const std::shared_ptr<status_t>& status, int& tftp_result);
    static bool image_check(const std::string& path, checksums_t& checksums);
    // The update rule; `image_data_sum` is the sum of the image's data area,
    // which stands in for the image's reserved checksum.
    static update_flags_t compare_rule(const unit_state_t& unit, const checksums_t& image,
                                       std::uint32_t image_data_sum);

    int type() const override { return type_code; }

protected:
    std::uint32_t file_limit() const override { return largest_file; }
    void upload_unit(unit_state_t& fresh) override;
    void download_unit(const std::string& image, const checksums_t& image_checksums, int boot_mode,
                       int runtime_mode) override;
    update_flags_t compare(const unit_state_t& unit, const checksums_t& image_checksums,
                           const std::string& image) const override;

private:
    // The file number of the running code: 1 or 2, 0 while unknown.
    int code_file_ = 0;
    std::array<std::uint8_t, config_size> config_{};
};

} // namespace update
