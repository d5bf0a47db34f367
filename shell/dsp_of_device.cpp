#include "shell/dsp_of_device.h"

#include "model/base_device.h"
#include "model/device_document.h"
#include "model/messages.h"
#include "platform/profile/profile.h"
#include "resources/message_ids.h"
#include "shell/app_settings.h"

namespace shell {

namespace {

// The DSP units of the model table.
bool IsDspUnit(const model::CBaseDevice& device)
{
    return device.m_typeCode >= 1 && device.m_typeCode <= 3;
}

IDspDocument* UnitDocument(IDspDocuments& documents, const std::string& mac)
{
    for (IDspDocument* document : documents.OpenDocuments())
        if (document->UnitMac() == mac)
            return document;
    return nullptr;
}

IDspDocuments*& Registered()
{
    static IDspDocuments* documents = nullptr;
    return documents;
}

} // namespace

void RegisterDspDocuments(IDspDocuments* documents)
{
    Registered() = documents;
}

IDspDocuments* RegisteredDspDocuments()
{
    return Registered();
}

std::optional<std::filesystem::path> UnitDspFile(const std::filesystem::path& sheetPath,
                                                 const std::string& mac)
{
    std::string stem = sheetPath.filename().string();
    // The sheet's file title: its name without the three characters ".zo".
    stem = stem.size() > 3 ? stem.substr(0, stem.size() - 3) : std::string();
    const auto folder = FindNoCase(sheetPath.parent_path(), stem + " DSP Files");
    if (!folder)
        return std::nullopt;
    return FindNoCase(*folder, mac + ".dsp");
}

IDspDocument* OpenDspDocumentOfDevice(int deviceId, const model::IDeviceDoc* sheet,
                                      const std::string& sheetPath, IDspDocuments* documents,
                                      int& pendingDeviceId)
{
    if (!sheet || !documents)
        return nullptr;
    const model::CBaseDevice* found = nullptr;
    for (int i = 0; i < sheet->GetDeviceCount(); ++i)
        if (const model::CBaseDevice* device = sheet->GetDevice(i);
            device && device->m_id == deviceId && IsDspUnit(*device))
            found = device;
    if (!found)
        return nullptr;
    const std::string mac = found->m_mac;
    const std::string name = found->m_name;
    const int model = found->m_typeCode;

    if (IDspDocument* open = UnitDocument(*documents, mac)) {
        open->SetDeviceModel(model);
        open->Activate();
        return open;
    }
    IDspDocument* document = nullptr;
    std::string title = name + "(" + mac + ")";
    if (sheetPath.empty()) {
        document = documents->NewDocument();
        if (document)
            document->SetDeviceId(deviceId);
        title += " *";
    } else if (const auto file = UnitDspFile(sheetPath, mac)) {
        document = documents->OpenDocument(*file);
    } else {
        pendingDeviceId = deviceId;
        document = documents->NewDocument();
        title += " *";
    }
    if (!document)
        return nullptr;
    document->SetDeviceModel(model);
    document->SetTitle(title);
    return document;
}

void SelectDspTemplate(IDspDocuments* documents, const std::filesystem::path& iniPath)
{
    if (!documents) {
        model::ShowMessage(resources::kMsgNoDocumentTemplate);
        return;
    }
    const std::optional<CTemplateChoice> choice = documents->SelectTemplate();
    if (!choice)
        return;
    if (choice->slot <= 0) {
        model::ShowMessage(resources::kMsgBadTemplateSlot);
        return;
    }
    if (choice->mac.size() != 12) {
        model::ShowMessage(resources::kMsgBadTemplateMac);
        return;
    }
    const std::string path = platform::profile::ini_file_t(iniPath).read_string(
        choice->mac + "-FirmAriTemplate", std::to_string(choice->slot), "", 500);
    if (path.size() < 2) {
        model::ShowMessage(resources::kMsgTemplateFileMissing);
        return;
    }
    IDspDocument* document = UnitDocument(*documents, choice->mac);
    if (!document)
        document = documents->NewDocument();
    if (!document)
        return;
    if (!document->HasView()) {
        model::ShowMessage(resources::kMsgOpenFileFailed);
        return;
    }
    document->LoadTemplate(path);
    document->SwitchToStoredTemplate(choice->slot);
}

} // namespace shell
