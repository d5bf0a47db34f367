// lang-check <pack> [--shown <texts>]: whether a language pack translates
// every built-in text of the program and nothing else, with the same printf
// conversions in the same order, as strict UTF-8; with --shown, also
// whether it gives every text of <texts>, the texts the windows show in
// that language (one a line, with the pack's escapes). Prints one line per
// problem to standard error, then "<n> of <m> strings" (the built-in texts
// the pack has in a usable form) to standard output; exits 0 only when the
// pack is complete and has no problem, 1 when it is not, 2 when a file
// cannot be read.
#include "shell/language.h"

#include <fstream>
#include <iostream>
#include <optional>
#include <sstream>
#include <string>

namespace {

std::optional<std::string> ReadAll(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    std::ostringstream bytes;
    if (in)
        bytes << in.rdbuf();
    if (!in) {
        std::cerr << path << ": cannot be read\n";
        return std::nullopt;
    }
    return bytes.str();
}

void Report(const std::string& path, const std::vector<shell::CPackProblem>& problems) {
    for (const auto& problem : problems) {
        std::cerr << path;
        if (problem.line > 0)
            std::cerr << ':' << problem.line;
        std::cerr << ": " << problem.text << '\n';
    }
}

} // namespace

int main(int argc, char** argv) {
    const bool withShown = argc == 4 && std::string(argv[2]) == "--shown";
    if (argc != 2 && !withShown) {
        std::cerr << "usage: lang-check <pack.lang> [--shown <texts>]\n";
        return 2;
    }
    const std::string path = argv[1];
    const std::optional<std::string> pack = ReadAll(path);
    if (!pack)
        return 2;
    std::vector<std::string> shown;
    std::vector<shell::CPackProblem> shownProblems;
    if (withShown) {
        const std::optional<std::string> texts = ReadAll(argv[3]);
        if (!texts)
            return 2;
        shown = shell::ParseShownTexts(*texts, &shownProblems);
        Report(argv[3], shownProblems);
    }
    const shell::CPackCheck check = shell::CheckLanguagePack(*pack, shown);
    Report(path, check.problems);
    std::cout << check.complete << " of " << check.total << " strings\n";
    return check.Passed() && shownProblems.empty() ? 0 : 1;
}
