#pragma once
// The firmware checksum: bytes read as little-endian 24-bit words and
// summed modulo 2^24. A part is valid when its sum is 0; its identifying
// checksum is then its last complete word (the word that makes the sum 0).
//
// A range may span several files read one after the other (a part that a
// unit keeps in two bank files): a word cut by the end of one file is
// finished from the start of the next.
//
// A sum of 0 alone does not make a part: a range of zeros sums to 0 too,
// and would pass every check before and after it is written.
// is_firmware_part() is the one place that decides whether a range holds
// firmware; the catalogue, the uploads and the downloads all ask it.
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
    // Whether the range read holds a firmware part: all of it was read, it
    // sums to 0, and its identifying checksum (last word) is not 0, which
    // everywhere stands for "no valid part". That also refuses blank flash:
    // zeros end in a word 0, and erased flash (0xFF) never sums to 0 in a
    // range shorter than 2^24 words.
    bool is_firmware_part() const { return remaining_ == 0 && sum_ == 0 && last_word_ != 0; }
    // The part's identifying checksum: its last word when it is a firmware
    // part, else 0.
    std::uint32_t part_checksum() const { return is_firmware_part() ? last_word_ : 0; }

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
