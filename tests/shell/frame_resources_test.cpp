// The main window's menus and toolbars: every entry reads in both shipped
// languages, every drop-down opens a submenu that is there, and the DSP
// toolbars hold their buttons where they belong.
#include "shell/frame_resources.h"

#include "shell/commands.h"
#include "shell/language.h"

#include "resources/string_table.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <set>
#include <string>
#include <utility>
#include <vector>

namespace {

void ExpectTranslated(const shell::CLanguagePack& pack, int menu,
                      const std::vector<shell::CMenuEntry>& entries, std::set<int>& seen)
{
    for (const shell::CMenuEntry& entry : entries) {
        if (entry.IsSeparator())
            continue;
        SCOPED_TRACE(entry.text);
        const std::string* text = pack.MenuText(menu, entry.id);
        ASSERT_NE(text, nullptr);
        EXPECT_FALSE(text->empty());
        // A key names one entry of a menu.
        EXPECT_TRUE(seen.insert(entry.id).second);
        ExpectTranslated(pack, menu, entry.items, seen);
    }
}

TEST(FrameResources, EveryMenuEntryReadsInBothPacks)
{
    for (const char* title : {"rcEng", "rcChs"}) {
        SCOPED_TRACE(title);
        const auto pack =
            shell::LoadLanguagePack(std::string(OSTREL_SHIPPED_PACKS) + "/" + title + ".lang");
        ASSERT_TRUE(pack);
        for (int menu : {shell::kMenuMain, shell::kMenuDevice, shell::kMenuDsp,
                         shell::kMenuArrange, shell::kMenuModules}) {
            SCOPED_TRACE(menu);
            ASSERT_FALSE(shell::MenuResource(menu).empty());
            std::set<int> seen;
            ExpectTranslated(*pack, menu, shell::MenuResource(menu), seen);
        }
    }
}

TEST(FrameResources, DropDownsOpenTheirSubmenusInOrder)
{
    struct Case {
        int toolbar;
        std::size_t dropDowns;
    };
    for (const Case c : {Case{shell::kToolbarArrange, 4}, Case{shell::kToolbarModules, 9},
                         Case{shell::kToolbarStandard, 0}}) {
        SCOPED_TRACE(c.toolbar);
        const int menu = shell::ToolbarDropDownMenu(c.toolbar);
        int next = 0;
        for (const shell::CToolbarButton& button : shell::ToolbarResource(c.toolbar)) {
            if (button.dropDown < 0)
                continue;
            EXPECT_EQ(button.dropDown, next++);
            const auto& popups = shell::MenuResource(menu);
            ASSERT_LT(static_cast<std::size_t>(button.dropDown), popups.size());
            // The button runs the first command of its submenu.
            EXPECT_EQ(popups[static_cast<std::size_t>(button.dropDown)].items.front().id,
                      button.id);
        }
        EXPECT_EQ(static_cast<std::size_t>(next), c.dropDowns);
    }
    EXPECT_TRUE(shell::ToolbarResource(12345).empty());
    EXPECT_TRUE(shell::MenuResource(12345).empty());
}

bool Holds(int toolbar, int id)
{
    const auto& buttons = shell::ToolbarResource(toolbar);
    return std::any_of(buttons.begin(), buttons.end(),
                       [id](const shell::CToolbarButton& button) { return button.id == id; });
}

// The 8 x 8 mixer has a button of its own beside the mixers' drop-down; the
// bar toggle, the console and the database routes sit on the arrangement
// toolbar, the DSP toolbar keeping only its file, edit and download buttons.
// Each of them shows its tip in both packs.
TEST(FrameResources, DspToolbarsPlaceEachButtonOnOneBarWithItsTip)
{
    struct Case {
        int id;
        int toolbar;
    };
    const int bars[] = {shell::kToolbarDsp, shell::kToolbarArrange, shell::kToolbarModules};
    const Case cases[] = {{32879, shell::kToolbarModules},
                          {32882, shell::kToolbarArrange},
                          {32952, shell::kToolbarArrange},
                          {33030, shell::kToolbarArrange}};
    std::vector<shell::CLanguagePack> packs;
    for (const char* title : {"rcEng", "rcChs"}) {
        auto pack =
            shell::LoadLanguagePack(std::string(OSTREL_SHIPPED_PACKS) + "/" + title + ".lang");
        ASSERT_TRUE(pack) << title;
        packs.push_back(std::move(*pack));
    }
    for (const Case c : cases) {
        SCOPED_TRACE(c.id);
        for (int bar : bars)
            EXPECT_EQ(Holds(bar, c.id), bar == c.toolbar) << "toolbar " << bar;
        EXPECT_FALSE(resources::BuiltinString(c.id).empty());
        for (const auto& pack : packs) {
            const std::string* tip = pack.String(c.id);
            ASSERT_NE(tip, nullptr);
            EXPECT_FALSE(tip->empty());
        }
    }
    // The plain 8 x 8 button follows the mixers' drop-down.
    const auto& modules = shell::ToolbarResource(shell::kToolbarModules);
    const auto mixers = std::find_if(modules.begin(), modules.end(),
                                     [](const shell::CToolbarButton& b) { return b.id == 32817; });
    ASSERT_NE(mixers, modules.end());
    ASSERT_NE(mixers + 1, modules.end());
    EXPECT_EQ(mixers[1].id, 32879);
    EXPECT_EQ(mixers[1].dropDown, -1);
}

// Separators only part groups: none leads or ends a toolbar, none follows
// another.
TEST(FrameResources, ToolbarSeparatorsStandBetweenButtons)
{
    for (int toolbar : {shell::kToolbarStandard, shell::kToolbarSpecial, shell::kToolbarDsp,
                        shell::kToolbarArrange, shell::kToolbarModules}) {
        SCOPED_TRACE(toolbar);
        const auto& buttons = shell::ToolbarResource(toolbar);
        ASSERT_FALSE(buttons.empty());
        EXPECT_NE(buttons.front().id, 0);
        EXPECT_NE(buttons.back().id, 0);
        for (std::size_t i = 1; i < buttons.size(); ++i)
            EXPECT_FALSE(buttons[i - 1].id == 0 && buttons[i].id == 0) << "at " << i;
    }
}

} // namespace
