// lang-check <pack>: whether a language pack translates every built-in text
// of the program and nothing else, with the same printf conversions in the
// same order, as strict UTF-8. Prints one line per problem to standard
// error, then "<n> of <m> strings" (the built-in texts the pack has in a
// usable form) to standard output; exits 0 only when the pack is complete
// and has no problem, 1 when it is not, 2 when it cannot be read.
#include "shell/language.h"

#include <fstream>
#include <iostream>
#include <sstream>

int main(int argc, char** argv) {
    if (argc != 2) {
        std::cerr << "usage: lang-check <pack.lang>\n";
        return 2;
    }
    const std::string path = argv[1];
    std::ifstream in(path, std::ios::binary);
    std::ostringstream bytes;
    if (in)
        bytes << in.rdbuf();
    if (!in) {
        std::cerr << path << ": cannot be read\n";
        return 2;
    }
    const shell::CPackCheck check = shell::CheckLanguagePack(bytes.str());
    for (const auto& problem : check.problems) {
        std::cerr << path;
        if (problem.line > 0)
            std::cerr << ':' << problem.line;
        std::cerr << ": " << problem.text << '\n';
    }
    std::cout << check.complete << " of " << check.total << " strings\n";
    return check.Passed() ? 0 : 1;
}
