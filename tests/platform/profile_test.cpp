#include "platform/profile/profile.h"

#include <gtest/gtest.h>

#include <climits>
#include <csignal>
#include <cstdlib>
#include <fstream>
#include <functional>
#include <iterator>
#include <sys/resource.h>
#include <sys/stat.h>
#include <thread>
#include <unistd.h>

namespace fs = std::filesystem;
using platform::profile::ini_contents_t;
using platform::profile::ini_file_t;

namespace {

class ProfileTest : public ::testing::Test {
protected:
    void SetUp() override {
        std::string pattern = (fs::temp_directory_path() / "profile_test.XXXXXX").string();
        ASSERT_NE(::mkdtemp(pattern.data()), nullptr);
        dir_ = pattern;
    }
    void TearDown() override {
        std::error_code ec;
        fs::permissions(dir_, fs::perms::owner_all, fs::perm_options::add, ec);
        fs::remove_all(dir_, ec);
    }

    fs::path file(const std::string& name = "test.ini") const { return dir_ / name; }

    static void put(const fs::path& path, std::string_view bytes) {
        std::ofstream out(path, std::ios::binary);
        out << bytes;
    }
    static std::string get(const fs::path& path) {
        std::ifstream in(path, std::ios::binary);
        return {std::istreambuf_iterator<char>(in), {}};
    }
    std::vector<std::string> entries() const {
        std::vector<std::string> names;
        for (const auto& entry : fs::directory_iterator(dir_))
            names.push_back(entry.path().filename().string());
        return names;
    }

