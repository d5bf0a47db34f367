#pragma once
// The add-generic-device dialog without its widget.
//
// Widget mapping (the generic device dialog):
//   the three edits                    -> InputsText() / OutputsText() /
//                                        NameText() and their setters
//   OK                                 -> OnOk(): the edits show the trimmed
//                                        texts; closes when true, else the
//                                        focus goes to Focus()
#include <cstdint>
#include <optional>
#include <string>

#include "device_editor/device_doc_seams.h"
#include "device_editor/sheet_dialog_fields.h"

namespace device_editor {

class CAddGenericController {
public:
    static constexpr std::int32_t kMaxChannels = 50;

    // The counts start at "1".
    explicit CAddGenericController(std::string name);

    const std::string& InputsText() const { return m_inputsText; }
    const std::string& OutputsText() const { return m_outputsText; }
    const std::string& NameText() const { return m_nameText; }
    void SetInputsText(std::string text) { m_inputsText = std::move(text); }
    void SetOutputsText(std::string text) { m_outputsText = std::move(text); }
    void SetNameText(std::string text) { m_nameText = std::move(text); }

    // Trims the three texts, then checks the counts (1..50, digits only).
    // True: Result() holds the device; false: the message was shown and
    // Focus() names the count at fault. Any name, also an empty one, is
    // taken.
    bool OnOk();
    const GenericDeviceEntry& Result() const { return m_result; }
    EDialogField Focus() const { return m_focus; }

private:
    std::string m_inputsText = "1";
    std::string m_outputsText = "1";
    std::string m_nameText;
    GenericDeviceEntry m_result;
    EDialogField m_focus = EDialogField::None;
};

} // namespace device_editor
