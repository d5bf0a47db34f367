#include "shell/recent_files.h"

#include "platform/profile/registry.h"
#include "shell_test_support.h"

#include <gtest/gtest.h>

#include <array>
#include <string>

namespace {

using shell::CRecentFileList;
using Slots = std::array<std::string, shell::kRecentFileCount>;

// Through the profile, which is where a list with gaps comes from (a value
// deleted by hand).
CRecentFileList ListOf(const Slots& slots) {
    shell_test::TempFolder folder;
    platform::profile::registry_store_t store(folder.path() / "Registry.ini");
    for (std::size_t i = 0; i < slots.size(); ++i)
        if (!slots[i].empty())
            store.set(platform::profile::hive::current_user,
                      "Software\\Ny\\Ostrel\\Recent File List", "File" + std::to_string(i + 1),
                      slots[i]);
    CRecentFileList list;
    list.ReadList(store);
    return list;
}

Slots SlotsOf(const CRecentFileList& list) {
    Slots slots;
    for (std::size_t i = 0; i < slots.size(); ++i)
        slots[i] = list[i];
    return slots;
}

struct CleanRow {
    const char* name;
    Slots before;
    Slots after;
};

TEST(ShellCleanRecentFileList, KeepsOnlyTheProgramsDocuments) {
    const CleanRow rows[] = {
        {"documents stay", {"/s/a.zo", "/s/b.dsp", "", ""}, {"/s/a.zo", "/s/b.dsp", "", ""}},
        {"a foreign first entry goes, the rest move up",
         {"/s/notes.txt", "/s/a.zo", "/s/b.dsp", "/s/c.zo"},
         {"/s/a.zo", "/s/b.dsp", "/s/c.zo", ""}},
        {"two foreign entries in a row: the moved-up one is looked at too",
         {"/s/x.txt", "/s/y.ini", "/s/a.zo", ""},
         {"/s/a.zo", "", "", ""}},
        {"foreign entries at the end", {"/s/a.zo", "/s/x.bmp", "/s/y.bmp", "/s/z.bmp"},
         {"/s/a.zo", "", "", ""}},
        {"nothing but foreign entries", {"/s/w", "/s/x.txt", "/s/y.doc", "/s/z.ZOO"},
         {"", "", "", ""}},
        {"the extension in upper case is a document", {"/s/A.DSP", "/s/B.Zo", "", ""},
         {"/s/A.DSP", "/s/B.Zo", "", ""}},
        {"an ending without its dot is foreign", {"/s/mydsp", "/s/cazo", "/s/a.dsp.bak", "/s/.zo"},
         {"/s/.zo", "", "", ""}},
        {"an empty slot is kept and passed over", {"/s/a.zo", "", "/s/x.txt", "/s/b.dsp"},
         {"/s/a.zo", "", "/s/b.dsp", ""}},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.name);
        CRecentFileList list = ListOf(row.before);
        ASSERT_EQ(SlotsOf(list), row.before);
        shell::CleanRecentFileList(list);
        EXPECT_EQ(SlotsOf(list), row.after);
    }
}

TEST(ShellRecentFileList, AddMovesAnEntryUpAndDropsTheOldestOfAFullList) {
    CRecentFileList list;
    list.Add("/s/a.zo");
    list.Add("/s/b.zo");
    list.Add("/s/c.dsp");
    EXPECT_EQ(SlotsOf(list), (Slots{"/s/c.dsp", "/s/b.zo", "/s/a.zo", ""}));
    list.Add("/s/a.zo");
    EXPECT_EQ(SlotsOf(list), (Slots{"/s/a.zo", "/s/c.dsp", "/s/b.zo", ""}));
    list.Add("/s/d.zo");
    list.Add("/s/e.zo");
    EXPECT_EQ(SlotsOf(list), (Slots{"/s/e.zo", "/s/d.zo", "/s/a.zo", "/s/c.dsp"}));
    // Paths differing in case are different files here.
    list.Add("/s/E.zo");
    EXPECT_EQ(SlotsOf(list), (Slots{"/s/E.zo", "/s/e.zo", "/s/d.zo", "/s/a.zo"}));
    list.Add("");
    EXPECT_EQ(list[0], "/s/E.zo");
    EXPECT_EQ(list.GetDisplayName(1), "e.zo");
    list.Remove(0);
    EXPECT_EQ(SlotsOf(list), (Slots{"/s/e.zo", "/s/d.zo", "/s/a.zo", ""}));
    EXPECT_EQ(list.GetDisplayName(3), "");
}

TEST(ShellRecentFileList, KeptInTheFrameworkProfile) {
    shell_test::TempFolder folder;
    platform::profile::registry_store_t store(folder.path() / "Registry.ini");
    CRecentFileList list;
    list.Add("/s/b.dsp");
    list.Add("/home/用户/a b.zo");
    ASSERT_TRUE(list.WriteList(store));
    using platform::profile::hive;
    EXPECT_EQ(store.get(hive::current_user, "Software\\Ny\\Ostrel\\Recent File List", "File1"),
              "/home/用户/a b.zo");
    EXPECT_EQ(store.get(hive::current_user, "Software\\Ny\\Ostrel\\Recent File List", "File2"),
              "/s/b.dsp");
    EXPECT_FALSE(store.get(hive::current_user, "Software\\Ny\\Ostrel\\Recent File List", "File3"));

    CRecentFileList read;
    read.ReadList(store);
    EXPECT_EQ(SlotsOf(read), SlotsOf(list));

    // An entry removed is removed from the store too.
    read.Remove(0);
    ASSERT_TRUE(read.WriteList(store));
    CRecentFileList again;
    again.ReadList(store);
    EXPECT_EQ(SlotsOf(again), (Slots{"/s/b.dsp", "", "", ""}));
}

} // namespace
