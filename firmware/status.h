#pragma once
// Progress of an update job as the device families report it: a status text
// and a percentage, read by the automation thread while the job's thread
// writes them.
#include <cstddef>
#include <mutex>
#include <string>

namespace update {

// The status texts the families and jobs show, by row.
enum status_row_t : int {
    status_unexpected_error = 0,
    status_timeout = 1,
    status_start_uploading = 2,
    status_reading_boot = 3,
    status_uploading_code = 4,
    status_upload_code_complete = 5,
    status_uploading_xilinx = 6,
    status_upload_xilinx_complete = 7,
    status_uploading_config = 8,
    status_upload_config_complete = 9,
    status_updating_boot = 10,
    status_downloading_boot = 11,
    status_boot_complete = 12,
    status_updating_code = 13,
    status_code_complete = 14,
    status_updating_fpga = 15,
    status_downloading_fpga = 16,
    status_fpga_complete = 17,
    status_updating_config = 18,
    status_downloading_config = 19,
    status_config_complete = 20,
    status_download_done = 21,
    status_extracting_config = 22,
    status_boot_checksum = 23,
    status_upload_xilinx2_complete = 24,
    status_downloading_xilinx2 = 25,
};

constexpr std::size_t status_row_count = 26;

// The text of a row; an empty text for a row outside the table.
const char* status_text(int row);

// Where a family reports its progress.
class status_t {
public:
    virtual ~status_t() = default;
    virtual void set_status(const std::string& text) = 0;
    // 0 to 100.
    virtual void set_percent(double percent) = 0;
    virtual std::string status() const = 0;
    virtual double percent() const = 0;

    void set_status(int row) { set_status(std::string(status_text(row))); }
};

// The sink of one job: both values under one lock.
class job_status_t final : public status_t {
public:
    void set_status(const std::string& text) override;
    void set_percent(double percent) override;
    std::string status() const override;
    double percent() const override;
    using status_t::set_status;

private:
    mutable std::mutex lock_;
    std::string text_;
    double percent_ = 0;
};

} // namespace update
