#include "device_test_support.h"

#include <fstream>
#include <random>
#include <stdexcept>

#include "model/program_settings.h"

namespace device_test {

TempHome::TempHome() {
    std::random_device random;
    path_ = std::filesystem::temp_directory_path() /
            ("ostrel-device-test-" + std::to_string(random()) + std::to_string(random()));
    std::filesystem::create_directories(path_);
    env_ = std::make_unique<model_test::ScopedEnv>("OSTREL_HOME", path_.string());
}

TempHome::~TempHome() {
    env_.reset();
    std::error_code ignored;
    std::filesystem::remove_all(path_, ignored);
}

void TempHome::WriteIni(std::string_view text) const {
    std::ofstream out(path_ / "Ostrel.ini", std::ios::binary);
    out << text;
    out.close();
    if (!out)
        throw std::runtime_error("cannot write Ostrel.ini");
    // As the shell does when the file changes.
    model::ReloadProgramSettings();
}

std::vector<std::uint8_t> StoreObject(platform::archive::serializable_t& object) {
    platform::archive::archive_t out;
    out.WriteObject(&object);
    return out.TakeBytes();
}

} // namespace device_test
