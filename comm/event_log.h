#pragma once
// The operator program's event log: one file per day in the program folder.

namespace comm {

}  // namespace comm
