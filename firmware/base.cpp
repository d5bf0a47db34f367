#include "firmware/base.h"

#include "firmware/checksum.h"
#include "firmware/local_file.h"
#include "firmware/tftp.h"
#include "qo/exception.h"
#include "qo/wapi/exception.h"
#include "qo/wapi/system_text.h"

#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <filesystem>
#include <memory>
#include <stdexcept>
#include <system_error>
#include <type_traits>

namespace update {

namespace {

// Reads exactly `size` bytes at `offset`.
bool read_at(std::FILE* file, long offset, std::uint8_t* into, std::size_t size) {
    return std::fseek(file, offset, SEEK_SET) == 0 && std::fread(into, 1, size, file) == size;
}

// Fixed storage with nothing to destroy: the registry lives as long as the
// code that uses it, in a program and in a server library that is unloaded
// alike, and a thread still running at exit finds it intact.
struct registry_t {
    static constexpr std::size_t capacity = 16;
    std::mutex lock;
    std::size_t count = 0;
    probe_t probes[capacity] = {};
    image_check_t image_checks[capacity] = {};
};
static_assert(std::is_trivially_destructible_v<registry_t>);

registry_t& registry() {
    static registry_t families;
    return families;
}

} // namespace

// ---------------------------------------------------------------------------

work_dir_t::work_dir_t() {
    std::error_code ec;
    std::filesystem::path base = std::filesystem::temp_directory_path(ec);
    if (ec)
        base = "/tmp";
    std::string pattern = (base / "gorlith-XXXXXX").string();
    if (!::mkdtemp(pattern.data()))
        throw qo::wapi::exception_t(qo::wapi::error_from_errno(errno), "error opening file");
    path_ = pattern;
}

work_dir_t::~work_dir_t() {
    std::error_code ignored;
    std::filesystem::remove_all(path_, ignored);
}

scoped_file_t::~scoped_file_t() {
    ::unlink(path_.c_str());
}

// ---------------------------------------------------------------------------

base_t::base_t(const qo::ip_address_t& unit, std::shared_ptr<status_t> status)
    : unit_(unit), status_(std::move(status)) {}

base_t::~base_t() = default;

checksums_t base_t::upload() {
    std::lock_guard work(work_lock_);
    work_dir_.emplace();
    struct cleanup_t {
        std::optional<work_dir_t>& dir;
        ~cleanup_t() { dir.reset(); }
    } cleanup{work_dir_};

    unit_state_t fresh;
    upload_unit(fresh);
    std::lock_guard guard(state_lock_);
    // A MAC the client asked for before the reading stays asked for.
    fresh.new_mac = state_.new_mac;
    state_ = fresh;
    uploaded_ = true;
    return fresh.checksums;
}

void base_t::download(const std::string& image, const checksums_t& image_checksums,
                      std::shared_ptr<status_t> status, int boot_mode, int runtime_mode) {
    std::lock_guard work(work_lock_);
    if (status)
        status_ = std::move(status);
    if (!uploaded())
        throw qo::exception_t("object error");
    work_dir_.emplace();
    struct cleanup_t {
        std::optional<work_dir_t>& dir;
        ~cleanup_t() { dir.reset(); }
    } cleanup{work_dir_};
    download_unit(image, image_checksums, boot_mode, runtime_mode);
}

update_flags_t base_t::check_update(const checksums_t& image_checksums,
                                    const std::string& image) const {
    return compare(state(), image_checksums, image);
}

unit_state_t base_t::state() const {
    std::lock_guard guard(state_lock_);
    return state_;
}

bool base_t::uploaded() const {
    std::lock_guard guard(state_lock_);
    return uploaded_;
}

void base_t::set_mac(const qo::mac_address_t& mac) {
    std::lock_guard guard(state_lock_);
    if (mac != state_.current_mac)
        state_.new_mac = mac;
}

// ---------------------------------------------------------------------------

void base_t::get_file(const std::string& remote, const std::string& local) {
    if (tftp::get(unit_, remote, local, file_limit()) != tftp::result_done)
        throw qo::exception_t(tftp::unexpected_text);
}

void base_t::put_file(const std::string& local, const std::string& remote, std::uint32_t offset,
                      std::uint32_t length) {
    if (tftp::put_ex(unit_, local, remote, offset, length) != tftp::result_done)
        throw qo::exception_t(tftp::unexpected_text);
}

void base_t::download_verified(const std::string& image, const std::string& remote,
                               std::uint32_t offset, std::uint32_t length, checksum_t& checksum) {
    put_file(image, remote, offset, length);
    const scoped_file_t copy(temp_file("temp"));
    get_file(remote, copy);
    checksum.add_file(copy);
}

qo::mac_address_t base_t::read_mac(const std::string& file, long offset) {
    const file_ptr in = open_local_file(file, "rb");
    qo::mac_address_t mac;
    for (int piece = 0; piece < 3; ++piece)
        if (!read_at(in.get(), offset + piece * 3, mac.bytes().data() + piece * 2, 2))
            throw qo::exception_t("Configuration sector incomplete");
    return mac;
}

void base_t::write_mac(const std::string& file, long offset, const qo::mac_address_t& mac) {
    const file_ptr out = open_local_file(file, "r+b");
    for (int piece = 0; piece < 3; ++piece)
        if (std::fseek(out.get(), offset + piece * 3, SEEK_SET) != 0 ||
            std::fwrite(mac.bytes().data() + piece * 2, 1, 2, out.get()) != 2)
            throw qo::wapi::exception_t(qo::wapi::error_from_errno(errno), "error writing file");
    if (std::fflush(out.get()) != 0)
        throw qo::wapi::exception_t(qo::wapi::error_from_errno(errno), "error writing file");
}

void base_t::read_record(const std::string& file, std::uint8_t* record, std::size_t size,
                         long offset) {
    const file_ptr in = open_local_file(file, "rb");
    if (!read_at(in.get(), offset, record, size))
        throw qo::exception_t("Configuration sector incomplete");
}

void base_t::patch_record(const std::string& file, const std::uint8_t* record, std::size_t size,
                          long offset) {
    file_ptr out = open_local_file(file, "r+b");
    if (std::fseek(out.get(), offset, SEEK_SET) != 0 ||
        std::fwrite(record, 1, size, out.get()) != size)
        throw qo::wapi::exception_t(qo::wapi::error_from_errno(errno), "error writing file");
    if (std::fclose(out.release()) != 0)
        throw qo::wapi::exception_t(qo::wapi::error_from_errno(errno), "error writing file");
}

void base_t::extract_range(const std::string& image, const std::string& file,
                           std::uint32_t offset, std::uint32_t length) {
    std::vector<std::uint8_t> bytes(length);
    {
        const file_ptr in = open_local_file(image, "rb");
        // A file that changed since the catalogue measured it would give a
        // part with a hole in it.
        if (!read_at(in.get(), static_cast<long>(offset), bytes.data(), bytes.size()))
            throw qo::wapi::exception_t(qo::wapi::error_from_errno(EIO), "error reading file");
    }
    write_record(file, bytes.data(), bytes.size());
}

void base_t::invalidate(std::initializer_list<const char*> remotes) {
    const scoped_file_t junk(temp_file("junk"));
    const std::uint8_t nothing[32] = {};
    write_record(junk, nothing, sizeof nothing);
    for (const char* remote : remotes)
        put_file(junk, remote, 0, 0);
}

void base_t::write_record(const std::string& file, const std::uint8_t* record, std::size_t size) {
    file_ptr out = open_local_file(file, "w+b");
    if (std::fwrite(record, 1, size, out.get()) != size)
        throw qo::wapi::exception_t(qo::wapi::error_from_errno(errno), "error writing file");
    if (std::fclose(out.release()) != 0)
        throw qo::wapi::exception_t(qo::wapi::error_from_errno(errno), "error writing file");
}

std::string base_t::temp_file(std::string_view prefix) const {
    // Only the running operation asks, and it holds the work lock.
    return work_dir_->path() + "/" + std::string(prefix) + unit_.to_string();
}

void base_t::set_status(int row) {
    status_->set_status(row);
}

void base_t::set_status(const std::string& text) {
    status_->set_status(text);
}

void base_t::download_config(const unit_state_t& unit, std::span<std::uint8_t> record,
                             const std::string& remote, long mac_offset) {
    set_status(status_updating_config);
    set_status("new mac is " + unit.new_mac.to_string());
    const scoped_file_t file(temp_file(remote));
    write_record(file, record.data(), record.size());
    if (!unit.new_mac.is_zero())
        write_mac(file, mac_offset, unit.new_mac);
    set_status(status_downloading_config);
    put_file(file, remote, 0, static_cast<std::uint32_t>(record.size()));
    read_record(file, record.data(), record.size());
    change_state([&](unit_state_t& s) {
        s.current_mac = unit.new_mac;
        // The unit carries it now; a MAC asked for meanwhile stays asked for.
        if (s.new_mac == unit.new_mac)
            s.new_mac.clear();
    });
    set_status(status_config_complete);
}

void base_t::set_percent(double percent) {
    status_->set_percent(percent);
}

// ---------------------------------------------------------------------------

void register_family(probe_t probe, image_check_t image_check) {
    registry_t& r = registry();
    std::lock_guard guard(r.lock);
    if (r.count == registry_t::capacity)
        throw std::length_error("update::register_family: too many families");
    r.probes[r.count] = probe;
    r.image_checks[r.count] = image_check;
    ++r.count;
}

std::vector<probe_t> family_probes() {
    registry_t& r = registry();
    std::lock_guard guard(r.lock);
    return std::vector<probe_t>(r.probes, r.probes + r.count);
}

bool is_family_image(const std::string& path, checksums_t& checksums) {
    std::vector<image_check_t> checks;
    {
        registry_t& r = registry();
        std::lock_guard guard(r.lock);
        checks.assign(r.image_checks, r.image_checks + r.count);
    }
    for (image_check_t check : checks) {
        // A family that cannot read the file does not take it.
        checksums_t found;
        bool accepted = false;
        try {
            accepted = check(path, found);
        } catch (const std::exception&) {
        }
        if (accepted) {
            checksums = found;
            return true;
        }
    }
    return false;
}

} // namespace update
