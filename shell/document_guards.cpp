#include "shell/document_guards.h"

#include <map>

#include "model/messages.h"
#include "resources/message_ids.h"
#include "shell/document_file.h"
#include "shell/main_frame_core.h"

namespace shell {

namespace {

std::map<std::string, DocumentReader>& Readers()
{
    static std::map<std::string, DocumentReader> readers;
    return readers;
}

// The checks before the open device sheet may be replaced: no download, no
// run state, the user's OK, and every document of the active view closed
// (each saved first as its user wishes).
bool MayReplaceDeviceSheet(CMainFrameCore& frame, IDocumentWindows& windows, bool replaceOpen,
                           const std::function<bool()>& readNew = {})
{
    if (!frame.CanClose())
        return false;
    if (readNew && !readNew())
        return false;
    if (!replaceOpen)
        return true;
    if (model::Ask(resources::kMsgReplaceDocument, model::EMessageButtons::OkCancel,
                   model::EMessageAnswer::Ok) != model::EMessageAnswer::Ok)
        return false;
    while (windows.HasActiveView())
        if (!windows.CloseActiveDocument())
            return false;
    return true;
}

} // namespace

void RegisterDocumentReader(const std::string& extension, DocumentReader reader)
{
    if (reader.read)
        Readers()[extension] = std::move(reader);
    else
        Readers().erase(extension);
}

bool OpenDocumentFile(const std::string& path, CMainFrameCore& frame, IDocumentWindows& windows)
{
    const EDocumentFile kind = CheckFileToOpen(path);
    if (kind == EDocumentFile::Other)
        return false;
    if (kind == EDocumentFile::DspSheet)
        return windows.OpenDocument(path);
    const auto reader = Readers().find(".zo");
    const DocumentReader* read = reader != Readers().end() ? &reader->second : nullptr;
    // What the reader kept goes with the window it opens, or here.
    struct forget_t {
        const DocumentReader* reader;
        ~forget_t()
        {
            if (reader != nullptr && reader->forget)
                reader->forget();
        }
    } forget{read};
    const auto readNew = [&] { return read == nullptr || !read->read || read->read(path); };
    if (!MayReplaceDeviceSheet(frame, windows, windows.HasActiveView(), readNew))
        return false;
    return windows.OpenDocument(path);
}

bool NewDeviceSheet(CMainFrameCore& frame, IDocumentWindows& windows)
{
    // The busy and run-state checks hold here as for opening a sheet: the
    // download thread and the run-state poller work on the open one.
    if (!MayReplaceDeviceSheet(frame, windows, windows.HasDeviceView()))
        return false;
    if (!windows.NewDeviceDocument())
        return false;
    frame.SetDeviceDocPath({});
    return true;
}

} // namespace shell
