// Making text boxes (CDeviceText) from the program settings snapshot, against
// reading Ostrel.ini for every box as the constructors once did, measured in
// the same run on the same file: a program folder whose Ostrel.ini has the
// colour scheme of every model, the text box font, the DSP module colours
// and a few unrelated sections, about the size a used installation has.
//
// before (reload): the snapshot read again before every box, one file read
//                  per box.
// before (per key): the separate reads of the file a box used to make (four
//                  colours, the transparent flag, thirteen font numbers and
//                  the face name), each through the file reader.
// after:           the snapshot as loaded once.
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>
#include <unistd.h>

#include "model/device_models.h"
#include "model/device_text.h"
#include "model/program_settings.h"
#include "platform/gdi/fixed_width_measurer.h"
#include "platform/profile/profile.h"

namespace {

namespace fs = std::filesystem;
using model::CDeviceText;

constexpr int rounds = 7;

template <class F> double best_seconds_per_box(int boxes, F&& make_one) {
    double best = 1e30;
    for (int r = 0; r < rounds; ++r) {
        const auto t0 = std::chrono::steady_clock::now();
        for (int i = 0; i < boxes; ++i)
            make_one(i);
        const auto t1 = std::chrono::steady_clock::now();
        best = std::min(best, std::chrono::duration<double>(t1 - t0).count() / boxes);
    }
    return best;
}

std::string sample_ini() {
    std::string ini = "[Interface]\nLanguage=rcEng\n\n[NetAttri]\nNetType=Normal\n\n";
    ini += "[ColorScheme]\nSysDocBack=16777215\nSysPhysicalLine=0\nSysNetLine=16711680\n";
    for (std::size_t m = 0; m < model::kModelCount; ++m) {
        const std::string name(model::ModelName(static_cast<std::int32_t>(m)));
        for (const char* key : {"Fore", "Back", "Title", "Other"})
            ini += name + key + "=" + std::to_string(1000 * m + 7) + "\n";
    }
    ini += "TEXTTransparent=1\n\n[TextDeviceFont]\nHeight=14\nWidth=0\nEscapement=0\n"
           "Orientation=0\nWeight=700\nItalic=0\nUnderline=0\nStrikeOut=0\nCharSet=134\n"
           "OutPrecision=0\nClipPrecision=0\nQuality=0\nPitchAndFamily=34\nFaceName=Arial\n\n";
    for (const char* type : {"INPUT", "OUTPUT", "DELAY", "ROUTER", "MIXER", "DYNAMIC", "GENERATOR",
                             "EQUALIZER", "FILTER", "CROSSOVER", "TEXT", "METER"})
        ini += std::string("[ARI") + type + "]\nRcTypeColor=12632256\n\n";
    ini += "[Link]\nLinkWidth=2\nLinkColor=11796480\n\n"
           "[DSPSheet]\nSheetWidth=1260\nSheetHeight=1800\nSheetColor=16777215\n\n"
           "[SheetSize]\nSheetWidth=1130\nSheetHeight=1600\n\n";
    for (int unit = 0; unit < 8; ++unit) {
        ini += "[00602b0000" + std::to_string(10 + unit) + "-FirmAriTemplate]\n";
        for (int slot = 0; slot < 4; ++slot)
            ini += std::to_string(slot) + "=/home/operator/templates/hall-" + std::to_string(unit) +
                   "-" + std::to_string(slot) + ".dsp\n";
        ini += "\n";
    }
    return ini;
}

// What a text box's constructor read before the snapshot: every value a
// separate read of the file.
void old_reads(const fs::path& path, std::int32_t modelCode) {
    const platform::profile::ini_file_t ini(path);
    const std::string name(model::ModelName(modelCode));
    volatile int sink = 0;
    for (const char* key : {"Fore", "Back", "Title", "Other", "Transparent"})
        sink = sink + ini.read_int("ColorScheme", name + key, 0);
    for (const char* key :
         {"Height", "Width", "Escapement", "Orientation", "Weight", "Italic", "Underline",
          "StrikeOut", "CharSet", "OutPrecision", "ClipPrecision", "Quality", "PitchAndFamily"})
        sink = sink + ini.read_int("TextDeviceFont", key, 0);
    sink = sink + static_cast<int>(ini.read_string("TextDeviceFont", "FaceName", "Arial").size());
}

} // namespace

int main() {
    std::string pattern = (fs::temp_directory_path() / "settings_bench.XXXXXX").string();
    if (::mkdtemp(pattern.data()) == nullptr) {
        std::perror("mkdtemp");
        return 1;
    }
    const fs::path home = pattern;
    const fs::path ini_path = home / "Ostrel.ini";
    std::ofstream(ini_path, std::ios::binary) << sample_ini();
    ::setenv("OSTREL_HOME", home.c_str(), 1);
    model::ReloadProgramSettings();

    const platform::gdi::FixedWidthMeasurer dc;
    const auto make_box = [&](int i) {
        const CDeviceText box(dc, i, 0, i, "Rack A\r\nFloor 2", model::kModelText, 0);
    };

    const double reload = best_seconds_per_box(2000, [&](int i) {
        model::ReloadProgramSettings();
        make_box(i);
    });
    const double per_key = best_seconds_per_box(500, [&](int i) {
        old_reads(ini_path, model::kModelText);
        make_box(i);
    });
    model::ReloadProgramSettings();
    const std::uint64_t reads = platform::profile::file_reads();
    const double after = best_seconds_per_box(100000, make_box);
    const std::uint64_t after_reads = platform::profile::file_reads() - reads;

    std::printf("text box construction, Ostrel.ini of %ju bytes\n",
                static_cast<std::uintmax_t>(fs::file_size(ini_path)));
    std::printf("  before (reload per box):   %9.3f us per box\n", reload * 1e6);
    std::printf("  before (reads per key):    %9.3f us per box\n", per_key * 1e6);
    std::printf("  after (snapshot):          %9.3f us per box, %ju file reads for %d boxes\n",
                after * 1e6, static_cast<std::uintmax_t>(after_reads), 100000 * rounds);
    std::printf("  ratio before/after: %.1fx (reload per box), %.1fx (reads per key)\n",
                reload / after, per_key / after);

    std::error_code ignored;
    fs::remove_all(home, ignored);
    return 0;
}
