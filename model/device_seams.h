#pragma once
// What the device sheet model asks of the program around it, as small
// interfaces the editor's windows implement: messages from the string table.
// (Undo and redo reach the windows through the document's undo host,
// model/undo_host.h.) The model stays headless; tests install recorders.
//
// All of it is used on the user-interface thread only.
#include <string>
#include <utility>

#include "platform/text/format.h"
#include "resources/string_table.h"

namespace model {

// Where string-table messages go.
class IMessageSink {
public:
    virtual ~IMessageSink() = default;
    // A message the user must see (the program shows a message box).
    virtual void ShowMessage(int id, const std::string& text) = 0;
    // A report that must not interrupt what is going on, such as drawing:
    // the program logs it.
    virtual void Log(int id, const std::string& text) = 0;
};

// The sink in use: the one installed, else one that writes to standard
// error.
IMessageSink& Messages();
// Installs a sink (null: the standard-error one again); returns the previous
// one (null when it was the standard-error one).
IMessageSink* SetMessageSink(IMessageSink* sink);

// String-table text `id` formatted with the arguments.
template <typename... Args> std::string FormatMessage(int id, const Args&... args) {
    return platform::text::format(resources::LoadString(id), args...);
}
template <typename... Args> void ShowMessage(int id, const Args&... args) {
    Messages().ShowMessage(id, FormatMessage(id, args...));
}
template <typename... Args> void LogMessage(int id, const Args&... args) {
    Messages().Log(id, FormatMessage(id, args...));
}

} // namespace model
