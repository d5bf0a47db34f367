#include "resources/bitmaps.h"

#include <charconv>
#include <cstddef>
#include <map>
#include <span>
#include <stdexcept>
#include <string>
#include <string_view>
#include <utility>

// The pictures, drawn by icons/draw_icons.py.
#include "resources/icons/arrow_214.xpm"
#include "resources/icons/background_233.xpm"
#include "resources/icons/cursors_32.xpm.h"
#include "resources/icons/icon_250.xpm"
#include "resources/icons/icon_251.xpm"
#include "resources/icons/icon_252.xpm"
#include "resources/icons/icon_253.xpm"
#include "resources/icons/icon_254.xpm"
#include "resources/icons/icons_32.xpm.h"
#include "resources/icons/point_158.xpm"
#include "resources/icons/point_159.xpm"
#include "resources/icons/toolbar_16.xpm.h"

namespace resources {

namespace {

namespace gdi = platform::gdi;

int next_number(std::string_view& text) {
    while (!text.empty() && text.front() == ' ')
        text.remove_prefix(1);
    int value = 0;
    const auto [end, ec] = std::from_chars(text.data(), text.data() + text.size(), value);
    if (ec != std::errc())
        throw std::logic_error("bad XPM header");
    text.remove_prefix(static_cast<std::size_t>(end - text.data()));
    return value;
}

// Our own pictures only: one character per pixel, colours as "#RRGGBB".
gdi::Bitmap decode_xpm(std::span<const char* const> xpm) {
    std::string_view header = xpm[0];
    const int width = next_number(header), height = next_number(header);
    const int colours = next_number(header), per_pixel = next_number(header);
    if (per_pixel != 1 || xpm.size() != static_cast<std::size_t>(1 + colours + height))
        throw std::logic_error("unexpected XPM layout");
    gdi::COLORREF table[256] = {};
    for (int i = 0; i < colours; ++i) {
        const std::string_view line = xpm[static_cast<std::size_t>(1 + i)];
        const std::size_t hash = line.find('#');
        if (line.size() < 4 || hash == std::string_view::npos || line.size() < hash + 7)
            throw std::logic_error("unexpected XPM colour");
        const unsigned rgb =
            static_cast<unsigned>(std::stoul(std::string(line.substr(hash + 1, 6)), nullptr, 16));
        table[static_cast<unsigned char>(line[0])] =
            gdi::RGB(static_cast<std::uint8_t>(rgb >> 16), static_cast<std::uint8_t>(rgb >> 8),
                     static_cast<std::uint8_t>(rgb));
    }
    gdi::Bitmap bitmap(width, height);
    for (int y = 0; y < height; ++y) {
        const std::string_view row = xpm[static_cast<std::size_t>(1 + colours + y)];
        if (row.size() != static_cast<std::size_t>(width))
            throw std::logic_error("unexpected XPM row");
        for (int x = 0; x < width; ++x)
            bitmap.SetPixel(x, y,
                            table[static_cast<unsigned char>(row[static_cast<std::size_t>(x)])]);
    }
    return bitmap;
}

using picture_table_t = std::map<int, gdi::Bitmap>;

const picture_table_t& all_bitmaps() {
    static const picture_table_t bitmaps = {
        {kBitmapPc, decode_xpm(icon_250_xpm)},
        {kBitmapCd, decode_xpm(icon_251_xpm)},
        {kBitmapMicrophone, decode_xpm(icon_252_xpm)},
        {kBitmapSpeaker, decode_xpm(icon_253_xpm)},
        {kBitmapAmplifier, decode_xpm(icon_254_xpm)},
        {kBitmapAttriBackground, decode_xpm(background_233_xpm)},
        {kBitmapRouterSelected, decode_xpm(point_158_xpm)},
        {kBitmapRouterFree, decode_xpm(point_159_xpm)},
        {kBitmapLinkArrow, decode_xpm(arrow_214_xpm)},
    };
    return bitmaps;
}

picture_table_t decode_all(std::span<const std::pair<int, std::span<const char* const>>> xpms) {
    picture_table_t pictures;
    for (const auto& [key, xpm] : xpms)
        pictures.emplace(key, decode_xpm(xpm));
    return pictures;
}

const gdi::Bitmap* lookup(const picture_table_t& pictures, int key) {
    const auto it = pictures.find(key);
    return it == pictures.end() ? nullptr : &it->second;
}

} // namespace

const gdi::Bitmap* LoadBitmap(int id) {
    return lookup(all_bitmaps(), id);
}

const gdi::Bitmap* LoadIcon(int id) {
    static const picture_table_t icons = decode_all(icons_32);
    return lookup(icons, id);
}

const gdi::Bitmap* LoadToolbarPicture(int commandId) {
    static const picture_table_t pictures = decode_all(toolbar_16);
    return lookup(pictures, commandId);
}

const gdi::Bitmap* LoadNetTypePicture(bool wired) {
    static const picture_table_t pictures = decode_all(net_types_16);
    return lookup(pictures, wired ? 1 : 0);
}

const CursorPicture* LoadCursorPicture(int id) {
    static const picture_table_t bitmaps = decode_all(cursors_32);
    static const std::map<int, CursorPicture> cursors = [] {
        std::map<int, CursorPicture> table;
        for (const auto& [key, x, y] : cursor_hotspots_32)
            table.emplace(key, CursorPicture{lookup(bitmaps, key), x, y});
        return table;
    }();
    const auto it = cursors.find(id);
    return it == cursors.end() ? nullptr : &it->second;
}

} // namespace resources
