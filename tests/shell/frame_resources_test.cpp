// The main window's menus and toolbars: every entry reads in both shipped
// languages, and every drop-down opens a submenu that is there.
#include "shell/frame_resources.h"

#include "shell/commands.h"
#include "shell/language.h"

#include <gtest/gtest.h>

#include <set>

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

} // namespace
