#include "dsp_editor/ui/router_link_frame.h"

#include "dsp_editor/ui/db_server_dialog.h"
#include "shell/main_frame_core.h"

namespace dsp_editor::ui {

bool CFrameRouterLinks::DatabaseSettingsPending() const {
    return m_frame.m_databaseSettingsPending != 0;
}

void CFrameRouterLinks::SetDatabaseSettingsPending(bool pending) {
    m_frame.m_databaseSettingsPending = pending ? 1 : 0;
}

shell::CDatabaseSettings CFrameRouterLinks::DatabaseSettings() const {
    return m_frame.m_databaseSettings;
}

void CFrameRouterLinks::SetDatabaseSettings(const shell::CDatabaseSettings& settings) {
    m_frame.m_databaseSettings = settings;
}

bool CFrameRouterLinks::OpenDatabase() {
    return m_frame.LoadRoutesFromDatabase(m_frame.m_databaseSettings) == 1;
}

CRouteAnswer CFrameRouterLinks::FirstRowField(const std::string& sql,
                                              const std::vector<std::string>& boundValues,
                                              const std::string& field) {
    if (!m_frame.m_database)
        return {true, std::nullopt};
    shell::CRouterDatabase& database = *m_frame.m_database;
    std::optional<std::string> value = database.FirstRowField(sql, boundValues, field);
    return {!database.LastError().empty(), std::move(value)};
}

void CFrameRouterLinks::CloseDatabase() {
    if (m_frame.m_database)
        m_frame.m_database->Close();
}

bool CFrameRouterLinks::RunDBServerSetDialog(CDSPDlgDBServerSet& dialog) {
    return ui::RunDBServerSetDialog(dialog, m_dialogParent);
}

} // namespace dsp_editor::ui
