#include "dsp_editor/ui/router_link_frame.h"

#include "dsp_editor/ui/db_server_dialog.h"
#include "shell/main_frame_core.h"

namespace dsp_editor::ui {

bool CFrameRouterLinks::DatabaseSettingsPending() const {
    return m_frame.DatabaseSettingsPending();
}

void CFrameRouterLinks::SetDatabaseSettingsPending(bool pending) {
    m_frame.SetDatabaseSettingsPending(pending);
}

shell::CDatabaseSettings CFrameRouterLinks::DatabaseSettings() const {
    return m_frame.DatabaseSettings();
}

void CFrameRouterLinks::SetDatabaseSettings(const shell::CDatabaseSettings& settings) {
    m_frame.SetDatabaseSettings(settings);
}

bool CFrameRouterLinks::OpenDatabase() {
    return m_frame.LoadRoutesFromDatabase(m_frame.DatabaseSettings()) == 1;
}

CRouteAnswer CFrameRouterLinks::FirstRowField(const std::string& sql,
                                              const std::vector<std::string>& boundValues,
                                              const std::string& field) {
    if (!m_frame.Database())
        return {true, std::nullopt};
    shell::CRouterDatabase& database = *m_frame.Database();
    std::optional<std::string> value = database.FirstRowField(sql, boundValues, field);
    return {!database.LastError().empty(), std::move(value)};
}

void CFrameRouterLinks::CloseDatabase() {
    if (shell::CRouterDatabase* database = m_frame.Database())
        database->Close();
}

bool CFrameRouterLinks::RunDBServerSetDialog(CDSPDlgDBServerSet& dialog) {
    return ui::RunDBServerSetDialog(dialog, m_dialogParent);
}

} // namespace dsp_editor::ui
