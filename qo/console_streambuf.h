#pragma once
// Stream buffer of the trace console.
//
// Several threads trace at once, so text is gathered per thread and handed
// to the sink a whole line at a time, each line in one write under one
// lock: lines of different threads never mix. While the console is not
// shown, completed lines are dropped.
#include <cstdint>
#include <mutex>
#include <streambuf>
#include <string>
#include <string_view>

namespace qo {

class console_streambuf_t : public std::streambuf {
public:
    console_streambuf_t();
    ~console_streambuf_t() override;
    console_streambuf_t(const console_streambuf_t&) = delete;
    console_streambuf_t& operator=(const console_streambuf_t&) = delete;

    // Switches the sink on: the file named by the environment variable
    // QO_TRACE_FILE (appended to) when set and openable, else standard
    // error. Nothing when it is on already.
    void open_sink();
    void close_sink();
    bool shown() const;

protected:
    int_type overflow(int_type c) override;
    std::streamsize xsputn(const char* text, std::streamsize count) override;
    // Writes the calling thread's unfinished line.
    int sync() override;

private:
    std::string& pending();
    void append(std::string_view text);
    void emit(std::string_view text);

    const std::uint64_t id_;
    mutable std::mutex mutex_;
    int fd_ = -1;
    bool own_fd_ = false;
};

} // namespace qo
