#pragma once
// CStoreList: a store program for the unit's template slots, made aside
// from the console.
#include <cstddef>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "comm/dsp_console.h"
#include "dsp_editor/download_program.h"

namespace dsp_editor {

// A store program being made, aside from the console until it is whole:
// each command as the console would list it (maker prefix and "#"), formatted
// by the console's own builders for the view's unit.
class CStoreList final : public CConsoleBuilderSink {
public:
    // `owner` pairs channels as the view's console does. The base keeps a
    // reference to the list's own console, which is made after it.
    explicit CStoreList(const comm::IConsoleOwner* owner)
        : CConsoleBuilderSink(m_format, true), m_format(owner) {}

    const std::vector<std::string>& Commands() const { return m_commands; }
    std::size_t Size() const { return m_commands.size(); }

    // Removes every entry from `start` on that begins with `prefix` and
    // differs from `command` and, when not empty, from `second`.
    void PruneStoreQueue(std::size_t start, std::string_view prefix, std::string_view command,
                         std::string_view second = {});
    // While set, every parameter command written removes the entries from
    // `start` on that set the same parameter to another value: those that
    // begin with its head (the text before its value part; a biquad's two
    // lines share one).
    void PruneParametersFrom(std::optional<std::size_t> start) { m_pruneFrom = start; }
    // The last `count` entries each stand once from `start` on: earlier
    // equal entries go.
    void KeepLastOnce(std::size_t start, std::size_t count);

private:
    // Moves what the builder just queued into the list; `values` is the
    // number of value parts of a parameter command, 0 for another command.
    void Sent(int values) override;

    comm::CDSPDlgShowCMD m_format;
    std::vector<std::string> m_commands;
    std::optional<std::size_t> m_pruneFrom;
};

} // namespace dsp_editor
