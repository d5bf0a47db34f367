// The 32 x 32 mouse pointers, by cursor id, and their hotspots.
// Written by draw_icons.py; run it again after changing a picture.
#pragma once

#include <span>
#include <utility>

/* XPM */
static const char* const cursors_32_217[] = {
"32 32 3 1",
"  c #FF00FF",
"K c #000000",
"w c #FFFFFF",
"K                               ",
"KK                              ",
"KwK                             ",
"KwwK                            ",
"KwwwK                           ",
"KwwwwK                          ",
"KwwwwwK                         ",
"KwwwwwwK                        ",
"KwwwwwwwK                       ",
"KwwwwwwwwK                      ",
"KwwwwwwwwwK                     ",
"KwwwwwwwwwwK                    ",
"KwwwwwwKKKKKK                   ",
"KwwwKwwK                        ",
"KwwKKwwwK                       ",
"KwK  KwwK                       ",
"KK   KwwwK                      ",
"K     KwwK     KKKKKKKKKKKKKKK  ",
"      KwwwK    KwwwwwwwwwwwwwK  ",
"       KwKK    KwwwwwwKwwwwwwK  ",
"       KK      KwwwwwwKwwwwwwK  ",
"               KwwwwwwKwwwwwwK  ",
"            KKKKwwwwwwKwwwwwwKKK",
"            KKKKwwKKKKKKKKKwwKKK",
"            KKKKwwwwwwKwwwwwwKKK",
"               KwwwwwwKwwwwwwK  ",
"               KwwwwwwKwwwwwwK  ",
"               KwwwwwwKwwwwwwK  ",
"               KwwwwwwwwwwwwwK  ",
"               KKKKKKKKKKKKKKK  ",
"                                ",
"                                "
};

/* XPM */
static const char* const cursors_32_218[] = {
"32 32 3 1",
"  c #FF00FF",
"K c #000000",
"w c #FFFFFF",
"                                ",
"                                ",
"               K                ",
"              KwK               ",
"             KwwwK              ",
"            KwwwwwK             ",
"           KwwwwwwwK            ",
"          KKKKwwwKKKK           ",
"             KwwwK              ",
"             KwwwK              ",
"       K     KwwwK     K        ",
"      KK     KwwwK     KK       ",
"     KwK     KwwwK     KwK      ",
"    KwwKKKKKKKwwwKKKKKKKwwK     ",
"   KwwwwwwwwwwwwwwwwwwwwwwwK    ",
"  KwwwwwwwwwwwwwwwwwwwwwwwwwK   ",
"   KwwwwwwwwwwwwwwwwwwwwwwwK    ",
"    KwwKKKKKKKwwwKKKKKKKwwK     ",
"     KwK     KwwwK     KwK      ",
"      KK     KwwwK     KK       ",
"       K     KwwwK     K        ",
"             KwwwK              ",
"             KwwwK              ",
"          KKKKwwwKKKK           ",
"           KwwwwwwwK            ",
"            KwwwwwK             ",
"             KwwwK              ",
"              KwK               ",
"               K                ",
"                                ",
"                                ",
"                                "
};

static const std::pair<int, std::span<const char* const>> cursors_32[] = {
    {217, cursors_32_217},
    {218, cursors_32_218},
};

// The hotspot of each pointer: cursor id, x, y.
static const int cursor_hotspots_32[][3] = {
    {217, 0, 0},
    {218, 15, 15},
};
