#include "dsp_editor/dsp_commands.h"

#include "dsp_editor/dsp_gestures.h"
#include "dsp_editor/dsp_view_paint.h"
#include "dsp_editor/zo_dsp_view.h"

namespace dsp_editor {

std::optional<shell::CCmdUI> CDspViewCommands::UpdateCommand(int id) {
    const auto enabled = [](bool on) { return shell::CCmdUI{on, false}; };
    switch (id) {
    case kCmdUndo:
        return enabled(m_view.CanUndo());
    case kCmdRedo:
        return enabled(m_view.CanRedo());
    case kCmdSelectAllLinks:
    case kCmdSelectAllModules:
    case kCmdSelectAll:
    case kCmdNothing:
    case kCmdSaveAsTemplate:
        return enabled(true);
    case kCmdDelete:
        return enabled(m_view.m_selectedModules > 0 || m_view.m_selectedLinks > 0);
    case kCmdZoomIn:
        return enabled(m_view.CanZoomIn());
    case kCmdZoomOut:
        return enabled(m_view.CanZoomOut());
    case kCmdZoomNormal:
        return enabled(m_view.CanZoomNormal());
    case kCmdGrid:
        return shell::CCmdUI{true, m_view.m_paint.gridVisible};
    case kCmdDownloadStart:
        return enabled(m_view.CanStartDownload());
    case kCmdDownloadStop:
        return enabled(m_view.CanStopDownload());
    case kCmdDownloadContinue:
        return enabled(m_view.CanContinueDownload());
    case kCmdStoreTemplates:
        return enabled(m_view.CanStoreTemplates());
    case kCmdLoadTemplateFile:
        return enabled(m_view.CanLoadTemplateFile());
    default:
        return std::nullopt;
    }
}

bool CDspViewCommands::OnCommand(int id) {
    switch (id) {
    case kCmdUndo:
        m_view.OnEditUndo();
        return true;
    case kCmdRedo:
        m_view.OnEditRedo();
        return true;
    case kCmdSelectAllLinks:
        m_view.Gestures().OnSelectAllLinks();
        return true;
    case kCmdSelectAllModules:
        m_view.Gestures().OnSelectAllModules();
        return true;
    case kCmdSelectAll:
        m_view.Gestures().OnSelectAll();
        return true;
    case kCmdDelete:
        m_view.Gestures().OnEditDelete();
        return true;
    case kCmdZoomIn:
        m_view.OnZoomIn();
        return true;
    case kCmdZoomOut:
        m_view.OnZoomOut();
        return true;
    case kCmdZoomNormal:
        m_view.OnZoomNormal();
        return true;
    case kCmdGrid:
        m_view.m_paint.gridVisible = !m_view.m_paint.gridVisible;
        if (IDspViewWindow* window = m_view.Window())
            window->Repaint();
        return true;
    case kCmdNothing:
        return true;
    case kCmdDownloadStart:
        m_view.OnDownloadStart();
        return true;
    case kCmdDownloadStop:
        m_view.OnDownloadStop();
        return true;
    case kCmdDownloadContinue:
        m_view.OnDownloadContinue();
        return true;
    case kCmdStoreTemplates:
        m_view.OnSolidifyTemplates();
        return true;
    case kCmdSaveAsTemplate:
        m_view.SaveAsTemplate();
        return true;
    case kCmdLoadTemplateFile:
        m_view.OnLoadTemplateFile();
        return true;
    default:
        return false;
    }
}

} // namespace dsp_editor
