#include "fixture.h"

#include "platform/automation/registry.h"

#include <gtest/gtest.h>

#include <fstream>
#include <sstream>

namespace pa = platform::automation;

namespace {

constexpr auto clsid_manager = pa::make_guid("{381EF319-04C3-4191-AD9D-FED30FE4DF7B}");
constexpr auto libid = pa::make_guid("{8BEC4E65-ABD9-48BE-A2E5-1CBEF43817F7}");

pa::class_record_t manager_record()
{
    pa::class_record_t r;
    r.clsid = clsid_manager;
    r.description = "com_manager Class";
    r.progid = "Kestrin2.com_manager.1";
    r.version_independent_progid = "Kestrin2.com_manager";
    r.kind = pa::server_kind::inproc;
    r.path = "/opt/lib/libkestrin2.so";
    r.threading_model = "Apartment";
    r.typelib = libid;
    r.programmable = true;
    return r;
}

std::string read_file(const std::filesystem::path& p)
{
    std::ifstream in(p);
    std::stringstream s;
    s << in.rdbuf();
    return s.str();
}

TEST(AutomationRegistry, ProgIdLookupIgnoresCaseAndFollowsCurVer)
{
    autotest::temp_registry_t temp;
    pa::class_registry_t reg(temp.file());
    ASSERT_TRUE(reg.add_class(manager_record()));

    const char* names[] = {
        "Kestrin2.com_manager.1",
        "kestrin2.com_manager.1", // how the operator program asks
        "KESTRIN2.COM_MANAGER",
        "{381ef319-04c3-4191-ad9d-fed30fe4df7b}",
    };
    for (const char* name : names)
        EXPECT_EQ(reg.clsid_from_progid(name), clsid_manager) << name;
    EXPECT_FALSE(reg.clsid_from_progid("Kestrin2.com_manager.2"));
    EXPECT_FALSE(reg.clsid_from_progid(""));

    const auto r = reg.find_class(clsid_manager);
    ASSERT_TRUE(r);
    EXPECT_EQ(r->description, "com_manager Class");
    EXPECT_EQ(r->version_independent_progid, "Kestrin2.com_manager");
    EXPECT_EQ(r->kind, pa::server_kind::inproc);
    EXPECT_EQ(r->path, "/opt/lib/libkestrin2.so");
    EXPECT_EQ(r->threading_model, "Apartment");
    EXPECT_EQ(r->typelib, libid);
    EXPECT_FALSE(r->appid);
    EXPECT_TRUE(r->programmable);
    EXPECT_EQ(reg.progid_from_clsid(clsid_manager), "Kestrin2.com_manager.1");
}

TEST(AutomationRegistry, CurVerLeadsToTheNewerVersion)
{
    autotest::temp_registry_t temp;
    pa::class_registry_t reg(temp.file());
    auto v1 = manager_record();
    auto v2 = manager_record();
    v2.clsid = pa::make_guid("{381EF319-04C3-4191-AD9D-FED30FE4DF7C}");
    v2.progid = "Kestrin2.com_manager.2";
    ASSERT_TRUE(reg.add_class(v1));
    ASSERT_TRUE(reg.add_class(v2));
    EXPECT_EQ(reg.clsid_from_progid("kestrin2.com_manager"), v2.clsid);
    EXPECT_EQ(reg.clsid_from_progid("Kestrin2.com_manager.1"), v1.clsid);

    // Removing the newer class must not leave its ProgIDs behind.
    ASSERT_TRUE(reg.remove_class(v2.clsid));
    EXPECT_FALSE(reg.clsid_from_progid("Kestrin2.com_manager.2"));
    EXPECT_FALSE(reg.clsid_from_progid("Kestrin2.com_manager"));
    EXPECT_EQ(reg.clsid_from_progid("Kestrin2.com_manager.1"), v1.clsid);
}

TEST(AutomationRegistry, ReRegistrationReplacesEntriesOfAnyLetterCase)
{
    autotest::temp_registry_t temp;
    pa::class_registry_t reg(temp.file());
    ASSERT_TRUE(reg.add_class(manager_record()));
    auto moved = manager_record();
    moved.progid = "KESTRIN2.COM_MANAGER.1";
    moved.path = "/usr/lib/libkestrin2.so";
    ASSERT_TRUE(reg.add_class(moved));
    EXPECT_EQ(reg.classes().size(), 1u);
    EXPECT_EQ(reg.find_class(clsid_manager)->path, "/usr/lib/libkestrin2.so");
    const auto text = read_file(temp.file());
    EXPECT_EQ(text.find("[ProgID Kestrin2.com_manager.1]"), std::string::npos) << text;
}

TEST(AutomationRegistry, AppIdAndTypeLibEntries)
{
    autotest::temp_registry_t temp;
    pa::class_registry_t reg(temp.file());
    const auto appid = pa::make_guid("{40F143F6-D84A-4B29-803B-6C6C42261313}");
    ASSERT_TRUE(reg.add_appid({appid, "Mellick", "Mellick.EXE"}));
    ASSERT_TRUE(reg.add_typelib({libid, "KESTRIN2Lib", "1.0", "/opt/lib/libkestrin2.so"}));
    const auto a = reg.find_appid(appid);
    ASSERT_TRUE(a);
    EXPECT_EQ(a->name, "Mellick");
    EXPECT_EQ(a->executable, "Mellick.EXE");
    EXPECT_EQ(reg.find_typelib(libid)->version, "1.0");
    ASSERT_TRUE(reg.remove_appid(appid));
    EXPECT_FALSE(reg.find_appid(appid));
    EXPECT_EQ(read_file(temp.file()).find("Mellick.EXE"), std::string::npos);
}

TEST(AutomationRegistry, DamagedFileReadsWhatItCanAndKeepsForeignEntries)
{
    autotest::temp_registry_t temp;
    {
        std::ofstream out(temp.file());
        out << "garbage line\n"
               "[CLSID {381EF319-04C3-4191-AD9D-FED30FE4DF7B}\n" // header not closed
               "Server=inproc\n"
               "[ProgID Broken.thing.1]\n"
               "CLSID=not-a-guid\n"
               "[ProgID Loop.a]\nCurVer=Loop.b\n[ProgID Loop.b]\nCurVer=Loop.a\n"
               "[Other section]\nkey=kept value\n";
    }
    pa::class_registry_t reg(temp.file());
    EXPECT_FALSE(reg.find_class(clsid_manager));
    EXPECT_FALSE(reg.clsid_from_progid("Broken.thing.1"));
    EXPECT_FALSE(reg.clsid_from_progid("Loop.a")); // a CurVer loop ends
    ASSERT_TRUE(reg.add_class(manager_record()));
    EXPECT_TRUE(reg.find_class(clsid_manager));
    EXPECT_NE(read_file(temp.file()).find("key=kept value"), std::string::npos);
}

TEST(AutomationRegistry, RefusesTextsThatWouldBreakTheFile)
{
    autotest::temp_registry_t temp;
    pa::class_registry_t reg(temp.file());
    auto r = manager_record();
    r.description = "two\nlines";
    EXPECT_FALSE(reg.add_class(r));
    r = manager_record();
    r.progid = "Bad]name.1";
    EXPECT_FALSE(reg.add_class(r));
    EXPECT_FALSE(std::filesystem::exists(temp.file()));
}

TEST(AutomationRegistry, UnwritablePlaceLeavesTheFileAlone)
{
    autotest::temp_registry_t temp;
    pa::class_registry_t reg(temp.file());
    ASSERT_TRUE(reg.add_class(manager_record()));
    const auto before = read_file(temp.file());
    // A registry whose folder is a file cannot be written.
    pa::class_registry_t blocked(temp.file() / "inside.ini");
    EXPECT_FALSE(blocked.add_class(manager_record()));
    EXPECT_EQ(read_file(temp.file()), before);
}

TEST(AutomationRegistry, DefaultPathComesFromTheEnvironment)
{
    autotest::temp_registry_t temp;
    EXPECT_EQ(pa::class_registry_t::default_path(), temp.file());
    ::unsetenv("OSTREL_AUTOMATION_REGISTRY");
    const char* home = std::getenv("HOME");
    const char* xdg = std::getenv("XDG_DATA_HOME");
    if (xdg && *xdg) {
        EXPECT_EQ(pa::class_registry_t::default_path(),
                  std::filesystem::path(xdg) / "ostrel" / "automation-classes.ini");
    } else if (home && *home) {
        EXPECT_EQ(pa::class_registry_t::default_path(),
                  std::filesystem::path(home) / ".local/share/ostrel/automation-classes.ini");
    }
}

} // namespace
