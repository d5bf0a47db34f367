#include "device_editor/add_generic_controller.h"

#include <string>
#include <utility>

#include "model/messages.h"
#include "resources/message_ids.h"

namespace device_editor {

CAddGenericController::CAddGenericController(std::string name) : m_nameText(std::move(name)) {}

bool CAddGenericController::OnOk() {
    m_inputsText = TrimBlanks(m_inputsText);
    m_outputsText = TrimBlanks(m_outputsText);
    m_nameText = TrimBlanks(m_nameText);
    const std::optional<std::int32_t> inputs = ParseCount(m_inputsText, 1, kMaxChannels);
    if (!inputs) {
        m_focus = EDialogField::Inputs;
        model::ShowMessage(resources::kMsgBadInputs);
        return false;
    }
    const std::optional<std::int32_t> outputs = ParseCount(m_outputsText, 1, kMaxChannels);
    if (!outputs) {
        m_focus = EDialogField::Outputs;
        model::ShowMessage(resources::kMsgBadOutputs);
        return false;
    }
    m_focus = EDialogField::None;
    m_result = GenericDeviceEntry{m_nameText, *inputs, *outputs};
    return true;
}

} // namespace device_editor
