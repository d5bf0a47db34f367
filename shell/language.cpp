#include "shell/language.h"

#include "comm/event_log.h"
#include "platform/text/ascii.h"
#include "platform/text/codepage.h"
#include "resources/string_table.h"
#include "shell/app_settings.h"

#include <algorithm>
#include <atomic>
#include <cstdlib>
#include <fstream>
#include <iterator>
#include <mutex>
#include <regex>
#include <set>
#include <sstream>

namespace shell {

namespace {

using platform::text::equals_no_case;

std::string_view Trim(std::string_view s) {
    const auto first = s.find_first_not_of(" \t");
    if (first == std::string_view::npos)
        return {};
    const auto last = s.find_last_not_of(" \t");
    return s.substr(first, last - first + 1);
}

// A decimal id: digits only, few enough to fit an int.
std::optional<int> ParseId(std::string_view text) {
    if (text.empty() || text.size() > 9)
        return std::nullopt;
    int value = 0;
    for (char c : text) {
        if (c < '0' || c > '9')
            return std::nullopt;
        value = value * 10 + (c - '0');
    }
    return value;
}

// Texts of a pack by their escapes; none with the offending escape in
// `error` when one is not known.
std::optional<std::string> Unescape(std::string_view text, std::string& error) {
    std::string out;
    out.reserve(text.size());
    for (std::size_t i = 0; i < text.size(); ++i) {
        if (text[i] != '\\') {
            out += text[i];
            continue;
        }
        if (i + 1 == text.size()) {
            error = "a '\\' at the end of the text";
            return std::nullopt;
        }
        switch (text[++i]) {
        case 'r': out += '\r'; break;
        case 'n': out += '\n'; break;
        case 't': out += '\t'; break;
        case '\\': out += '\\'; break;
        default:
            error = "unknown escape '\\" + std::string(1, text[i]) + "'";
            return std::nullopt;
        }
    }
    return out;
}

std::string JoinConversions(const std::vector<std::string>& conversions) {
    if (conversions.empty())
        return "none";
    std::string joined;
    for (const auto& c : conversions) {
        if (!joined.empty())
            joined += ' ';
        joined += '%';
        joined += c;
    }
    return joined;
}

std::mutex g_logLock;
LanguageLog g_log;

void Log(const std::string& text) {
    LanguageLog log;
    {
        std::lock_guard lock(g_logLock);
        log = g_log;
    }
    if (log)
        log(text);
    else
        comm::WriteLog(text);
}

bool IsPlainTitle(std::string_view title) {
    return !title.empty() && title != "." && title != ".." &&
           title.find('/') == std::string_view::npos && title.find('\0') == std::string_view::npos;
}

bool IsPackFile(const std::filesystem::directory_entry& entry) {
    const std::string name = entry.path().filename().string();
    std::error_code ec;
    return name.size() > 5 && equals_no_case(std::string_view(name).substr(name.size() - 5), ".lang") &&
           entry.is_regular_file(ec);
}

std::string Title(const std::filesystem::path& file) {
    const std::string name = file.filename().string();
    return name.substr(0, name.size() - 5);
}

// The rank the pack's text 270 gives; none when the pack has no such text.
// Ranks were always read into a buffer of three characters.
std::optional<int> Rank(const CLanguagePack& pack) {
    const std::string* text = pack.String(kLanguageRankString);
    if (text == nullptr || text->empty())
        return std::nullopt;
    return std::atoi(text->substr(0, 3).c_str());
}

// An installed language; never destroyed, so that the views LoadString gave
// out stay valid whatever is installed later.
class CInstalledTexts final : public resources::IStringSource {
public:
    CInstalledTexts(std::shared_ptr<const CLanguagePack> pack, std::map<int, std::string_view> strings)
        : m_pack(std::move(pack)), m_strings(std::move(strings)) {}

    std::optional<std::string_view> Find(int id) const override {
        const auto it = m_strings.find(id);
        if (it == m_strings.end())
            return std::nullopt;
        return it->second;
    }

