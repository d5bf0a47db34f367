#pragma once
// The folder of the host program's executable, ending in '/': where a
// component keeps files beside the program that loaded it. Computed once per
// process; empty (the current folder) when the executable cannot be found.
#include <string>

namespace qo {

const std::string& module_dir();

} // namespace qo
