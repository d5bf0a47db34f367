#pragma once
// The firmware checksum: bytes read as little-endian 24-bit words and
// summed modulo 2^24. A part is valid when its sum is 0; its identifying
// checksum is then its last complete word (the word that makes the sum 0).
//
// A range may span several files read one after the other (a part that a
// unit keeps in two bank files): a word cut by the end of one file is
// finished from the start of the next.
#include <cstdint>
#include <string>

class checksum_t {
public:
    // All fields 0.
    void reset();
    // The range starts at `offset` of the first file added and is `length`
    // bytes long; sum, last word and carried bytes are cleared.
    void set_range(std::uint32_t offset, std::uint32_t length);
    // Adds the next piece of the range: the bytes of `path` from the range's
    // offset (first file only) up to the file's end or the range's end,
    // whichever comes first. Throws qo::wapi::exception_t "error opening
    // file" or "error reading file".
    checksum_t& add_file(const std::string& path);

    std::uint32_t sum() const { return sum_; }
    std::uint32_t last_word() const { return last_word_; }
    bool is_zero() const { return sum_ == 0; }
    // Bytes of the range not yet consumed.
    std::uint32_t remaining() const { return remaining_; }

private:
    void add_byte(std::uint8_t byte);

    std::uint32_t last_word_ = 0;
    std::uint32_t sum_ = 0;
    std::uint32_t offset_ = 0;
    std::uint32_t remaining_ = 0;
    // The start of a word that a file ended in the middle of.
    std::uint8_t carry_[2] = {};
    std::uint32_t carry_count_ = 0;
};
