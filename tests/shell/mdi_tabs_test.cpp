// The MDI tab strip's rules without windows: titles, pictures, which
// children get tabs, the selection and the double click.
#include "shell/mdi_tabs.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

using shell::CMdiChildIcons;
using shell::CMdiChildInfo;
using shell::CMdiTabStrip;
using shell::EMdiTabDoubleClick;

// Records what the strip asks of its tab bar, and mirrors it the way a tab
// bar would so the tests can compare the two.
class CRecordingView final : public shell::IMdiTabView {
public:
    void AddImage(shell::MdiIconKey icon) override
    {
        calls.push_back("image " + std::to_string(icon));
        images.push_back(icon);
    }
    void InsertTab(int index, const std::string& text, int image) override
    {
        calls.push_back("insert " + std::to_string(index) + " " + text + " " + std::to_string(image));
        tabs.insert(tabs.begin() + index, text);
    }
    void RemoveTab(int index) override
    {
        calls.push_back("remove " + std::to_string(index));
        tabs.erase(tabs.begin() + index);
    }
    void SetTabText(int index, const std::string& text) override
    {
        calls.push_back("text " + std::to_string(index) + " " + text);
        tabs[static_cast<std::size_t>(index)] = text;
    }
    void SelectTab(int index) override { calls.push_back("select " + std::to_string(index)); }

    std::vector<std::string> calls;
    std::vector<std::string> tabs;
    std::vector<shell::MdiIconKey> images;
};

// Child windows are told apart by address only.
int g_windows[8];

CMdiChildInfo Child(int n, std::string windowText, shell::MdiIconKey icon = 0)
{
    CMdiChildInfo child;
    child.window = &g_windows[n];
    child.className = "CChildDeviceFrame";
    child.windowText = std::move(windowText);
    child.icons.windowSmall = icon;
    return child;
}

TEST(MdiTabTitle, OwnTabTextFirstThenDocumentThenWindowText)
{
    struct Row {
        const char* name;
        const char* tabText;
        const char* documentTitle;
        const char* windowText;
        const char* expected;
    };
    const Row rows[] = {
        {"own tab text wins over both", "Tab", "Doc.zo", "Window", "Tab"},
        {"document title without tab text", "", "Doc.zo", "Window", "Doc.zo"},
        {"window text as the last resort", "", "", "Window", "Window"},
        {"nothing at all gives an empty tab", "", "", "", ""},
    };
    for (const Row& row : rows) {
        CMdiChildInfo child;
        child.tabText = row.tabText;
        child.documentTitle = row.documentTitle;
        child.windowText = row.windowText;
        EXPECT_EQ(shell::MdiTabTitle(child), row.expected) << row.name;
    }
}

TEST(MdiTabIcon, FirstIconInLookupOrder)
{
    struct Row {
        const char* name;
        CMdiChildIcons icons;
        shell::MdiIconKey expected;
    };
    const Row rows[] = {
        {"class small icon first", {1, 2, 3, 4}, 1},
        {"window small icon next", {0, 2, 3, 4}, 2},
        {"class icon before the window's big one", {0, 0, 3, 4}, 3},
        {"window big icon last", {0, 0, 0, 4}, 4},
        {"no icon anywhere", {0, 0, 0, 0}, 0},
    };
    for (const Row& row : rows) {
        EXPECT_EQ(shell::MdiTabIcon(row.icons), row.expected) << row.name;
    }
}

TEST(MdiTabDoubleClick, RestoresOnlyTheActiveMaximisedChild)
{
    struct Row {
        const char* name;
        bool active;
        bool maximised;
        EMdiTabDoubleClick expected;
    };
    const Row rows[] = {
        {"active and maximised restores", true, true, EMdiTabDoubleClick::Restore},
        {"active and normal maximises", true, false, EMdiTabDoubleClick::Maximise},
        {"non-active maximised child is maximised, not restored", false, true, EMdiTabDoubleClick::Maximise},
        {"non-active normal child maximises", false, false, EMdiTabDoubleClick::Maximise},
    };
    for (const Row& row : rows) {
        EXPECT_EQ(shell::MdiTabDoubleClickAction(row.active, row.maximised), row.expected) << row.name;
    }
}

class MdiTabStrip : public ::testing::Test {
protected:
    CRecordingView view;
    CMdiTabStrip strip{view};
};

