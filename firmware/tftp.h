#pragma once
// TFTP client of the firmware updater (RFC 1350, "octet" mode): reads a
// whole remote file of a network audio module into a local file and writes
// a byte range of a local file to a remote file.
//
// Each call runs one transfer on its own socket, so job threads may
// transfer at the same time; they share only the process-wide settings.
#include <atomic>
#include <cstdint>
#include <string>

#include "qo/ip_address.h"

class tftp {
public:
    // Results of get and put_ex.
    static constexpr int result_done = 2;
    static constexpr int result_error = 3;
    static constexpr int result_timeout = 4;

    static constexpr std::uint16_t default_port = 69;

    // The updater's properties read and write these fields directly, and a
    // change reaches the next transfer; they are atomic because job threads
    // read them while a client may set them. They are kept as given; a
    // transfer takes a negative time-out or hold-off as 0, so that no job
    // waits forever.
    struct settings_t {
        std::atomic<bool> debug{false};
        // Milliseconds a read waits for each reply.
        std::atomic<std::int32_t> timeout{1000};
        // Milliseconds a write waits for each reply: a unit erases flash
        // before it acknowledges a write request.
        std::atomic<std::int32_t> write_timeout{20000};
        std::atomic<std::int32_t> retries{2};
        // Milliseconds added to the back-off delay at every time-out.
        std::atomic<std::int32_t> holdoff{100};
        // Server port of the units. Units listen on 69 only; tests point it
        // at a peer on an unprivileged port.
        std::atomic<std::uint16_t> port{default_port};
    };

    // Created on first use; it holds nothing to free, so it outlives every
    // thread that reads it.
    static settings_t& instance();

    // What a read takes when its caller names no limit.
    static constexpr std::uint32_t default_get_limit = 1u << 20;

    // Reads the remote file into `local` (created or truncated). A file
    // longer than `limit` bytes is an error: a unit (or something posing as
    // one) cannot fill the disk. Returns 2 done, 3 error, 4 time-out.
    static int get(const qo::ip_address_t& unit, const std::string& remote,
                   const std::string& local, std::uint32_t limit = default_get_limit);
    // Writes `length` bytes of `local` from `offset` (fewer when the file
    // ends first) to the remote file. A range whose length is a multiple of
    // 512 ends at the acknowledgement of its last full block, without an
    // empty block: the units finish a bank write that way. Returns 2, 3 or 4.
    static int put_ex(const qo::ip_address_t& unit, const std::string& local,
                      const std::string& remote, std::uint32_t offset, std::uint32_t length);

    // true shows the trace console first; false only stops tracing.
    static void set_debug(bool on);

    // The exception texts behind the results 4 and 3.
    static const char* const timeout_text;
    static const char* const unexpected_text;
};
