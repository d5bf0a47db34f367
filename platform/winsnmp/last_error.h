#pragma once
// The calling thread's last-error code, as the management libraries leave it
// for their caller after a failed call, and the event a blocking call of the
// thread gives up on.
//
// Both live in one small shared library, so that every module of the
// process (the two libraries loaded by name and the back end that reads
// them) sees the same per-thread values.
#include <cstdint>
#include <string>

namespace platform {

std::uint32_t get_last_error();
void set_last_error(std::uint32_t code);

} // namespace platform

namespace platform::winsnmp {

// The folder this library was loaded from, ending in '/' (empty when it
// cannot be told). The management libraries are built and installed beside
// it.
std::string library_folder();

// A file descriptor that a blocking request of this thread polls beside its
// socket; once it is readable the request fails with error_cancelled. -1
// (the default) means none.
int abandon_fd();
void set_abandon_fd(int fd);

// Sets the thread's abandon descriptor for one scope and restores the
// previous one.
class scoped_abandon_fd_t {
public:
    explicit scoped_abandon_fd_t(int fd) : previous_(abandon_fd()) { set_abandon_fd(fd); }
    ~scoped_abandon_fd_t() { set_abandon_fd(previous_); }
    scoped_abandon_fd_t(const scoped_abandon_fd_t&) = delete;
    scoped_abandon_fd_t& operator=(const scoped_abandon_fd_t&) = delete;

private:
    int previous_;
};

} // namespace platform::winsnmp
