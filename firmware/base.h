#pragma once
// The common base of the device families and the family registry.
//
// A network audio module keeps its firmware as numbered files that its TFTP
// server serves and accepts: boot code, two banks of runtime code, FPGA
// images and a configuration sector. A family object knows where each part
// lies in an image and in the unit; it is made by its family's probe during
// an upload job, filled by the upload and then used by unit objects and
// download jobs, possibly long after the job that made it.
#include <cstdint>
#include <initializer_list>
#include <memory>
#include <mutex>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "firmware/status.h"
#include "qo/ip_address.h"
#include "qo/mac_address.h"

class checksum_t;

namespace update {

// The identifying checksums of a firmware's parts (last word of a valid
// range, else 0). The reserved one is used by the plinth family only.
struct checksums_t {
    std::uint32_t code = 0;
    std::uint32_t boot = 0;
    std::uint32_t reserved = 0;
    std::uint32_t fpga = 0;
    std::uint32_t fpga2 = 0;

    friend bool operator==(const checksums_t&, const checksums_t&) = default;
};

// Which parts of a unit an image would change.
struct update_flags_t {
    bool code_update = false;
    bool boot_differs = false;
    bool reserved_differs = false;
    bool fpga_update = false;
    bool fpga2_differs = false;
    bool config_update = false;
    bool boot_update = false;

    friend bool operator==(const update_flags_t&, const update_flags_t&) = default;
};

// What the updater knows of a unit. An upload reads it; every part a
// download verifies is written back, so a later download through the same
// object starts from what the unit now holds.
struct unit_state_t {
    checksums_t checksums;
    // The first file number of the bank that holds valid runtime code; 0
    // while unknown. The families that keep no banks use it for their own
    // code layout.
    std::int32_t code_bank = 0;
    qo::mac_address_t current_mac;
    // All zero until the client asks for another MAC.
    qo::mac_address_t new_mac;
};

// A private folder (mode 0700, under the temporary directory) for the
// temporary files of one operation, removed with its contents when it goes.
// Fixed names in a shared folder could be replaced by links to other files
// between two steps.
class work_dir_t {
public:
    // Throws qo::wapi::exception_t when the folder cannot be made.
    work_dir_t();
    ~work_dir_t();
    work_dir_t(const work_dir_t&) = delete;
    work_dir_t& operator=(const work_dir_t&) = delete;

    const std::string& path() const { return path_; }

private:
    std::string path_;
};

// Removes a temporary file when the step that made it ends, also on failure.
class scoped_file_t {
public:
    explicit scoped_file_t(std::string path) : path_(std::move(path)) {}
    ~scoped_file_t();
    scoped_file_t(const scoped_file_t&) = delete;
    scoped_file_t& operator=(const scoped_file_t&) = delete;

    const std::string& path() const { return path_; }
    operator const std::string&() const { return path_; }

private:
    std::string path_;
};

class base_t {
public:
    base_t(const qo::ip_address_t& unit, std::shared_ptr<status_t> status);
    virtual ~base_t();
    base_t(const base_t&) = delete;
    base_t& operator=(const base_t&) = delete;

    // Reads the unit into the object and returns its five checksums.
    checksums_t upload();
    // Writes the parts of the image that the modes choose: boot mode 0
    // automatic, 1 when different, 2 always; runtime mode 0 automatic, 1
    // always. `status` becomes the object's sink. Throws qo::exception_t
    // "object error" when no upload has completed: without the unit's code
    // bank the new code could go over the running one.
    void download(const std::string& image, const checksums_t& image_checksums,
                  std::shared_ptr<status_t> status, int boot_mode, int runtime_mode);
    // Compares the unit with an image.
    update_flags_t check_update(const checksums_t& image_checksums, const std::string& image) const;

    // The family code that Iunit::type shows.
    virtual int type() const = 0;

    const qo::ip_address_t& unit() const { return unit_; }
    unit_state_t state() const;
    // true once an upload has read the whole unit.
    bool uploaded() const;
    // A MAC other than the current one becomes the new MAC, which the next
    // download writes; the current MAC itself changes nothing.
    void set_mac(const qo::mac_address_t& mac);

protected:
    // The family's part of upload: fills the checksums, the code bank and
    // the current MAC of `fresh`, and its own configuration record.
    virtual void upload_unit(unit_state_t& fresh) = 0;
    virtual void download_unit(const std::string& image, const checksums_t& image_checksums,
                               int boot_mode, int runtime_mode) = 0;
    virtual update_flags_t compare(const unit_state_t& unit, const checksums_t& image_checksums,
                                   const std::string& image) const = 0;
    // The largest file the family's units hold: what get_file reads at most.
    virtual std::uint32_t file_limit() const = 0;

