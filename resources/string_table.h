#pragma once
// The program's built-in string table: resource id -> its Chinese text, as
// UTF-8. A language pack replaces these texts at run time through a string
// source that the application installs; the built-in table is what stays
// where the source has no text.
#include <optional>
#include <span>
#include <string_view>

namespace resources {

struct CBuiltinString {
    int id;
    std::string_view text;
};

// The texts that replace built-in ones. The application shell implements it
// over the chosen language pack, so that resources never depend on the
// shell.
class IStringSource {
public:
    virtual ~IStringSource() = default;
    // The text for `id`, or none to fall back to the built-in one. Called
    // from any thread; a returned view must stay valid for the process.
    virtual std::optional<std::string_view> Find(int id) const = 0;
};

// The text of string resource `id`: the installed source's, else the
// built-in one, else an empty text when neither has the id.
std::string_view LoadString(int id);

// The built-in text alone (empty when the table has no such id).
std::string_view BuiltinString(int id);
// The whole built-in table, sorted by id.
std::span<const CBuiltinString> BuiltinStrings();

// Installs `source` (null: the built-in texts alone) and returns the
// previous one. The caller keeps the source alive for as long as any text
// it gave out may be used, in practice for the process.
const IStringSource* SetStringSource(const IStringSource* source);

} // namespace resources
