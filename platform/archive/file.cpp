#include "platform/archive/file.h"

#include <atomic>
#include <cerrno>
#include <string>
#include <system_error>
#include <utility>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace platform::archive {
namespace {

[[noreturn]] void fail(const std::string& what, const std::filesystem::path& path, int error) {
    throw std::system_error(error, std::generic_category(), what + " " + path.string());
}

class fd_t {
public:
    explicit fd_t(int fd) : fd_(fd) {}
    ~fd_t() {
        if (fd_ >= 0)
            ::close(fd_);
    }
    fd_t(const fd_t&) = delete;
    fd_t& operator=(const fd_t&) = delete;
    fd_t& operator=(fd_t&& other) noexcept {
        std::swap(fd_, other.fd_);
        return *this;
    }
    int get() const { return fd_; }
    int release() { return std::exchange(fd_, -1); }

private:
    int fd_;
};

} // namespace

std::vector<std::uint8_t> read_file(const std::filesystem::path& path, std::uint64_t limit) {
    // Non-blocking, so that opening a FIFO cannot wait for a writer.
    fd_t fd(::open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK));
    if (fd.get() < 0)
        fail("cannot open", path, errno);
    struct stat info {};
    if (::fstat(fd.get(), &info) != 0)
        fail("cannot read", path, errno);
    if (!S_ISREG(info.st_mode))
        fail("not a regular file:", path, S_ISDIR(info.st_mode) ? EISDIR : EINVAL);
    if (static_cast<std::uint64_t>(info.st_size) > limit)
        fail("larger than " + std::to_string(limit) + " bytes:", path, EFBIG);
    std::vector<std::uint8_t> bytes;
    bytes.reserve(static_cast<std::size_t>(info.st_size));
    std::uint8_t chunk[65536];
    for (;;) {
        const ssize_t n = ::read(fd.get(), chunk, sizeof chunk);
        if (n < 0) {
            if (errno == EINTR)
                continue;
            fail("cannot read", path, errno);
        }
        if (n == 0)
            break;
        // A file that grows while it is read is held to the same bound.
        if (bytes.size() + static_cast<std::size_t>(n) > limit)
            fail("larger than " + std::to_string(limit) + " bytes:", path, EFBIG);
        bytes.insert(bytes.end(), chunk, chunk + n);
    }
    return bytes;
}

void write_file_atomic(const std::filesystem::path& path, std::span<const std::uint8_t> bytes) {
    // Created with the usual mode (0666 less the umask), as a direct write would.
    static std::atomic<unsigned> serial{0};
    std::string temp;
    fd_t fd(-1);
    for (int attempt = 0; fd.get() < 0; ++attempt) {
        temp = path.string() + "." + std::to_string(::getpid()) + "." +
               std::to_string(serial.fetch_add(1)) + ".tmp";
        fd = fd_t(::open(temp.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666));
        if (fd.get() < 0 && (errno != EEXIST || attempt == 100))
            fail("cannot create a temporary file for", path, errno);
    }
    const auto give_up = [&](const char* what) {
        const int error = errno;
        ::close(fd.release());
        ::unlink(temp.c_str());
        fail(what, path, error);
    };
    std::size_t done = 0;
    while (done < bytes.size()) {
        const ssize_t n = ::write(fd.get(), bytes.data() + done, bytes.size() - done);
        if (n < 0) {
            if (errno == EINTR)
                continue;
            give_up("cannot write");
        }
        done += static_cast<std::size_t>(n);
    }
    if (::fsync(fd.get()) != 0)
        give_up("cannot write");
    if (::close(fd.release()) != 0) {
        const int error = errno;
        ::unlink(temp.c_str());
        fail("cannot write", path, error);
    }
    if (::rename(temp.c_str(), path.c_str()) != 0) {
        const int error = errno;
        ::unlink(temp.c_str());
        fail("cannot replace", path, error);
    }
}

} // namespace platform::archive
