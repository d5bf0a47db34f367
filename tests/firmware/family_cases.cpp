#include "family_cases.h"

#include <stdexcept>

namespace firmware_test {

namespace {

const update::checksums_t tolk_old{0x100001, 0x222222, 0, 0x333333, 0x444444};
const update::checksums_t tolk_new{0x200002, 0x222222, 0, 0x333333, 0x555555};
const update::checksums_t small_old{0x100001, 0x222222, 0, 0, 0x444444};
const update::checksums_t small_new{0x200002, 0x222222, 0, 0, 0x555555};

bool is(const family_case_t& c, const char* family) {
    return std::string(c.family) == family;
}

} // namespace

const std::vector<family_case_t>& family_cases() {
    static const std::vector<family_case_t> cases = {
        {"tolk", "tolk", 2, "127.0.0.41", "download done"},
        // tolkamd units take the tolk images.
        {"tolkamd", "tolk", 3, "127.0.0.42", "download done."},
        {"brisk", "brisk", 0, "127.0.0.43", "download done"},
        {"plinth", "plinth", 1, "127.0.0.44", "download done"},
    };
    return cases;
}

bytes_t case_image(const family_case_t& c, bool newer) {
    const std::uint32_t seed = newer ? 2 : 1;
    if (is(c, "tolk") || is(c, "tolkamd"))
        return tolk_image(seed, newer ? tolk_new : tolk_old);
    if (is(c, "brisk"))
        return brisk_image(seed, newer ? small_new : small_old);
    if (is(c, "plinth"))
        return plinth_image(seed, newer ? small_new : small_old, true);
    throw std::invalid_argument(c.family);
}

std::string case_image_name(const family_case_t& c, bool newer) {
    return std::string(c.type_name) + (newer ? "_1_1_0.bin" : "_1_0_0.bin");
}

std::string case_version_name(const family_case_t& c, bool newer) {
    return std::string(c.type_name) + (newer ? " version 1.1.0" : " version 1.0.0");
}

void write_case_images(const family_case_t& c, const std::string& folder) {
    write_file(folder + "/" + case_image_name(c, false), case_image(c, false));
    write_file(folder + "/" + case_image_name(c, true), case_image(c, true));
}

void install_case_unit(const family_case_t& c, const std::string& state_dir) {
    const bytes_t image = case_image(c, false);
    if (is(c, "tolk"))
        install_tolk_unit(state_dir, image, 6);
    else if (is(c, "tolkamd"))
        install_tolkamd_unit(state_dir, image, 8);
    else if (is(c, "brisk"))
        install_brisk_unit(state_dir, image, 1);
    else
        install_plinth_unit(state_dir, image, 1);
}

} // namespace firmware_test
