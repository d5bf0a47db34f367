#pragma once
// How a sheet document tells its views what changed, so that a view repaints
// from notifications and never works out from return values what to repaint.
// The device sheet document uses it now; the DSP sheet document is meant to
// use the same records (its modules are the "objects").
//
// Everything here runs on the user-interface thread: documents change only
// there and observers are called synchronously from the changing call, so
// there is no locking.
#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "model/gdi_types.h"

namespace model {

enum class DocumentChangeKind {
    // The whole document was replaced (new sheet, loaded file): views
    // re-read everything.
    Reset,
    // A sheet object (device, module) keyed by (id, subType).
    ObjectAdded,
    ObjectRemoved,
    ObjectChanged,
    // A link keyed by its id (subType 0).
    LinkAdded,
    LinkRemoved,
    LinkChanged,
    // The sheet's settings (size, colours, grid).
    SettingsChanged,
    // The selection arrays gained or lost a member.
    SelectionChanged,
    // The modified flag flipped; read the new value from the document.
    ModifiedChanged,
};

// One change. The rectangles are in sheet (logical) coordinates:
//   added     bounds = the area the object covers now
//   removed   bounds = the area it covered
//   changed   oldBounds = the area before, bounds = the area after (equal
//             when only its contents changed): one record per change, a view
//             repaints both rectangles
//   others    id, subType and both rectangles 0
struct DocumentChange {
    DocumentChangeKind kind = DocumentChangeKind::Reset;
    std::int32_t id = 0;
    std::int32_t subType = 0;
    Rect bounds;
    Rect oldBounds;

    friend bool operator==(const DocumentChange&, const DocumentChange&) = default;
};

const char* ToString(DocumentChangeKind kind);
// "ObjectChanged 3/0 (10,20,30,40) was (0,20,20,40)", for logs and tests.
std::string ToString(const DocumentChange& change);

class IDocumentObserver {
public:
    virtual ~IDocumentObserver() = default;
    // Called after the document has changed. The observer may read the
    // document, attach or detach observers (itself included), and even change
    // the document: that change is delivered to every observer at once,
    // before the rest of the observers get the current one.
    virtual void OnDocumentChanged(const DocumentChange& change) = 0;
};

// The observer list a document embeds. Rules while a notification is being
// delivered:
//  - an observer detached during delivery gets nothing more, not even the
//    current notification if it had not had it yet;
//  - an observer attached during delivery gets the next notification, not
//    the current one;
//  - observers are called in the order they were attached.
// An observer attached twice is called once; detaching one that is not
// attached does nothing. Observers must detach before they are destroyed;
// the list does not own them.
class CDocumentSubject {
public:
    CDocumentSubject() = default;
    CDocumentSubject(const CDocumentSubject&) = delete;
    CDocumentSubject& operator=(const CDocumentSubject&) = delete;

    void Attach(IDocumentObserver* observer);
    void Detach(IDocumentObserver* observer);
    bool IsAttached(const IDocumentObserver* observer) const;
    std::size_t GetObserverCount() const;

    void Notify(const DocumentChange& change);

private:
    // Detached entries are nulled while a delivery runs, so that the indexes
    // of a running loop stay valid, and swept out when the outermost one
    // ends.
    std::vector<IDocumentObserver*> m_observers;
    int m_delivering = 0;
};

} // namespace model
