#pragma once
// Helpers of the firmware updater's tests: temporary folders, firmware
// images made at test time, the simulated network audio module (namsim) and
// a stock TFTP server (atftpd), both on loopback, and the trace console.
#include <sys/types.h>

#include <cstddef>
#include <cstdint>
#include <map>
#include <string>
#include <vector>

#include "firmware/base.h"
#include "qo/ip_address.h"

namespace firmware_test {

using bytes_t = std::vector<std::uint8_t>;
// Requests as the simulated module logs them ("WRQ m01"), in order.
using requests_t = std::vector<std::string>;

// The MAC the tests' simulated units start with.
inline constexpr const char* unit_mac = "00602b010203";

requests_t operator+(requests_t a, const requests_t& b);
// Whether every byte reads 0xff, as erased flash does.
bool all_erased(const bytes_t& bytes);

// A fresh folder under the temporary directory, removed with its contents.
class temp_dir_t {
public:
    temp_dir_t();
    ~temp_dir_t();
    temp_dir_t(const temp_dir_t&) = delete;
    temp_dir_t& operator=(const temp_dir_t&) = delete;

    const std::string& path() const { return path_; }
    std::string file(const std::string& name) const { return path_ + "/" + name; }

private:
    std::string path_;
};

bytes_t read_file(const std::string& path);
void write_file(const std::string& path, const bytes_t& bytes);

// Deterministic bytes: the same size and seed give the same bytes in every
// run.
bytes_t pattern_bytes(std::size_t size, std::uint32_t seed);
// Sets the last 24-bit word of the range (its length a multiple of 3) so
// that the range sums to 0 modulo 2^24, and returns that word: the part's
// checksum.
std::uint32_t seal_range(bytes_t& image, std::size_t offset, std::size_t length);

// Gives the range the checksum `value` (its last word, with the first word
// set so that the range sums to 0); a value of 0 makes the range invalid
// instead. The range is whole words, at least two.
void set_range_checksum(bytes_t& image, std::size_t offset, std::size_t length,
                        std::uint32_t value);

// A tolk firmware image (1 MiB of pattern bytes) whose parts have the given
// checksums (0: that part is not valid). The code goes to the first code
// range, or to the second one when `second_code_range` is set.
bytes_t tolk_image(std::uint32_t seed, const update::checksums_t& checksums,
                   bool second_code_range = false);
// Bytes [offset, offset + length) of `bytes`.
bytes_t range_of(const bytes_t& bytes, std::size_t offset, std::size_t length);
// The bank files of a tolk unit that runs `image` from the code pair
// starting at `pair` (6 or 8; 0: no pair holds code) and whose
// configuration sector is pattern bytes of `config_seed`. Banks not written
// are erased flash when the module starts.
void install_tolk_unit(const std::string& state_dir, const bytes_t& image, int pair,
                       std::uint32_t config_seed = 3);

// The 24-bit sum of the whole words of a range.
std::uint32_t range_sum(const bytes_t& bytes, std::size_t offset, std::size_t length);

// The bank files of a tolkamd unit that runs the tolk image `image` from
// the bank starting at file `bank` (8 or 12; 0: no bank holds code).
void install_tolkamd_unit(const std::string& state_dir, const bytes_t& image, int bank,
                          std::uint32_t config_seed = 3);

// A brisk image (128 KiB): boot and code with the given checksums (0: that
// part is not valid); small code (0x7ffe) unless `large`.
bytes_t brisk_image(std::uint32_t seed, const update::checksums_t& checksums, bool large = false);
// The files of a brisk unit running `image`: boot in r1/r2 (with a
// configuration record of pattern bytes), the code where `layout` says (1
// small code in r3/r4, 2 small code in r5/r6, 3 large code in r3 to r6, 0
// none).
void install_brisk_unit(const std::string& state_dir, const bytes_t& image, int layout,
                        std::uint32_t config_seed = 3);

// A plinth image (512 KiB): code (small unless `large`), boot and second
// FPGA with the given checksums (0: not valid; reserved and fpga unused).
bytes_t plinth_image(std::uint32_t seed, const update::checksums_t& checksums, bool large = false);
// The files of a plinth unit running `image` from code file `code_file`
// (1 or 2, the second FPGA beside it; 0: no code), with a configuration
// record of pattern bytes in f8.
void install_plinth_unit(const std::string& state_dir, const bytes_t& image, int code_file,
                         std::uint32_t config_seed = 3);

// A simulated network audio module, started in the constructor (on a free
// port of `address`) and ended in the destructor.
class namsim_t {
public:
    // `args` are passed on (for example "--bank", "odd:513", "--mac", ...).
    // `port` 0 picks a free one.
    namsim_t(const std::string& family, const std::string& state_dir,
             const std::vector<std::string>& args = {}, const std::string& address = "127.0.0.20",
             std::uint16_t port = 0);
    ~namsim_t();
    namsim_t(const namsim_t&) = delete;
    namsim_t& operator=(const namsim_t&) = delete;

    qo::ip_address_t unit() const;
    std::uint16_t port() const { return port_; }
    const std::string& state_dir() const { return state_dir_; }

    // Sends a control line and returns the reply line.
    std::string command(const std::string& line);
    // Arms a fault for the next transfer; fails the test when refused.
    void fault(const std::string& spec);

    struct entry_t {
        std::uint64_t ms = 0;
        std::vector<std::string> words; // event first
        std::string line;               // without the time
    };
    // The request log, after everything the module has received so far.
    std::vector<entry_t> log();
    // The entries whose event is `event`.
    std::vector<entry_t> events(const std::string& event);

private:
    std::string read_line();

    std::string state_dir_;
    std::string address_;
    std::uint16_t port_ = 0;
    pid_t pid_ = -1;
    int to_child_ = -1;
    int from_child_ = -1;
    std::string pending_;
};

// atftpd serving `dir` on a free port of `address`.
class atftpd_t {
public:
    atftpd_t(const std::string& dir, const std::string& address = "127.0.0.21");
    ~atftpd_t();
    atftpd_t(const atftpd_t&) = delete;
    atftpd_t& operator=(const atftpd_t&) = delete;

    qo::ip_address_t unit() const;
    std::uint16_t port() const { return port_; }

private:
    bool start(std::uint16_t port);
    void stop();

    std::string dir_;
    std::string address_;
    std::uint16_t port_ = 0;
    pid_t pid_ = -1;
};

// Restores the TFTP client's process-wide settings when it goes.
class settings_guard_t {
public:
    settings_guard_t();
    ~settings_guard_t();

private:
    bool debug_;
    std::int32_t timeout_, write_timeout_, retries_, holdoff_;
    std::uint16_t port_;
};

// Trace lines written to the trace console while it lives (debug on).
class trace_t {
public:
    trace_t();
    ~trace_t();
    std::vector<std::string> lines() const;

private:
    std::size_t start_ = 0;
};

} // namespace firmware_test
