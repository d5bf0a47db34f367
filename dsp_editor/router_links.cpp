#include "dsp_editor/router_links.h"

#include "comm/event_log.h"
#include "dsp_editor/zo_dsp_doc.h"
#include "dsp_editor/zo_dsp_view.h"
#include "model/messages.h"
#include "resources/message_ids.h"

#include <algorithm>
#include <string_view>

namespace dsp_editor {

namespace {

void ReportRouteFailure() {
    comm::WriteLog(kRouteQueryFailedLog);
    model::ShowMessage(resources::kMsgDatabaseError);
}

// The settings dialog over the frame's stored server; on Connect the frame
// keeps what was entered. Whether it closed with Connect.
bool AskSettings(IRouterLinkFrame& frame) {
    CDSPDlgDBServerSet dialog(frame.DatabaseSettings().server);
    dialog.OnInitDialog();
    if (!frame.RunDBServerSetDialog(dialog))
        return false;
    frame.SetDatabaseSettings(dialog.Settings());
    return true;
}

} // namespace

void CDSPDlgDBServerSet::OnInitDialog() {
    m_server = m_storedServer;
    m_user = kDefaultUser;
    m_password.clear();
}

void CDSPDlgDBServerSet::OnOK(std::string server, std::string user, std::string password) {
    m_server = std::move(server);
    m_user = std::move(user);
    m_password = std::move(password);
}

void SetInputPairName(CZoDSPDoc& doc, int k, const std::string& text) {
    if (k < 0 || k >= kRoutedInputChannels)
        return;
    const struct {
        std::int32_t id;
        const char* side;
    } pair[] = {{2 * k + 1, "-L"}, {2 * k + 2, "-R"}};
    bool changed = false;
    for (const auto& [id, side] : pair) {
        model::CBaseAriModule* input = doc.GetModuleById(id);
        if (input == nullptr || input->m_typeCode != model::kAriInput)
            continue;
        input->m_displayName = text + side;
        doc.NotifyModuleChanged(*input);
        changed = true;
    }
    if (changed)
        doc.SetModifiedFlag(true);
}

void LoadChannelNameFromDB(CZoDSPDoc& doc, IRouterLinkFrame& frame, int k) {
    if (!IsUnitMac(doc.m_unitMac)) {
        ReportRouteFailure();
        return;
    }
    const CRouteAnswer answer =
        frame.FirstRowField(kRouteQuery, {doc.m_unitMac, std::to_string(k + 1)}, kRouteQueryField);
    if (answer.failed) {
        ReportRouteFailure();
        return;
    }
    if (answer.value)
        SetInputPairName(doc, k, *answer.value);
}

int NameInputsFromDatabase(CZoDSPDoc& doc, IRouterLinkFrame& frame) {
    if (!IsUnitMac(doc.m_unitMac)) {
        ReportRouteFailure();
        return 0;
    }
    if (frame.DatabaseSettingsPending()) {
        if (!AskSettings(frame))
            return 0;
        frame.SetDatabaseSettingsPending(false);
    }
    while (!frame.OpenDatabase()) {
        if (!AskSettings(frame))
            return 0;
    }
    for (int k = 0; k < kRoutedInputChannels; ++k)
        LoadChannelNameFromDB(doc, frame, k);
    frame.CloseDatabase();
    return 1;
}

void OnNameInputsFromDatabase(CZoDSPView& view, IRouterLinkFrame& frame) {
    frame.SetDatabaseSettingsPending(true);
    if (NameInputsFromDatabase(view.GetDocument(), frame) == 0)
        return;
    if (IDspViewWindow* window = view.Window())
        window->Repaint();
}

} // namespace dsp_editor
