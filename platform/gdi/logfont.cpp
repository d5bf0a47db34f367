#include "platform/gdi/logfont.h"

#include "platform/text/codepage.h"

namespace platform::gdi {

namespace {

// Bytes of the UTF-8 sequence that starts with `lead` (1 for a stray byte,
// so that text that is not UTF-8 still advances).
std::size_t sequence_length(unsigned char lead) {
    if (lead >= 0xF0 && lead <= 0xF4)
        return 4;
    if (lead >= 0xE0)
        return lead <= 0xEF ? 3 : 1;
    if (lead >= 0xC2)
        return 2;
    return 1;
}

} // namespace

std::string CutToEncodedLength(std::string_view utf8, std::size_t max_bytes,
                               std::string (*encode)(std::string_view)) {
    std::size_t used = 0;
    std::size_t pos = 0;
    while (pos < utf8.size()) {
        std::size_t n = sequence_length(static_cast<unsigned char>(utf8[pos]));
        if (n > utf8.size() - pos)
            n = utf8.size() - pos;
        const std::size_t encoded = encode(utf8.substr(pos, n)).size();
        if (used + encoded > max_bytes)
            break;
        used += encoded;
        pos += n;
    }
    return std::string(utf8.substr(0, pos));
}

void LOGFONT::SetFaceName(std::string_view utf8) {
    lfFaceName = CutToEncodedLength(utf8, LF_FACESIZE - 1, &text::utf8_to_gbk);
}

LOGFONT MakeFont(std::string_view face, std::int32_t height, std::int32_t weight,
                 std::uint8_t char_set, std::uint8_t pitch_and_family) {
    LOGFONT f;
    f.lfHeight = height;
    f.lfWeight = weight;
    f.lfCharSet = char_set;
    f.lfPitchAndFamily = pitch_and_family;
    f.SetFaceName(face);
    return f;
}

} // namespace platform::gdi
