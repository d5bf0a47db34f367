#include "firmware/status.h"

namespace update {

namespace {

const char* const texts[status_row_count] = {
    "Unexpected error during firmware file transfer.",
    "Timeout during firmware file transfer.\r\nPlease check network connections and try again.",
    "Start uploading...",
    "Reading boot bank",
    "Uploading the runtime code",
    "Upload runtime code complete, checksuming code",
    "Uploading the xilinx code",
    "Upload the xilinx code complete",
    "Uploading the configuration sector",
    "Upload the configuration sector complete",
    "Updating boot code",
    "Downloading boot",
    "Boot update complete",
    "Updating runtime code",
    "Code update complete",
    "Updating FPGA code",
    "Downloading FPGA",
    "FPGA update complete",
    "Updating configuration",
    "Downloading configuration",
    "Configuration update complete",
    "download done",
    "Extracting configuration record",
    "Compute boot checksum",
    "Upload second xilinx complete, checksuming xilinx",
    "Downloading second xilinx",
};

} // namespace

const char* status_text(int row) {
    if (row < 0 || static_cast<std::size_t>(row) >= status_row_count)
        return "";
    return texts[row];
}

void job_status_t::set_status(const std::string& text) {
    std::lock_guard guard(lock_);
    text_ = text;
}

void job_status_t::set_percent(double percent) {
    std::lock_guard guard(lock_);
    percent_ = percent;
}

std::string job_status_t::status() const {
    std::lock_guard guard(lock_);
    return text_;
}

double job_status_t::percent() const {
    std::lock_guard guard(lock_);
    return percent_;
}

} // namespace update