    fs::path dir_;
};

// ---------------------------------------------------------------- reads

constexpr std::string_view sample = "; leading comment\n"
                                    "stray=before any section\n"
                                    "[General]\n"
                                    "Name = Ostrel Studio \t\n"
                                    "Title=\xe4\xb8\xad\xe6\x96\x87\xe6\xa0\x87\xe9\xa2\x98\n"
                                    "Quoted=\"  padded  \"\n"
                                    "Single='x'\n"
                                    "Mismatched=\"abc'\n"
                                    "Lonely=\"\n"
                                    "Empty=\n"
                                    "Dup=first\n"
                                    "dup=second\n"
                                    "NoEquals line\n"
                                    "# Hidden=comment\n"
                                    "; Semi=comment\n"
                                    "\n"
                                    "[general]\n"
                                    "Late=in the second copy\n"
                                    "[ Spaced ]\n"
                                    "k=v\n";

struct read_case_t {
    const char* name;
    const char* section;
    const char* key;
    const char* def;
    std::size_t size;
    std::string expected;
};

TEST_F(ProfileTest, ReadStringCases) {
    put(file(), sample);
    const read_case_t cases[] = {
        {"blanks around key and value trimmed", "General", "Name", "D", 500, "Ostrel Studio"},
        {"section compared without case", "GENERAL", "Name", "D", 500, "Ostrel Studio"},
        {"key compared without case", "General", "nAmE", "D", 500, "Ostrel Studio"},
        {"double quotes taken off, inner blanks kept", "General", "Quoted", "D", 500, "  padded  "},
        {"single quotes taken off", "General", "Single", "D", 500, "x"},
        {"mismatched quotes kept", "General", "Mismatched", "D", 500, "\"abc'"},
        {"a lone quote is not a pair", "General", "Lonely", "D", 500, "\""},
        {"empty value is not the default", "General", "Empty", "D", 500, ""},
        {"first of duplicated keys wins", "General", "DUP", "D", 500, "first"},
        {"first of duplicated sections wins", "General", "Late", "D", 500, "D"},
        {"line without '=' is no key", "General", "NoEquals line", "D", 500, "D"},
        {"'#' comment is no key", "General", "# Hidden", "D", 500, "D"},
        {"';' comment is no key", "General", "; Semi", "D", 500, "D"},
        {"lines before any section belong to none", "", "stray", "D", 500, "D"},
        {"missing section gives default", "Nowhere", "Name", "D", 500, "D"},
        {"missing key gives default", "General", "Nothing", "D", 500, "D"},
        {"blanks inside brackets trimmed", "Spaced", "k", "D", 500, "v"},
        {"buffer of 0 gives nothing", "General", "Name", "D", 0, ""},
        {"buffer of 1 holds only the terminator", "General", "Name", "D", 1, ""},
        {"buffer of 2 holds one character", "General", "Name", "D", 2, "O"},
        {"buffer of 8 holds seven characters", "General", "Name", "D", 8, "Ostrel "},
        {"multi-byte value cut by characters", "General", "Title", "D", 2, "\xe4\xb8\xad"},
        {"multi-byte value shorter than the buffer is whole", "General", "Title", "D", 8,
         "\xe4\xb8\xad\xe6\x96\x87\xe6\xa0\x87\xe9\xa2\x98"},
        {"multi-byte value cut by 3", "General", "Title", "D", 3, "\xe4\xb8\xad\xe6\x96\x87"},
        {"default is cut like a value", "General", "Nothing", "defaultvalue", 4, "def"},
        {"multi-byte default is cut by characters", "General", "Nothing",
         "\xe4\xb8\xad\xe6\x96\x87", 2, "\xe4\xb8\xad"},
    };
    const ini_file_t ini(file());
    const ini_contents_t contents = ini_contents_t::load(file());
    for (const auto& c : cases) {
        EXPECT_EQ(ini.read_string(c.section, c.key, c.def, c.size), c.expected) << c.name;
        EXPECT_EQ(contents.read_string(c.section, c.key, c.def, c.size), c.expected)
            << "read once: " << c.name;
    }
}

TEST_F(ProfileTest, ReadFromMissingFileGivesDefaults) {
    const ini_file_t ini(file("absent.ini"));
    EXPECT_EQ(ini.read_string("S", "k", "dflt"), "dflt");
    EXPECT_EQ(ini.read_int("S", "k", 42), 42);
    EXPECT_TRUE(ini.section_names().empty());
    EXPECT_FALSE(fs::exists(file("absent.ini")));
}

TEST_F(ProfileTest, ReadIntCases) {
    struct case_t {
        const char* name;
        const char* stored; // nullptr: no such key
        int expected;
    };
    const case_t cases[] = {
        {"negative number", "-12", -12},
        {"leading blanks and trailing text", "  7abc", 7},
        {"no digits reads as 0", "abc", 0},
        {"empty value gives default", "", 99},
        {"missing key gives default", nullptr, 99},
        {"explicit plus sign", "+3", 3},
        {"sign alone reads as 0", "-", 0},
        {"above int saturates", "2147483648", INT_MAX},
        {"below int saturates", "-2147483649", INT_MIN},
        {"far above 64 bits saturates", "99999999999999999999999", INT_MAX},
        {"quoted number read inside its quotes", "\"5\"", 5},
        {"decimal point ends the number", "3.9", 3},
    };
    for (const auto& c : cases) {
        put(file(), c.stored ? "[S]\nk=" + std::string(c.stored) + "\n" : "[S]\nother=1\n");
        EXPECT_EQ(ini_file_t(file()).read_int("s", "K", 99), c.expected) << c.name;
        EXPECT_EQ(ini_contents_t::load(file()).read_int("s", "K", 99), c.expected)
            << "read once: " << c.name;
    }
}

TEST_F(ProfileTest, NamesAndSectionLinesInFileOrder) {
    put(file(), sample);
    const ini_file_t ini(file());
    EXPECT_EQ(ini.section_names(), (std::vector<std::string>{"General", "Spaced"}));
    EXPECT_EQ(ini.key_names("general"),
              (std::vector<std::string>{"Name", "Title", "Quoted", "Single", "Mismatched", "Lonely",
                                        "Empty", "Dup"}));
    EXPECT_EQ(ini.read_section("SPACED"), (std::vector<std::string>{"k=v"}));
    const auto lines = ini.read_section("General");
    ASSERT_EQ(lines.size(), 9u);
    EXPECT_EQ(lines[0], "Name=Ostrel Studio");
    EXPECT_EQ(lines[2], "Quoted=\"  padded  \"");
    EXPECT_EQ(lines[8], "dup=second");
    EXPECT_TRUE(ini.key_names("Nowhere").empty());
    EXPECT_TRUE(ini.read_section("Nowhere").empty());
}

TEST_F(ProfileTest, GbkFileReadAsUtf8AndRewrittenAsUtf8) {
    // "[中文]\n名=中文\n" in GBK.
    put(file(), "[\xd6\xd0\xce\xc4]\n\xc3\xfb=\xd6\xd0\xce\xc4\n");
    ini_file_t ini(file());
    const std::string zhongwen = "\xe4\xb8\xad\xe6\x96\x87";
    const std::string ming = "\xe5\x90\x8d";
    EXPECT_EQ(ini.read_string(zhongwen, ming, "D"), zhongwen);
    EXPECT_EQ(ini.section_names(), std::vector<std::string>{zhongwen});

    ASSERT_TRUE(ini.write_string(zhongwen, "n", "1"));
    EXPECT_EQ(get(file()), "[" + zhongwen + "]\n" + ming + "=" + zhongwen + "\nn=1\n");
}

TEST_F(ProfileTest, ReadSectionBufferGrowsWithDoublingLoop) {
    put(file(), "[Units]\nalpha=1\nbeta=22\n; skipped\ngamma=333\n[Other]\nx=y\n");
    const ini_file_t ini(file());
    const std::string whole = std::string("alpha=1\0beta=22\0gamma=333\0\0", 27);

    // The caller's loop: grow while the answer is size - 2.
    std::vector<char> buffer(8, 'X');
    std::size_t got = 0;
    std::vector<std::size_t> sizes;
    while ((got = ini.read_section_buffer("units", buffer.data(), buffer.size())) ==
           buffer.size() - 2) {
        sizes.push_back(buffer.size());
        EXPECT_EQ(buffer[buffer.size() - 2], '\0');
        EXPECT_EQ(buffer[buffer.size() - 1], '\0');
        buffer.assign(buffer.size() * 2, 'X');
    }
    EXPECT_EQ(sizes, (std::vector<std::size_t>{8, 16}));
    EXPECT_EQ(got, whole.size() - 1);
    EXPECT_EQ(std::string(buffer.data(), got + 1), whole);

    // An exact fit is not a truncation.
    std::vector<char> exact(whole.size());
    EXPECT_EQ(ini.read_section_buffer("Units", exact.data(), exact.size()), whole.size() - 1);
    EXPECT_EQ(std::string(exact.data(), exact.size()), whole);
}

TEST_F(ProfileTest, ReadSectionBufferEdgeSizes) {
    put(file(), "[Units]\nalpha=1\n[Empty]\n");
    const ini_file_t ini(file());
    struct case_t {
        const char* name;
        const char* section;
        std::size_t size;
        std::size_t expected;
        std::string written; // the first `size` bytes afterwards
    };
    const case_t cases[] = {
        {"missing section: empty list", "Nowhere", 4, 0, std::string("\0\0XX", 4)},
        {"empty section: empty list", "Empty", 4, 0, std::string("\0\0XX", 4)},
        {"size 2 with content: nothing fits", "Units", 2, 0, std::string("\0\0", 2)},
        {"size 1 with content: no overrun", "Units", 1, 0, std::string("\0", 1)},
        {"size 1, missing section: no overrun", "Nowhere", 1, 0, std::string("\0", 1)},
        {"size 0: nothing touched", "Units", 0, 0, ""},
    };
    for (const auto& c : cases) {
        std::string buffer(8, 'X');
        EXPECT_EQ(ini.read_section_buffer(c.section, buffer.data(), c.size), c.expected) << c.name;
        EXPECT_EQ(buffer.substr(0, c.written.size()), c.written) << c.name;
        EXPECT_EQ(buffer.substr(c.size), std::string(8 - c.size, 'X')) << c.name;
    }
}

// ---------------------------------------------------------------- writes

struct edit_case_t {
    const char* name;
    std::string before;
    std::function<bool(ini_file_t&)> edit;
    std::string after;
};

TEST_F(ProfileTest, EditsChangeOnlyWhatTheyTouch) {
    const edit_case_t cases[] = {
        {"replaced value keeps the key's spelling and place", "[A]\nKey = 1\nother=2\n",
         [](ini_file_t& f) { return f.write_string("a", "KEY", "5"); }, "[A]\nKey=5\nother=2\n"},
        {"new key goes after the section's last key", "[A]\nx=1\n; note\n\n[B]\ny=2\n",
         [](ini_file_t& f) { return f.write_string("A", "z", "3"); },
         "[A]\nx=1\nz=3\n; note\n\n[B]\ny=2\n"},
        {"new key in a keyless section goes under the header", "[A]\n\n[B]\n",
         [](ini_file_t& f) { return f.write_string("A", "k", "v"); }, "[A]\nk=v\n\n[B]\n"},
        {"new section appended after a blank line", "[A]\nx=1\n",
         [](ini_file_t& f) { return f.write_string("B", "k", "v"); }, "[A]\nx=1\n\n[B]\nk=v\n"},
        {"no second blank line before a new section", "[A]\nx=1\n\n",
         [](ini_file_t& f) { return f.write_string("B", "k", "v"); }, "[A]\nx=1\n\n[B]\nk=v\n"},
        {"missing final newline stays missing", "[A]\nx=1",
         [](ini_file_t& f) { return f.write_string("A", "x", "2"); }, "[A]\nx=2"},
        {"appended section ends with a newline", "[A]\nx=1",
         [](ini_file_t& f) { return f.write_string("B", "k", "v"); }, "[A]\nx=1\n\n[B]\nk=v\n"},
        {"the first of duplicated sections is edited", "[A]\nx=1\n[B]\n[a]\nx=2\n",
         [](ini_file_t& f) { return f.write_string("A", "x", "9"); }, "[A]\nx=9\n[B]\n[a]\nx=2\n"},
        {"deleting a key removes its lines only, duplicates too",
         "; top\n[A]\nx=1\nk=v\n; c\nK=dup\n[B]\nk=keep\n",
         [](ini_file_t& f) { return f.write_string("a", "k", std::nullopt); },
         "; top\n[A]\nx=1\n; c\n[B]\nk=keep\n"},
        {"deleting a section removes up to the next header",
         "; top\n[A]\nx=1\n\n[B]\n; about b\ny=2\n\n[C]\nz=3\n",
         [](ini_file_t& f) { return f.write_string("b", std::nullopt, std::nullopt); },
         "; top\n[A]\nx=1\n\n[C]\nz=3\n"},
        {"deleting a duplicated section removes every copy", "[A]\nx=1\n[B]\n[a]\ny=2\n",
         [](ini_file_t& f) { return f.write_string("A", std::nullopt, std::nullopt); }, "[B]\n"},
        {"deleting a missing key changes nothing", "[A]\nx=1\n",
         [](ini_file_t& f) { return f.write_string("A", "nope", std::nullopt); }, "[A]\nx=1\n"},
        {"CRLF file keeps CRLF on new and replaced lines", "[A]\r\nx=1\r\n; c\r\n",
         [](ini_file_t& f) {
             return f.write_string("A", "x", "2") && f.write_string("A", "y", "3") &&
                    f.write_string("B", "z", "4");
         },
         "[A]\r\nx=2\r\ny=3\r\n; c\r\n\r\n[B]\r\nz=4\r\n"},
        {"section write replaces contents, keeps the separator",
         "[A]\nold=1\n; c\nold2=2\n\n[B]\ny=2\n",
         [](ini_file_t& f) {
             return f.write_section("a", {"n=1", "m=2"});
         },
         "[A]\nn=1\nm=2\n\n[B]\ny=2\n"},
        {"section write creates a missing section", "[A]\nx=1\n",
         [](ini_file_t& f) { return f.write_section("N", {"k=v"}); }, "[A]\nx=1\n\n[N]\nk=v\n"},
        {"section write with no lines empties it", "[A]\nx=1\n[B]\ny=2\n",
         [](ini_file_t& f) { return f.write_section("A", {}); }, "[A]\n[B]\ny=2\n"},
    };
    for (const auto& c : cases) {
        put(file(), c.before);
        ini_file_t ini(file());
        EXPECT_TRUE(c.edit(ini)) << c.name;
        EXPECT_EQ(get(file()), c.after) << c.name;
    }
}

TEST_F(ProfileTest, WritingCreatesTheFileButDeletingDoesNot) {
    ini_file_t fresh(file("new.ini"));
    EXPECT_TRUE(fresh.write_string("S", "k", "v"));
    EXPECT_EQ(get(file("new.ini")), "[S]\nk=v\n");

    ini_file_t absent(file("absent.ini"));
    EXPECT_TRUE(absent.write_string("S", "k", std::nullopt));
    EXPECT_TRUE(absent.write_string("S", std::nullopt, std::nullopt));
    EXPECT_FALSE(fs::exists(file("absent.ini")));

    ini_file_t nowhere(dir_ / "missing-dir" / "x.ini");
    EXPECT_FALSE(nowhere.write_string("S", "k", "v"));
    EXPECT_FALSE(fs::exists(dir_ / "missing-dir"));
}

TEST_F(ProfileTest, EveryCallReadsTheFileAfresh) {
    fs::create_directory(dir_ / "sub");
    ini_file_t writer(file());
    // Another spelling of the same path names the same file.
    const ini_file_t reader(dir_ / "." / "sub" / ".." / "test.ini");
    ASSERT_TRUE(writer.write_string("S", "k", "one"));
    EXPECT_EQ(reader.read_string("s", "k", "D"), "one");
    ASSERT_TRUE(writer.write_string("S", "k", "two"));
    EXPECT_EQ(reader.read_string("s", "k", "D"), "two");
    put(file(), "[S]\nk=three\n");
    EXPECT_EQ(reader.read_string("s", "k", "D"), "three");
}

TEST_F(ProfileTest, ContentsAreReadOnceAndKeepWhatTheyRead) {
    put(file(), "[S]\nk=one\nn=5\n");
    const std::uint64_t before = platform::profile::file_reads();
    const ini_contents_t contents = ini_contents_t::load(file());
    EXPECT_EQ(platform::profile::file_reads() - before, 1u);
    put(file(), "[S]\nk=two\n");
    for (int i = 0; i < 100; ++i) {
        ASSERT_EQ(contents.read_string("s", "K", "D"), "one");
        ASSERT_EQ(contents.read_int("S", "n", 0), 5);
    }
    EXPECT_EQ(platform::profile::file_reads() - before, 1u) << "lookups never touch the file";
    EXPECT_EQ(ini_contents_t::load(file()).read_string("S", "k", "D"), "two");

    // Each call of the file reader opens the file, a missing one included.
    const ini_file_t absent(file("absent.ini"));
    const std::uint64_t reads = platform::profile::file_reads();
    EXPECT_EQ(absent.read_int("S", "k", 3), 3);
    EXPECT_EQ(absent.read_string("S", "k", "D"), "D");
    EXPECT_EQ(platform::profile::file_reads() - reads, 2u);
    EXPECT_EQ(ini_contents_t::load(file("absent.ini")).read_int("S", "k", 4), 4);
    EXPECT_EQ(ini_contents_t().read_string("S", "k", "empty"), "empty");
}

TEST_F(ProfileTest, ReplacingKeepsPermissionBits) {
    put(file(), "[S]\nk=1\n");
    fs::permissions(file(), fs::perms::owner_read | fs::perms::owner_write | fs::perms::group_read);
    ASSERT_TRUE(ini_file_t(file()).write_string("S", "k", "2"));
    EXPECT_EQ(fs::status(file()).permissions(),
              fs::perms::owner_read | fs::perms::owner_write | fs::perms::group_read);
}

TEST_F(ProfileTest, WritingThroughALinkReplacesItsTarget) {
    put(file("real.ini"), "[S]\nk=1\n");
    fs::create_symlink("real.ini", file("link.ini"));
    ASSERT_TRUE(ini_file_t(file("link.ini")).write_string("S", "k", "2"));
    EXPECT_TRUE(fs::is_symlink(file("link.ini")));
    EXPECT_EQ(get(file("real.ini")), "[S]\nk=2\n");
}

TEST_F(ProfileTest, FailedWriteLeavesOldFileAndNoTemporary) {
    const std::string old = "; keep me\n[S]\nk=1\n";
    put(file(), old);

    // A file size limit makes the write of the temporary fail midway, even
    // for root.
    rlimit saved{};
    ASSERT_EQ(::getrlimit(RLIMIT_FSIZE, &saved), 0);
    const auto old_handler = std::signal(SIGXFSZ, SIG_IGN);
    rlimit limited = saved;
    limited.rlim_cur = 64;
    ASSERT_EQ(::setrlimit(RLIMIT_FSIZE, &limited), 0);
    const bool written = ini_file_t(file()).write_string("S", "k", std::string(4096, 'v'));
    ::setrlimit(RLIMIT_FSIZE, &saved);
    std::signal(SIGXFSZ, old_handler);

    EXPECT_FALSE(written);
    EXPECT_EQ(get(file()), old);
    EXPECT_EQ(entries(), std::vector<std::string>{"test.ini"});
}

TEST_F(ProfileTest, ReadOnlyDirectoryLeavesOldFile) {
    const std::string old = "[S]\nk=1\n";
    put(file(), old);
    fs::permissions(dir_, fs::perms::owner_read | fs::perms::owner_exec);
    if (::access(dir_.c_str(), W_OK) == 0)
        GTEST_SKIP() << "directory permissions do not bind this user";
    EXPECT_FALSE(ini_file_t(file()).write_string("S", "k", "2"));
    EXPECT_EQ(get(file()), old);
}

TEST_F(ProfileTest, UnreadableFileIsNotReplaced) {
    const std::string old = "[S]\nk=1\n";
    put(file(), old);
    fs::permissions(file(), fs::perms::owner_write);
    if (::access(file().c_str(), R_OK) == 0)
        GTEST_SKIP() << "file permissions do not bind this user";
    // Writing what it could read (nothing) would lose k.
    EXPECT_FALSE(ini_file_t(file()).write_string("S", "other", "2"));
    fs::permissions(file(), fs::perms::owner_read | fs::perms::owner_write);
    EXPECT_EQ(get(file()), old);
}

TEST_F(ProfileTest, DirectoryInTheFilesPlaceIsNotReplaced) {
    // A directory in the file's place cannot be read; a write must not
    // replace what it could not read.
    fs::create_directory(file());
    EXPECT_FALSE(ini_file_t(file()).write_string("S", "k", "v"));
    EXPECT_TRUE(fs::is_directory(file()));
    EXPECT_EQ(entries(), std::vector<std::string>{"test.ini"});
}

TEST_F(ProfileTest, WriteThatWouldBreakUtf8IsRefused) {
    const std::string old = "[S]\nname=\xe4\xb8\xad\xe6\x96\x87\n";
    put(file(), old);
    // Raw GBK bytes would make the reader take the whole file for GBK.
    EXPECT_FALSE(ini_file_t(file()).write_string("S", "k", "\xd6\xd0"));
    EXPECT_EQ(get(file()), old);
}

TEST_F(ProfileTest, TwoThreadsWritingDifferentKeysLoseNothing) {
    constexpr int writes = 200;
    auto writer = [&](const fs::path& path, std::string prefix) {
        ini_file_t ini(path);
        for (int i = 0; i < writes; ++i)
            ini.write_string("Shared", prefix + std::to_string(i), std::to_string(i));
    };
    // Each thread names the file differently; they must still share one lock.
    std::thread first(writer, file(), "a");
    std::thread second(writer, dir_ / "." / "test.ini", "b");
    first.join();
    second.join();

    const ini_file_t ini(file());
    EXPECT_EQ(ini.key_names("Shared").size(), 2u * writes);
    for (int i = 0; i < writes; ++i) {
        EXPECT_EQ(ini.read_int("Shared", "a" + std::to_string(i), -1), i);
        EXPECT_EQ(ini.read_int("Shared", "b" + std::to_string(i), -1), i);
    }
}

} // namespace
