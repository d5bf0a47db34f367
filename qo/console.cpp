#include "qo/console.h"

#include <fcntl.h>
#include <pthread.h>
#include <signal.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <cstdlib>
#include <ctime>
#include <locale>
#include <memory>
#include <unordered_map>

namespace qo {

console_t console;

namespace {

// A thread that writes no line end flushes its text at this size, so an
// endless line cannot grow without bound.
constexpr std::size_t max_pending = 4096;

std::atomic<std::uint64_t> next_id{1};

thread_local std::unordered_map<std::uint64_t, std::string> tl_pending;
thread_local std::unordered_map<std::uint64_t, std::unique_ptr<std::ostringstream>> tl_formatters;

// Writes all of `text`. A sink whose reader has gone (a closed pipe or
// terminal) must not end the process: SIGPIPE is held back for this thread
// during the write and a signal the write raised is taken away again.
void write_all(int fd, std::string_view text) {
    sigset_t pipe_only;
    sigset_t old;
    sigemptyset(&pipe_only);
    sigaddset(&pipe_only, SIGPIPE);
    pthread_sigmask(SIG_BLOCK, &pipe_only, &old);
    sigset_t before;
    sigpending(&before);
    const bool already_pending = sigismember(&before, SIGPIPE) == 1;

    while (!text.empty()) {
        const ssize_t written = ::write(fd, text.data(), text.size());
        if (written < 0) {
            if (errno == EINTR)
                continue;
            if (errno == EPIPE && !already_pending) {
                const timespec none{};
                sigtimedwait(&pipe_only, nullptr, &none);
            }
            break;
        }
        text.remove_prefix(static_cast<std::size_t>(written));
    }
    pthread_sigmask(SIG_SETMASK, &old, nullptr);
}

} // namespace

console_streambuf_t::console_streambuf_t() : id_(next_id++) {}

console_streambuf_t::~console_streambuf_t() {
    close_sink();
}

void console_streambuf_t::open_sink() {
    std::lock_guard lock(mutex_);
    if (fd_ >= 0)
        return;
    const char* path = std::getenv("QO_TRACE_FILE");
    if (path && *path) {
        const int fd = ::open(path, O_WRONLY | O_APPEND | O_CREAT | O_CLOEXEC, 0644);
        if (fd >= 0) {
            fd_ = fd;
            own_fd_ = true;
            return;
        }
    }
    fd_ = STDERR_FILENO;
    own_fd_ = false;
}

void console_streambuf_t::close_sink() {
    std::lock_guard lock(mutex_);
    if (own_fd_ && fd_ >= 0)
        ::close(fd_);
    fd_ = -1;
    own_fd_ = false;
}

bool console_streambuf_t::shown() const {
    std::lock_guard lock(mutex_);
    return fd_ >= 0;
}

std::string& console_streambuf_t::pending() {
    return tl_pending[id_];
}

void console_streambuf_t::emit(std::string_view text) {
    std::lock_guard lock(mutex_);
    if (fd_ >= 0)
        write_all(fd_, text);
}

void console_streambuf_t::append(std::string_view text) {
    std::string& line = pending();
    line.append(text);
    const std::size_t end = line.rfind('\n');
    if (end != std::string::npos) {
        // Every complete line at once: they came in one piece from this
        // thread and stay together.
        emit(std::string_view(line).substr(0, end + 1));
        line.erase(0, end + 1);
    }
    if (line.size() >= max_pending) {
        emit(line);
        line.clear();
    }
}

console_streambuf_t::int_type console_streambuf_t::overflow(int_type c) {
    if (traits_type::eq_int_type(c, traits_type::eof()))
        return traits_type::not_eof(c);
    const char ch = traits_type::to_char_type(c);
    append(std::string_view(&ch, 1));
    return c;
}

std::streamsize console_streambuf_t::xsputn(const char* text, std::streamsize count) {
    if (count > 0)
        append(std::string_view(text, static_cast<std::size_t>(count)));
    return count;
}

int console_streambuf_t::sync() {
    std::string& line = pending();
    if (!line.empty()) {
        emit(line);
        line.clear();
    }
    return 0;
}

console_t::console_t() : std::iostream(nullptr), id_(next_id++) {
    rdbuf(&buf_);
}

console_t::~console_t() = default;

void console_t::show(bool on) {
    if (on)
        buf_.open_sink();
    else
        buf_.close_sink();
}

std::ostringstream& console_t::formatter() {
    std::unique_ptr<std::ostringstream>& out = tl_formatters[id_];
    if (!out) {
        out = std::make_unique<std::ostringstream>();
        out->imbue(std::locale::classic());
    }
    return *out;
}

void console_t::pass(std::ostringstream& out) {
    const std::string text = out.str();
    if (!text.empty()) {
        buf_.sputn(text.data(), static_cast<std::streamsize>(text.size()));
        out.str(std::string());
    }
}

console_t& console_t::operator<<(std::ostream& (*manipulator)(std::ostream&)) {
    std::ostringstream& out = formatter();
    manipulator(out);
    pass(out);
    buf_.pubsync();
    return *this;
}

console_t& console_t::operator<<(std::ios_base& (*manipulator)(std::ios_base&)) {
    manipulator(formatter());
    return *this;
}

} // namespace qo
