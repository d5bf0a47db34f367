#pragma once
// The program's built-in string table: resource id -> its Chinese text, as
// UTF-8. Language packs replace these texts at run time; this table is what
// stays when none is loaded.
#include <string_view>

namespace resources {

// The text of string resource `id`, or an empty text when the table has no
// such id.
std::string_view LoadString(int id);

} // namespace resources
