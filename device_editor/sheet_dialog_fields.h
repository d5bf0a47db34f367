#pragma once
// What a device document's sheet dialogs share without their widgets (the
// sheet colours, sheet size, generic device and text box controllers): the
// edits' texts trimmed and read as counts, the field a refused OK puts the
// focus on, and the defaults of new sheets written. Each controller holds
// its dialog's values, checks them, shows the messages and writes into the
// document; the widget dialog shows the values, calls the controller on
// every control and closes when the controller says so.
#include <cstdint>
#include <initializer_list>
#include <optional>
#include <string>
#include <string_view>
#include <utility>

namespace device_editor {

// The text with blanks (ASCII white space) cut from both ends.
std::string TrimBlanks(std::string_view text);
// A trimmed text of digits only, from `low` to `high`; none otherwise (also
// for an empty text).
std::optional<std::int32_t> ParseCount(std::string_view text, std::int32_t low, std::int32_t high);

// The field a refused OK puts the focus on.
enum class EDialogField { None, Width, Height, Inputs, Outputs, Text };

// The number as the settings file and the edits show it.
std::string DecimalText(std::int64_t value);
// Writes the keys of one section of the program's settings file as the
// defaults of new sheets and has new objects take them at once; false when
// a key could not be written.
bool WriteSheetDefaults(std::string_view section,
                        std::initializer_list<std::pair<std::string_view, std::string>> keys);

} // namespace device_editor
