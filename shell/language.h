#pragma once
// Language packs and the program's one text lookup.
//
// A pack is a UTF-8 file Language/<title>.lang in the program folder:
//
//   ; a comment
//   [Strings]
//   158=    Exception %d: copying the %s device failed!
//   [Dialog 133]
//   0=IP range settings            (control 0: the dialog's caption)
//   1001=First IP:
//   [Menu 128]
//   57600=&New
//
// Keys are decimal ids (string, control or command); a text runs from after
// the first '=' to the end of the line, blanks included, with "\r", "\n",
// "\t" and "\\" standing for their characters. Section names compare without
// regard to case.
//
// At start-up LoadAppLangResourceDLL chooses a pack and installs it: from
// then on resources::LoadString (and so every message of the program) gives
// the pack's text, else the built-in Chinese one. A pack text whose printf
// conversions differ from the built-in text's is never used: formatting it
// with the arguments the program passes would fail.
#include <filesystem>
#include <functional>
#include <map>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace shell {

class CAppSettings;

// The pack's own language name ("English"), which the language dialog lists.
inline constexpr int kLanguageNameString = 134;
// The pack's rank: with no pack named, the smallest non-zero number wins.
inline constexpr int kLanguageRankString = 270;

struct CPackReading;

// A line of a pack that cannot be used; line 0 is the file as a whole.
struct CPackProblem {
    int line = 0;
    std::string text;
};

class CLanguagePack {
public:
    // Null when the pack has no such text.
    const std::string* String(int id) const;
    const std::string* DialogText(int dialog, int control) const;
    const std::string* MenuText(int menu, int command) const;

    const std::map<int, std::string>& Strings() const { return m_strings; }
    const std::map<std::pair<int, int>, std::string>& Dialogs() const { return m_dialogs; }
    const std::map<std::pair<int, int>, std::string>& Menus() const { return m_menus; }

private:
    friend struct CPackReading;
    friend CPackReading ParseLanguagePack(std::string_view bytes);

    std::map<int, std::string> m_strings;
    std::map<std::pair<int, int>, std::string> m_dialogs;
    std::map<std::pair<int, int>, std::string> m_menus;
};

struct CPackReading {
    CLanguagePack pack;
    // Every line left out, in file order.
    std::vector<CPackProblem> problems;
    // False when some line is not well-formed UTF-8 (that line is left out).
    bool validUtf8 = true;
    // The line of each [Strings] text, for reports.
    std::map<int, int> stringLines;
};

// Reads a pack's bytes. Lines it cannot use (bad UTF-8, a key that is not a
// decimal id, an unknown escape, an entry outside a known section, an id
// given twice: the first one counts) are left out and listed.
CPackReading ParseLanguagePack(std::string_view bytes);

// The pack in `file`; none when the file cannot be read or is not UTF-8 (a
// pack saved in another encoding would show garbage). The reasons go to
// `problems` when given.
std::optional<CLanguagePack> LoadLanguagePack(const std::filesystem::path& file,
                                              std::vector<CPackProblem>* problems = nullptr);

// The printf conversions of `text` in order, one entry per argument they
// take: "*" for a width or precision taken from the arguments, else the
// conversion letter with its synonyms made one ("i" is "d", "S" is "s").
// Flags, widths, precisions and length modifiers are left out: a
// translation may pad differently. "%%" takes nothing. A '%' the formatter
// would refuse gives "?" and what follows it.
std::vector<std::string> PrintfConversions(std::string_view text);

// What tools/lang-check reports of a pack against the built-in table.
struct CPackCheck {
    std::size_t complete = 0; // built-in texts the pack has with equal conversions
    std::size_t total = 0;    // texts of the built-in table
    std::vector<CPackProblem> problems;
    bool Passed() const { return complete == total && problems.empty(); }
};
// With `shown`, the texts the windows show in that language, each one the
// pack does not give is a problem too (UntranslatedTexts).
CPackCheck CheckLanguagePack(std::string_view bytes, const std::vector<std::string>& shown = {});

// The texts of `shown` that `pack` does not give, in their order. A shown
// text is given when it is a text of the pack (of any section; a menu's
// also without its '&' marks), or when a text of the pack with words and
// printf conversions formats it; a text without a word (numbers and scale
// marks such as "-3", "12.5k") needs no entry. A word is a run of two
// Latin letters or more, or any character beyond ASCII.
std::vector<std::string> UntranslatedTexts(const CLanguagePack& pack,
                                           const std::vector<std::string>& shown);

// A list of shown texts for CheckLanguagePack: one text a line, with the
// escapes of a pack ("\n" for a line break in a text); empty lines are
// left out. A line with an unknown escape is a problem.
std::vector<std::string> ParseShownTexts(std::string_view bytes,
                                         std::vector<CPackProblem>* problems = nullptr);

// --- The program's language ----------------------------------------------------

struct CLanguageChoice {
    // The language name the application keeps: the chosen pack's title, else
    // the name Ostrel.ini gives.
    std::string name;
    // The chosen pack's file; empty when none was chosen.
    std::filesystem::path file;
    // Null: the built-in texts.
    std::shared_ptr<const CLanguagePack> pack;
    // The chosen title was written to [Interface] Language.
    bool writtenBack = false;
};

// Chooses the pack of `programFolder`/Language (the folder and the files
// found without regard to case):
//  1. the pack [Interface] Language names, when that file exists (a file
//     that cannot be read gives the built-in texts);
//  2. else, of the packs that read and have text 270, the one whose number
//     (atoi of its first three characters) is the smallest other than 0 —
//     the first in name order on a tie — with its title written back to
//     [Interface] Language;
//  3. else the built-in texts.
CLanguageChoice ChooseLanguage(const std::filesystem::path& programFolder,
                               CAppSettings& settings);

// Chooses the language as above and installs it. Start-up calls it before
// any window or message.
CLanguageChoice LoadAppLangResourceDLL(const std::filesystem::path& programFolder,
                                       CAppSettings& settings);

// Makes `pack` the program's texts (null: the built-in texts alone). Each of
// its texts whose conversions differ from the built-in one's is dropped, and
// logged once, naming `title`. The texts of every pack installed stay valid
// for the process.
void InstallLanguage(std::shared_ptr<const CLanguagePack> pack, std::string_view title);

// The installed pack's texts of a dialog's control and of a menu's command;
// none to keep the window's own text.
std::optional<std::string_view> DialogText(int dialog, int control);
std::optional<std::string_view> MenuText(int menu, int command);

// Where the language's reports go (the program's event log unless set);
// returns the previous one. Null: the event log again.
using LanguageLog = std::function<void(std::string_view)>;
LanguageLog SetLanguageLog(LanguageLog log);

} // namespace shell