    const CLanguagePack& Pack() const { return *m_pack; }

private:
    std::shared_ptr<const CLanguagePack> m_pack;
    std::map<int, std::string_view> m_strings;
};

std::mutex g_installLock;
std::vector<std::unique_ptr<CInstalledTexts>> g_installed;
std::atomic<const CInstalledTexts*> g_current{nullptr};

} // namespace

// --- Packs ---------------------------------------------------------------------

const std::string* CLanguagePack::String(int id) const {
    const auto it = m_strings.find(id);
    return it == m_strings.end() ? nullptr : &it->second;
}

const std::string* CLanguagePack::DialogText(int dialog, int control) const {
    const auto it = m_dialogs.find({dialog, control});
    return it == m_dialogs.end() ? nullptr : &it->second;
}

const std::string* CLanguagePack::MenuText(int menu, int command) const {
    const auto it = m_menus.find({menu, command});
    return it == m_menus.end() ? nullptr : &it->second;
}

CPackReading ParseLanguagePack(std::string_view bytes) {
    CPackReading reading;
    if (bytes.starts_with("\xEF\xBB\xBF"))
        bytes.remove_prefix(3);

    enum class section_t { none, strings, dialog, menu, unknown };
    section_t section = section_t::none;
    int table = 0;
    auto problem = [&](int line, std::string text) {
        reading.problems.push_back({line, std::move(text)});
    };

    int lineNo = 0;
    while (!bytes.empty()) {
        const std::size_t end = bytes.find('\n');
        std::string_view line = bytes.substr(0, end);
        bytes.remove_prefix(end == std::string_view::npos ? bytes.size() : end + 1);
        ++lineNo;
        if (line.ends_with('\r'))
            line.remove_suffix(1);

        if (!platform::text::is_valid_utf8(line)) {
            reading.validUtf8 = false;
            problem(lineNo, "not valid UTF-8");
            continue;
        }
        const std::string_view trimmed = Trim(line);
        if (trimmed.empty() || trimmed.front() == ';')
            continue;

        if (trimmed.front() == '[') {
            section = section_t::unknown;
            if (trimmed.back() != ']') {
                problem(lineNo, "a section header without ']'");
                continue;
            }
            const std::string_view name = Trim(trimmed.substr(1, trimmed.size() - 2));
            const std::size_t blank = name.find_first_of(" \t");
            const std::string_view word = name.substr(0, blank);
            const std::optional<int> id =
                blank == std::string_view::npos ? std::nullopt : ParseId(Trim(name.substr(blank)));
            if (equals_no_case(name, "Strings")) {
                section = section_t::strings;
            } else if (id && equals_no_case(word, "Dialog")) {
                section = section_t::dialog;
                table = *id;
            } else if (id && equals_no_case(word, "Menu")) {
                section = section_t::menu;
                table = *id;
            } else {
                problem(lineNo, "unknown section [" + std::string(name) + "]; its lines are left out");
            }
            continue;
        }

        if (section == section_t::unknown)
            continue;
        if (section == section_t::none) {
            problem(lineNo, "a text outside any section");
            continue;
        }
        const std::size_t eq = line.find('=');
        if (eq == std::string_view::npos) {
            problem(lineNo, "a line without '='");
            continue;
        }
        const std::string_view key = Trim(line.substr(0, eq));
        const std::optional<int> id = ParseId(key);
        if (!id) {
            problem(lineNo, "'" + std::string(key) + "' is not a decimal id");
            continue;
        }
        std::string error;
        std::optional<std::string> text = Unescape(line.substr(eq + 1), error);
        if (!text) {
            problem(lineNo, error);
            continue;
        }
        bool added = false;
        switch (section) {
        case section_t::strings:
            added = reading.pack.m_strings.emplace(*id, std::move(*text)).second;
            if (added)
                reading.stringLines.emplace(*id, lineNo);
            break;
        case section_t::dialog:
            added = reading.pack.m_dialogs.emplace(std::pair(table, *id), std::move(*text)).second;
            break;
        case section_t::menu:
            added = reading.pack.m_menus.emplace(std::pair(table, *id), std::move(*text)).second;
            break;
        default:
            break;
        }
        if (!added)
            problem(lineNo, "id " + std::to_string(*id) + " given twice; the first one counts");
    }
    return reading;
}

std::optional<CLanguagePack> LoadLanguagePack(const std::filesystem::path& file,
                                              std::vector<CPackProblem>* problems) {
    std::ifstream in(file, std::ios::binary);
    std::ostringstream bytes;
    if (in)
        bytes << in.rdbuf();
    if (!in) {
        if (problems != nullptr)
            problems->push_back({0, "cannot be read"});
        return std::nullopt;
    }
    CPackReading reading = ParseLanguagePack(bytes.str());
    if (problems != nullptr)
        problems->insert(problems->end(), reading.problems.begin(), reading.problems.end());
    if (!reading.validUtf8)
        return std::nullopt;
    return std::move(reading.pack);
}

std::vector<std::string> PrintfConversions(std::string_view text) {
    // The formatter's limit on a written width or precision.
    constexpr long kMaxField = 1 << 16;
    std::vector<std::string> conversions;
    std::size_t pos = 0;
    while ((pos = text.find('%', pos)) != std::string_view::npos) {
        ++pos;
        if (pos < text.size() && text[pos] == '%') {
            ++pos;
            continue;
        }
        bool valid = true;
        while (pos < text.size() && std::string_view("-+ 0#").find(text[pos]) != std::string_view::npos)
            ++pos;
        auto field = [&] {
            if (pos < text.size() && text[pos] == '*') {
                conversions.emplace_back("*");
                ++pos;
                return;
            }
            long value = 0;
            while (pos < text.size() && text[pos] >= '0' && text[pos] <= '9') {
                value = std::min(value * 10 + (text[pos++] - '0'), kMaxField + 1);
            }
            if (value > kMaxField)
                valid = false;
        };
        field();
        if (pos < text.size() && text[pos] == '.') {
            ++pos;
            field();
        }
        const std::string_view rest = text.substr(pos);
        if (rest.starts_with("I64") || rest.starts_with("ll"))
            pos += rest[0] == 'I' ? 3 : 2;
        else if (rest.starts_with('l') || rest.starts_with('h'))
            pos += 1;
        if (pos >= text.size()) {
            conversions.emplace_back("?");
            break;
        }
        const char c = text[pos++];
        std::string kind;
        switch (c) {
        case 'd': case 'i': kind = "d"; break;
        case 's': case 'S': kind = "s"; break;
        case 'u': case 'o': case 'x': case 'X': case 'c': case 'e': case 'E': case 'f':
            kind = std::string(1, c);
            break;
        default:
            valid = false;
            kind = std::string(1, c);
            break;
        }
        conversions.push_back(valid ? kind : "?" + kind);
    }
    return conversions;
}

namespace {

bool HasWord(std::string_view text) {
    std::size_t letters = 0;
    for (const char c : text) {
        if (static_cast<unsigned char>(c) >= 0x80)
            return true;
        letters = (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') ? letters + 1 : 0;
        if (letters >= 2)
            return true;
    }
    return false;
}

// The pack text `format` as a pattern of the texts it formats: its literal
// parts as they stand, each conversion any text. None when the text has no
// conversion or no word outside them (such as "'%s' (%s)"), which would
// take any text for its own.
std::optional<std::regex> FormatPattern(std::string_view format) {
    std::string pattern;
    std::string literal;
    bool converts = false;
    const auto flush = [&] {
        for (const char c : literal) {
            if (std::string_view("\\^$.|?*+()[]{}").find(c) != std::string_view::npos)
                pattern += '\\';
            pattern += c;
        }
        literal.clear();
    };
    std::string words;
    for (std::size_t i = 0; i < format.size(); ++i) {
        if (format[i] != '%') {
            literal += format[i];
            words += format[i];
            continue;
        }
        if (i + 1 < format.size() && format[i + 1] == '%') {
            literal += '%';
            ++i;
            continue;
        }
        std::size_t end = i + 1;
        while (end < format.size() &&
               std::string_view("-+ 0#123456789.*lhI").find(format[end]) != std::string_view::npos)
            ++end;
        if (end == format.size())
            return std::nullopt;
        flush();
        pattern += "[\\s\\S]*?";
        words += ' ';
        converts = true;
        i = end;
    }
    flush();
    if (!converts || !HasWord(words))
        return std::nullopt;
    return std::regex(pattern, std::regex::ECMAScript);
}

std::string WithoutMarks(std::string text) {
    std::erase(text, '&');
    return text;
}

} // namespace

std::vector<std::string> UntranslatedTexts(const CLanguagePack& pack,
                                           const std::vector<std::string>& shown) {
    std::set<std::string> texts;
    std::vector<std::regex> formats;
    const auto add = [&](const std::string& text) {
        texts.insert(text);
        if (auto pattern = FormatPattern(text))
            formats.push_back(std::move(*pattern));
    };
    for (const auto& [id, text] : pack.Strings())
        add(text);
    for (const auto& [key, text] : pack.Dialogs())
        add(text);
    for (const auto& [key, text] : pack.Menus()) {
        add(text);
        texts.insert(WithoutMarks(text));
    }
    std::vector<std::string> missing;
    for (const std::string& text : shown) {
        if (!HasWord(text) || texts.contains(text))
            continue;
        const auto formats_it = [&](const std::regex& f) { return std::regex_match(text, f); };
        if (!std::any_of(formats.begin(), formats.end(), formats_it))
            missing.push_back(text);
    }
    return missing;
}

std::vector<std::string> ParseShownTexts(std::string_view bytes,
                                         std::vector<CPackProblem>* problems) {
    std::vector<std::string> shown;
    int lineNo = 0;
    while (!bytes.empty()) {
        ++lineNo;
        const std::size_t end = bytes.find('\n');
        std::string_view line = bytes.substr(0, end);
        bytes = end == std::string_view::npos ? std::string_view() : bytes.substr(end + 1);
        if (!line.empty() && line.back() == '\r')
            line.remove_suffix(1);
        if (line.empty())
            continue;
        std::string error;
        if (std::optional<std::string> text = Unescape(line, error))
            shown.push_back(std::move(*text));
        else if (problems != nullptr)
            problems->push_back({lineNo, error});
    }
    return shown;
}

CPackCheck CheckLanguagePack(std::string_view bytes, const std::vector<std::string>& shown) {
    CPackReading reading = ParseLanguagePack(bytes);
    CPackCheck check;
    check.problems = std::move(reading.problems);
    const auto builtin = resources::BuiltinStrings();
    check.total = builtin.size();
    auto lineOf = [&](int id) {
        const auto it = reading.stringLines.find(id);
        return it == reading.stringLines.end() ? 0 : it->second;
    };
    for (const auto& entry : builtin) {
        const std::string* text = reading.pack.String(entry.id);
        if (text == nullptr) {
            check.problems.push_back({0, "text " + std::to_string(entry.id) + " is missing"});
            continue;
        }
        const auto expected = PrintfConversions(entry.text);
        const auto found = PrintfConversions(*text);
        if (found != expected) {
            check.problems.push_back(
                {lineOf(entry.id), "text " + std::to_string(entry.id) + " has the conversions " +
                                       JoinConversions(found) + " where the built-in text has " +
                                       JoinConversions(expected)});
            continue;
        }
        ++check.complete;
    }
    for (const auto& [id, text] : reading.pack.Strings()) {
        if (resources::BuiltinString(id).empty())
            check.problems.push_back(
                {lineOf(id), "text " + std::to_string(id) + " is not in the built-in table"});
    }
    std::stable_sort(check.problems.begin(), check.problems.end(),
                     [](const CPackProblem& a, const CPackProblem& b) { return a.line < b.line; });
    for (const std::string& text : UntranslatedTexts(reading.pack, shown))
        check.problems.push_back({0, "the shown text \"" + text + "\" has no entry"});
    return check;
}

// --- The program's language ----------------------------------------------------

CLanguageChoice ChooseLanguage(const std::filesystem::path& programFolder, CAppSettings& settings) {
    CLanguageChoice choice;
    choice.name = settings.Language();
    const std::optional<std::filesystem::path> folder = FindNoCase(programFolder, "Language");
    if (!folder)
        return choice;

    if (IsPlainTitle(choice.name)) {
        std::error_code ec;
        const auto named = FindNoCase(*folder, choice.name + ".lang");
        if (named && std::filesystem::is_regular_file(*named, ec)) {
            choice.file = *named;
            std::vector<CPackProblem> problems;
            if (auto pack = LoadLanguagePack(*named, &problems)) {
                choice.pack = std::make_shared<const CLanguagePack>(std::move(*pack));
            } else {
                Log("Language pack " + named->string() + " cannot be used (" +
                    (problems.empty() ? std::string("unreadable") : problems.front().text) +
                    "): the built-in texts are used");
            }
            return choice;
        }
    }

    std::vector<std::filesystem::path> files;
    std::error_code ec;
    for (std::filesystem::directory_iterator it(*folder, ec), end; !ec && it != end; it.increment(ec))
        if (IsPackFile(*it))
            files.push_back(it->path());
    std::sort(files.begin(), files.end());

    int held = 0;
    for (const auto& file : files) {
        std::optional<CLanguagePack> pack = LoadLanguagePack(file);
        if (!pack)
            continue;
        const std::optional<int> rank = Rank(*pack);
        // "0" and texts that are no number rank nowhere: they never displace
        // a pack that has a rank.
        if (!rank || *rank == 0 || (held != 0 && *rank >= held))
            continue;
        held = *rank;
        choice.file = file;
        choice.pack = std::make_shared<const CLanguagePack>(std::move(*pack));
    }
    if (held != 0) {
        choice.name = Title(choice.file);
        choice.writtenBack = settings.SetLanguage(choice.name);
    }
    return choice;
}

CLanguageChoice LoadAppLangResourceDLL(const std::filesystem::path& programFolder,
                                       CAppSettings& settings) {
    CLanguageChoice choice = ChooseLanguage(programFolder, settings);
    InstallLanguage(choice.pack, choice.pack ? Title(choice.file) : std::string());
    return choice;
}

void InstallLanguage(std::shared_ptr<const CLanguagePack> pack, std::string_view title) {
    std::lock_guard lock(g_installLock);
    if (!pack) {
        g_current.store(nullptr, std::memory_order_release);
        resources::SetStringSource(nullptr);
        return;
    }
    std::map<int, std::string_view> strings;
    for (const auto& [id, text] : pack->Strings()) {
        const std::string_view builtin = resources::BuiltinString(id);
        if (PrintfConversions(text) != PrintfConversions(builtin)) {
            Log("Language pack " + std::string(title) + ": text " + std::to_string(id) +
                " has the conversions " + JoinConversions(PrintfConversions(text)) +
                " where the built-in text has " + JoinConversions(PrintfConversions(builtin)) +
                "; the built-in text is used");
            continue;
        }
        strings.emplace(id, text);
    }
    g_installed.push_back(std::make_unique<CInstalledTexts>(std::move(pack), std::move(strings)));
    const CInstalledTexts* installed = g_installed.back().get();
    g_current.store(installed, std::memory_order_release);
    resources::SetStringSource(installed);
}

std::optional<std::string_view> DialogText(int dialog, int control) {
    const CInstalledTexts* installed = g_current.load(std::memory_order_acquire);
    if (installed == nullptr)
        return std::nullopt;
    const std::string* text = installed->Pack().DialogText(dialog, control);
    return text ? std::optional<std::string_view>(*text) : std::nullopt;
}

std::optional<std::string_view> MenuText(int menu, int command) {
    const CInstalledTexts* installed = g_current.load(std::memory_order_acquire);
    if (installed == nullptr)
        return std::nullopt;
    const std::string* text = installed->Pack().MenuText(menu, command);
    return text ? std::optional<std::string_view>(*text) : std::nullopt;
}

LanguageLog SetLanguageLog(LanguageLog log) {
    std::lock_guard lock(g_logLock);
    return std::exchange(g_log, std::move(log));
}

} // namespace shell
