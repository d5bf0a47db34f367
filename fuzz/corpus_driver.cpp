// Runs a fuzz target's entry function once on every file it is given (files,
// or folders whose files are taken in name order), for builds without
// libFuzzer: the corpus as a regression test. A broken input ends the
// program through the sanitizer or an escaping exception; the line naming
// the input comes first.
#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size);
extern "C" int LLVMFuzzerInitialize(int* argc, char*** argv);

namespace {

std::vector<std::filesystem::path> inputs_of(const std::filesystem::path& given) {
    if (!std::filesystem::is_directory(given))
        return {given};
    std::vector<std::filesystem::path> files;
    for (const auto& entry : std::filesystem::directory_iterator(given))
        if (entry.is_regular_file())
            files.push_back(entry.path());
    std::sort(files.begin(), files.end());
    return files;
}

} // namespace

int main(int argc, char** argv) {
    if (argc < 2) {
        std::fprintf(stderr, "usage: %s <input file or folder>...\n", argv[0]);
        return 2;
    }
    LLVMFuzzerInitialize(&argc, &argv);
    std::size_t runs = 0;
    for (int i = 1; i < argc; ++i) {
        if (!std::filesystem::exists(argv[i])) {
            std::fprintf(stderr, "no such input: %s\n", argv[i]);
            return 2;
        }
        for (const auto& path : inputs_of(argv[i])) {
            std::ifstream in(path, std::ios::binary);
            const std::vector<std::uint8_t> bytes{std::istreambuf_iterator<char>(in),
                                                  std::istreambuf_iterator<char>()};
            std::fprintf(stderr, "input %s (%zu bytes)\n", path.c_str(), bytes.size());
            // A copy of its own, as libFuzzer gives: a read past its end is caught.
            const std::vector<std::uint8_t> copy(bytes);
            LLVMFuzzerTestOneInput(copy.data(), copy.size());
            ++runs;
        }
    }
    if (runs == 0) {
        std::fprintf(stderr, "no inputs\n");
        return 2;
    }
    std::printf("%zu inputs run\n", runs);
    return 0;
}