    // tftp::get from the unit; any result but 2 throws qo::exception_t
    // "Unexpected error during firmware file transfer.".
    void get_file(const std::string& remote, const std::string& local);
    // tftp::put_ex to the unit, with the same rule.
    void put_file(const std::string& local, const std::string& remote, std::uint32_t offset,
                  std::uint32_t length);
    // Writes the image range to the remote file, reads the file back and
    // adds the copy to `checksum` (whose range the caller set).
    void download_verified(const std::string& image, const std::string& remote,
                           std::uint32_t offset, std::uint32_t length, checksum_t& checksum);
    // The MAC as three 2-byte pieces at offset, offset + 3 and offset + 6 of
    // the file. A file too short to hold them throws: a record is taken only
    // when it is whole.
    static qo::mac_address_t read_mac(const std::string& file, long offset);
    // Writes a MAC (the new one) into the file the same way.
    static void write_mac(const std::string& file, long offset, const qo::mac_address_t& mac);
    // Reads `size` bytes from `offset` of the file; a file that ends first
    // throws: a record is taken only when it is whole.
    static void read_record(const std::string& file, std::uint8_t* record, std::size_t size,
                            long offset = 0);
    // Writes the bytes over the file at `offset` ("r+b").
    static void patch_record(const std::string& file, const std::uint8_t* record,
                             std::size_t size, long offset);
    // Bytes [offset, offset + length) of the image as a new file (the
    // image must hold them all).
    static void extract_range(const std::string& image, const std::string& file,
                              std::uint32_t offset, std::uint32_t length);
    // An empty write request for each remote file, from a 32-byte local
    // file: only the request reaches the unit, which erases the file.
    void invalidate(std::initializer_list<const char*> remotes);
    void invalidate(const std::string& remote) { invalidate({remote.c_str()}); }
    // Writes the bytes as the whole file ("w+b").
    static void write_record(const std::string& file, const std::uint8_t* record, std::size_t size);
    // Writes the family's configuration record as the whole remote file,
    // with the new MAC of `unit` (when one is asked for) at `mac_offset`,
    // reads it back into `record`, and takes the new MAC as the current one.
    void download_config(const unit_state_t& unit, std::span<std::uint8_t> record,
                         const std::string& remote, long mac_offset);
    // prefix + the unit address, in the private folder of the running
    // operation.
    std::string temp_file(std::string_view prefix) const;

    void set_status(int row);
    void set_status(const std::string& text);
    void set_percent(double percent);

    // Changes the known state of the unit under its lock.
    template <typename Change> void change_state(Change change) {
        std::lock_guard guard(state_lock_);
        change(state_);
    }

private:
    const qo::ip_address_t unit_;

    // Upload and download run one at a time on one object: a second job on
    // the same unit waits for the first instead of mixing bank writes with
    // it. Guards the sink and the private folder of the running operation.
    std::mutex work_lock_;
    std::shared_ptr<status_t> status_;
    std::optional<work_dir_t> work_dir_;

    // The state is also read by the automation thread while a job runs.
    mutable std::mutex state_lock_;
    unit_state_t state_;
    bool uploaded_ = false;
};

// A family's probe: a new family object when the unit serves the family's
// boot file, else none; the TFTP result of that read goes to `tftp_result`
// (-1 when no read was made).
using probe_t = std::shared_ptr<base_t> (*)(const qo::ip_address_t& unit,
                                            const std::shared_ptr<status_t>& status,
                                            int& tftp_result);
// A family's image check: true when the file is an image of the family,
// with its five checksums.
using image_check_t = bool (*)(const std::string& path, checksums_t& checksums);

// Appends a family to the registry; the upload job probes in this order.
void register_family(probe_t probe, image_check_t image_check);
// Registers the built-in families once, in their fixed order (tolk first).
// The server calls it when it is loaded; later calls do nothing.
void register_families();
// The registered probes, in order.
std::vector<probe_t> family_probes();
// true at the first family whose image check accepts the file.
bool is_family_image(const std::string& path, checksums_t& checksums);

} // namespace update