TEST_F(MdiTabStrip, OneTabPerVisibleMdiChildEvenWithTheSameTitle)
{
    CMdiChildInfo hidden = Child(2, "Hidden");
    hidden.visible = false;
    CMdiChildInfo notMdi = Child(3, "Bar");
    notMdi.mdiChild = false;

    strip.Rebuild({Child(0, "Sheet"), hidden, Child(1, "Sheet"), notMdi}, nullptr);

    EXPECT_EQ(view.tabs, (std::vector<std::string>{"Sheet", "Sheet"}));
    ASSERT_EQ(strip.Count(), 2);
    EXPECT_EQ(strip.WindowAt(0), &g_windows[0]);
    EXPECT_EQ(strip.WindowAt(1), &g_windows[1]);
    EXPECT_EQ(strip.Item(1).flag, 1);
    EXPECT_EQ(strip.Item(1).className, "CChildDeviceFrame");
    EXPECT_EQ(strip.FindTab(&g_windows[2]), -1);
    EXPECT_EQ(strip.FindTab(&g_windows[3]), -1);
}

TEST_F(MdiTabStrip, PicturesAreSharedAndAChildWithoutIconHasNone)
{
    strip.Rebuild({Child(0, "A", 7), Child(1, "B"), Child(2, "C", 7), Child(3, "D", 9)}, nullptr);

    EXPECT_EQ(view.calls, (std::vector<std::string>{"image 7", "insert 0 A 0", "insert 1 B -1", "insert 2 C 0",
                                                    "image 9", "insert 3 D 1"}));
    EXPECT_EQ(strip.Icons(), (std::vector<shell::MdiIconKey>{7, 9}));
    EXPECT_EQ(strip.ImageAt(1), shell::kNoTabImage);
}

TEST_F(MdiTabStrip, FollowsTheChildrenFromOneRebuildToTheNext)
{
    strip.Rebuild({Child(0, "A"), Child(1, "B"), Child(2, "C")}, &g_windows[2]);
    EXPECT_EQ(strip.Selection(), 2);
    view.calls.clear();

    // A hides: its tab goes and the active child's tab moves up with the
    // selection; B's title changes; a rebuild with nothing new is silent.
    CMdiChildInfo a = Child(0, "A");
    a.visible = false;
    CMdiChildInfo b = Child(1, "B");
    b.tabText = "B*";
    strip.Rebuild({a, b, Child(2, "C")}, &g_windows[2]);
    EXPECT_EQ(view.calls, (std::vector<std::string>{"remove 0", "text 0 B*"}));
    EXPECT_EQ(view.tabs, (std::vector<std::string>{"B*", "C"}));
    EXPECT_EQ(strip.Selection(), 1);

    view.calls.clear();
    strip.Rebuild({a, b, Child(2, "C")}, &g_windows[2]);
    EXPECT_TRUE(view.calls.empty());

    // A shows again: a new tab at the end; B becomes active.
    strip.Rebuild({Child(0, "A"), b, Child(2, "C")}, &g_windows[1]);
    EXPECT_EQ(view.calls, (std::vector<std::string>{"insert 2 A -1", "select 0"}));
    EXPECT_EQ(view.tabs, (std::vector<std::string>{"B*", "C", "A"}));
}

TEST_F(MdiTabStrip, NoActiveChildSelectsNoTab)
{
    strip.Rebuild({Child(0, "A")}, &g_windows[0]);
    view.calls.clear();
    strip.Rebuild({Child(0, "A")}, nullptr);
    EXPECT_EQ(view.calls, (std::vector<std::string>{"select -1"}));
    EXPECT_EQ(strip.Selection(), -1);
}

TEST_F(MdiTabStrip, AWindowOfAnotherClassIsANewChild)
{
    // A window handle reused by a child of another class must not inherit
    // the old tab.
    strip.Rebuild({Child(0, "Sheet")}, nullptr);
    CMdiChildInfo reused = Child(0, "DSP");
    reused.className = "CChildDSPFrame";
    strip.Rebuild({reused}, nullptr);
    EXPECT_EQ(view.tabs, (std::vector<std::string>{"Sheet", "DSP"}));
    EXPECT_EQ(strip.FindTab(&g_windows[0], "CChildDSPFrame"), 1);
    EXPECT_EQ(strip.FindTab(&g_windows[0], "CChildDeviceFrame"), 0);
}

TEST_F(MdiTabStrip, RemovingADestroyedChildsTabKeepsTheSelectionOnItsChild)
{
    strip.Rebuild({Child(0, "A"), Child(1, "B"), Child(2, "C")}, &g_windows[2]);

    EXPECT_TRUE(strip.RemoveTab(&g_windows[0]));
    EXPECT_EQ(strip.Selection(), 1);
    EXPECT_EQ(strip.WindowAt(strip.Selection()), &g_windows[2]);

    EXPECT_TRUE(strip.RemoveTab(&g_windows[2]));
    EXPECT_EQ(strip.Selection(), -1);
    EXPECT_FALSE(strip.RemoveTab(&g_windows[2]));
    EXPECT_EQ(view.tabs, (std::vector<std::string>{"B"}));
    EXPECT_EQ(strip.WindowAt(1), nullptr);
    EXPECT_EQ(strip.WindowAt(-1), nullptr);
}

} // namespace
