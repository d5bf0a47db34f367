#pragma once
// CDspStoredTemplates: the DSP view's commands for the templates stored on
// the unit: storing the sheet to a slot through the template dialog, and
// switching the unit to a stored one. The view owns it.
#include <atomic>
#include <cstdint>
#include <filesystem>
#include <string_view>

namespace dsp_editor {

class CFirmTemplateController;
class CZoDSPView;

class CDspStoredTemplates {
public:
    explicit CDspStoredTemplates(CZoDSPView& view);
    CDspStoredTemplates(const CDspStoredTemplates&) = delete;
    CDspStoredTemplates& operator=(const CDspStoredTemplates&) = delete;

    // Store (32955), only while live: the template dialog, then the store
    // program of every template of the unit with the chosen structure name
    // (in slot order) replaces the store queue in one step, and only then
    // is the ini written; any failure queues nothing and leaves the ini.
    void OnSolidifyTemplates();
    // The store command's state: live.
    bool CanStoreTemplates() const;
    // Switches the unit to the stored template of `slot` (the caller has
    // asked 284): the sheet is validated as for a download (308, 309) and
    // goes live with the console cleared and "*CHANM<slot>#" queued.
    void SwitchToStoredTemplate(std::int32_t slot);
    // A store reply beginning with "GETNM", which the window posts to the
    // user-interface thread: the open template dialog takes it.
    void OnTemplateNameReply(std::string_view reply);

    // Set while the template dialog is open (the sender hands its GETNM
    // replies over only then): the sender's flag, with the dialog.
    std::atomic<std::int32_t>& m_templateDialog;
    CFirmTemplateController* m_firmTemplateDialog = nullptr;
    // The ini listing the stored templates; empty: the program folder's
    // Ostrel.ini.
    std::filesystem::path m_templateIni;
    std::filesystem::path TemplateIni() const;

private:
    CZoDSPView& m_view;
};

} // namespace dsp_editor
