#pragma once
// One simulated unit of each family with an old and a new firmware image,
// for the tests that drive the server end to end.
#include "firmware_fixture.h"

#include <cstdint>
#include <ostream>
#include <string>
#include <vector>

namespace firmware_test {

struct family_case_t {
    // The family as namsim knows it.
    const char* family;
    // The type name in the image file names.
    const char* type_name;
    int type_code;
    // The unit's address on loopback.
    const char* address;
    // The last status of a download job.
    const char* download_done;
};

inline void PrintTo(const family_case_t& c, std::ostream* out) {
    *out << c.family;
}

const std::vector<family_case_t>& family_cases();

// The image of version 1.0.0 (old) or 1.1.0 (new) of the case's family.
bytes_t case_image(const family_case_t& c, bool newer);
// "<type>_1_0_0.bin" or "<type>_1_1_0.bin".
std::string case_image_name(const family_case_t& c, bool newer);
// "<type> version 1.0.0" or "... 1.1.0".
std::string case_version_name(const family_case_t& c, bool newer);
// Writes both images into `folder`.
void write_case_images(const family_case_t& c, const std::string& folder);
// The unit's files, running the old image.
void install_case_unit(const family_case_t& c, const std::string& state_dir);

} // namespace firmware_test
