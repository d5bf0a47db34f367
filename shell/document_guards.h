#pragma once
// The application's rules for opening and creating documents: only the two
// file types, and no device sheet replaced while a download runs or a sheet
// is in run state, nor without the user's word and each document's save.
#include <functional>
#include <string>

namespace shell {

class CMainFrameCore;

// The document side of the windows, as the guards need it.
class IDocumentWindows {
public:
    virtual ~IDocumentWindows() = default;
    virtual bool HasActiveView() = 0;
    virtual bool HasDeviceView() = 0;
    // Asks the active view's document to save its changes and closes it;
    // false when the user refused (the framework's save prompt).
    virtual bool CloseActiveDocument() = 0;
    virtual bool OpenDocument(const std::string& path) = 0;
    virtual bool NewDeviceDocument() = 0;
    // Whether some editor makes documents of this kind (".zo", ".dsp").
    virtual bool HasDocumentKind(const std::string& extension)
    {
        (void)extension;
        return true;
    }
};

// How an editor reads a file of its kind before anything open is closed for
// it: `read` reads and checks the file and keeps what it read for the
// kind's window to take, or tells the user why not (false); `forget` drops
// what it kept when the open goes no further.
struct DocumentReader {
    std::function<bool(const std::string& path)> read;
    std::function<void()> forget;
};
// The reader of an extension (".zo"), replacing an earlier one; an empty
// reader removes it.
void RegisterDocumentReader(const std::string& extension, DocumentReader reader);

// OpenDocumentFile: a ".dsp" opens beside the others; a ".zo" replaces the
// open documents after the busy (209) and run-state (221) checks, its
// reader's read of the file (a file that does not load closes nothing and
// asks nothing) and the user's OK to 305; any other file: 285. True when
// the document opened.
bool OpenDocumentFile(const std::string& path, CMainFrameCore& frame, IDocumentWindows& windows);

// OnFileNew: a new device sheet, with the same checks as opening a ".zo".
bool NewDeviceSheet(CMainFrameCore& frame, IDocumentWindows& windows);

} // namespace shell
