// The shared header of message ids, read as the source it is: every id in it
// is declared once under one name, and each has a text in the built-in table
// and in both shipped language packs, so no message the program shows comes
// up empty or in the wrong language.
#include <gtest/gtest.h>

#include <fstream>
#include <map>
#include <regex>
#include <set>
#include <sstream>
#include <string>

#include "resources/message_ids.h"
#include "resources/string_table.h"

namespace {

std::string ReadFile(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    EXPECT_TRUE(in) << path;
    std::ostringstream text;
    text << in.rdbuf();
    return text.str();
}

struct declared_t {
    std::map<std::string, int> byName;
    std::multimap<int, std::string> byId;
    int declarations = 0; // every "constexpr" in the header, parsed or not
};

declared_t ReadHeader() {
    const std::string text = ReadFile(OSTREL_RESOURCES_DIR "/message_ids.h");
    declared_t d;
    for (std::size_t at = text.find("constexpr"); at != std::string::npos;
         at = text.find("constexpr", at + 1))
        ++d.declarations;
    const std::regex line(R"(inline constexpr int (k\w+) = (\d+);)");
    for (std::sregex_iterator it(text.begin(), text.end(), line), end; it != end; ++it) {
        const std::string name = (*it)[1];
        const int id = std::stoi((*it)[2]);
        EXPECT_TRUE(d.byName.emplace(name, id).second) << name << " declared twice";
        d.byId.emplace(id, name);
    }
    return d;
}

// The ids of a pack's [Strings] section.
std::set<int> PackStrings(const std::string& pack) {
    std::istringstream in(ReadFile(OSTREL_RESOURCES_DIR "/Language/" + pack));
    std::set<int> ids;
    bool strings = false;
    for (std::string line; std::getline(in, line);) {
        if (!line.empty() && line.back() == '\r')
            line.pop_back();
        if (!line.empty() && line.front() == '[') {
            strings = line == "[Strings]";
            continue;
        }
        std::smatch m;
        if (strings && std::regex_match(line, m, std::regex(R"((\d+)=(.*))")) &&
            !m[2].str().empty())
            ids.insert(std::stoi(m[1]));
    }
    return ids;
}

TEST(MessageIds, EachIdIsDeclaredOnceUnderOneName) {
    const declared_t d = ReadHeader();
    ASSERT_GT(d.byName.size(), 100u);
    // A declaration the pattern missed would escape the checks below.
    EXPECT_EQ(d.declarations, static_cast<int>(d.byName.size()));
    for (auto it = d.byId.begin(); it != d.byId.end(); ++it) {
        const auto next = std::next(it);
        if (next != d.byId.end() && next->first == it->first)
            ADD_FAILURE() << "id " << it->first << " is both " << it->second << " and "
                          << next->second;
    }
    // The header read is the header compiled.
    EXPECT_EQ(d.byName.at("kMsgBadFileFormat"), resources::kMsgBadFileFormat);
    EXPECT_EQ(d.byName.at("kMsgCannotCloseRunning"), resources::kMsgCannotCloseRunning);
}

TEST(MessageIds, EachIdHasABuiltinTextAndOneInEachShippedPack) {
    const declared_t d = ReadHeader();
    const std::set<int> english = PackStrings("rcEng.lang");
    const std::set<int> chinese = PackStrings("rcChs.lang");
    ASSERT_FALSE(english.empty());
    ASSERT_FALSE(chinese.empty());
    for (const auto& [name, id] : d.byName) {
        SCOPED_TRACE(name + " " + std::to_string(id));
        EXPECT_FALSE(resources::BuiltinString(id).empty());
        EXPECT_TRUE(english.contains(id));
        EXPECT_TRUE(chinese.contains(id));
    }
}

} // namespace
