#include "platform/text/codepage.h"

#include <cerrno>
#include <cstdint>
#include <stdexcept>

#include <iconv.h>

namespace platform::text {
namespace {

// glibc's CP936 is Windows code page 936 for our purposes: it maps 0x80 to
// the euro sign, and every pair it decodes encodes back to the same pair, so
// bytes -> UTF-8 -> bytes is exact once undecodable bytes are escaped.
constexpr const char* code_page_name = "CP936";

// An iconv descriptor per thread and direction: iconv_t keeps conversion state
// and must not be shared between threads.
class converter_t {
public:
    converter_t(const char* to, const char* from) : cd_(iconv_open(to, from)) {
        if (cd_ == reinterpret_cast<iconv_t>(-1))
            throw std::runtime_error(std::string("iconv cannot convert ") + from + " to " + to);
    }
    ~converter_t() { iconv_close(cd_); }
    converter_t(const converter_t&) = delete;
    converter_t& operator=(const converter_t&) = delete;

    void reset() { iconv(cd_, nullptr, nullptr, nullptr, nullptr); }

    // Converts as much of `in` as it can, appending to `out`. Returns 0 when
    // all of `in` was converted, else the errno that stopped it (EILSEQ or
    // EINVAL) with `in` advanced to the offending bytes.
    int convert(std::string_view& in, std::string& out) {
        char* src = const_cast<char*>(in.data());
        std::size_t src_left = in.size();
        int stopped = 0;
        while (src_left > 0) {
            const std::size_t old_size = out.size();
            const std::size_t room = src_left * 4 + 16;
            out.resize(old_size + room);
            char* dst = out.data() + old_size;
            std::size_t dst_left = room;
            const std::size_t r = iconv(cd_, &src, &src_left, &dst, &dst_left);
            out.resize(old_size + (room - dst_left));
            if (r == static_cast<std::size_t>(-1) && errno != E2BIG) {
                stopped = errno;
                break;
            }
        }
        in = std::string_view(src, src_left);
        return stopped;
    }

private:
    iconv_t cd_;
};

converter_t& decoder() {
    thread_local converter_t c("UTF-8", code_page_name);
    return c;
}

converter_t& encoder() {
    thread_local converter_t c(code_page_name, "UTF-8");
    return c;
}

// Bytes that do not decode are kept as lone low surrogates U+DC80..U+DCFF
// (only bytes 0x80..0xFF can fail: ASCII always decodes).
constexpr char32_t escape_base = 0xDC00;

void append_escape(std::string& out, unsigned char byte) {
    const char32_t cp = escape_base + byte;
    out += static_cast<char>(0xE0 | (cp >> 12));
    out += static_cast<char>(0x80 | ((cp >> 6) & 0x3F));
    out += static_cast<char>(0x80 | (cp & 0x3F));
}

// Decodes one UTF-8 sequence at the start of `s`, accepting surrogates (which
// carry escaped bytes) but nothing else outside the standard. Returns its
// length, or 0 when the first byte does not start a well-formed sequence.
std::size_t decode_one(std::string_view s, char32_t& cp) {
    const auto b = [&](std::size_t i) { return static_cast<unsigned char>(s[i]); };
    const unsigned char lead = b(0);
    if (lead < 0x80) {
        cp = lead;
        return 1;
    }
    std::size_t len;
    char32_t min;
    if (lead >= 0xC2 && lead <= 0xDF) {
        len = 2, min = 0x80, cp = lead & 0x1F;
    } else if (lead >= 0xE0 && lead <= 0xEF) {
        len = 3, min = 0x800, cp = lead & 0x0F;
    } else if (lead >= 0xF0 && lead <= 0xF4) {
        len = 4, min = 0x10000, cp = lead & 0x07;
    } else {
        return 0;
    }
    if (s.size() < len)
        return 0;
    for (std::size_t i = 1; i < len; ++i) {
        if ((b(i) & 0xC0) != 0x80)
            return 0;
        cp = (cp << 6) | (b(i) & 0x3F);
    }
    if (cp < min || cp > 0x10FFFF)
        return 0;
    return len;
}

bool is_surrogate(char32_t cp) { return cp >= 0xD800 && cp <= 0xDFFF; }

} // namespace

std::string gbk_to_utf8(std::string_view gbk) {
    converter_t& c = decoder();
    c.reset();
    std::string out;
    out.reserve(gbk.size() + gbk.size() / 2);
    while (!gbk.empty()) {
        if (c.convert(gbk, out) == 0)
            break;
        // Undecodable byte, or a lead byte cut off at the end: keep the byte
        // and carry on with the next one.
        append_escape(out, static_cast<unsigned char>(gbk.front()));
        gbk.remove_prefix(1);
        c.reset();
    }
    return out;
}

std::string utf8_to_gbk(std::string_view utf8) {
    converter_t& c = encoder();
    c.reset();
    std::string out;
    out.reserve(utf8.size());
    std::size_t pos = 0;
    while (pos < utf8.size()) {
        // A run of well-formed, non-surrogate characters goes to iconv whole.
        std::size_t end = pos;
        char32_t cp = 0;
        std::size_t len = 0;
        while (end < utf8.size()) {
            len = decode_one(utf8.substr(end), cp);
            if (len == 0 || is_surrogate(cp))
                break;
            end += len;
        }
        std::string_view run = utf8.substr(pos, end - pos);
        while (!run.empty()) {
            if (c.convert(run, out) == 0)
                break;
            // Only EILSEQ is possible on a checked run: GBK has no such character.
            out += '?';
            char32_t skipped;
            run.remove_prefix(decode_one(run, skipped));
            c.reset();
        }
        pos = end;
        if (pos == utf8.size())
            break;
        if (len != 0 && cp >= escape_base + 0x80 && cp <= escape_base + 0xFF) {
            out += static_cast<char>(cp - escape_base);
            pos += len;
        } else {
            out += utf8[pos++];
        }
    }
    return out;
}

bool is_valid_utf8(std::string_view text) {
    std::size_t pos = 0;
    while (pos < text.size()) {
        char32_t cp;
        const std::size_t len = decode_one(text.substr(pos), cp);
        if (len == 0 || is_surrogate(cp))
            return false;
        pos += len;
    }
    return true;
}

std::string decode_file_text(std::string_view bytes) {
    if (!is_valid_utf8(bytes))
        return gbk_to_utf8(bytes);
    constexpr std::string_view bom = "\xEF\xBB\xBF";
    if (bytes.starts_with(bom))
        bytes.remove_prefix(bom.size());
    return std::string(bytes);
}

} // namespace platform::text
