#include "model/document_observer.h"

#include <algorithm>

namespace model {

const char* ToString(DocumentChangeKind kind) {
    switch (kind) {
    case DocumentChangeKind::Reset:
        return "Reset";
    case DocumentChangeKind::ObjectAdded:
        return "ObjectAdded";
    case DocumentChangeKind::ObjectRemoved:
        return "ObjectRemoved";
    case DocumentChangeKind::ObjectChanged:
        return "ObjectChanged";
    case DocumentChangeKind::LinkAdded:
        return "LinkAdded";
    case DocumentChangeKind::LinkRemoved:
        return "LinkRemoved";
    case DocumentChangeKind::LinkChanged:
        return "LinkChanged";
    case DocumentChangeKind::SettingsChanged:
        return "SettingsChanged";
    case DocumentChangeKind::SelectionChanged:
        return "SelectionChanged";
    case DocumentChangeKind::ModifiedChanged:
        return "ModifiedChanged";
    }
    return "?";
}

namespace {

std::string RectText(const Rect& r) {
    return "(" + std::to_string(r.left) + "," + std::to_string(r.top) + "," +
           std::to_string(r.right) + "," + std::to_string(r.bottom) + ")";
}

} // namespace

std::string ToString(const DocumentChange& change) {
    std::string text = ToString(change.kind);
    switch (change.kind) {
    case DocumentChangeKind::ObjectAdded:
    case DocumentChangeKind::ObjectRemoved:
    case DocumentChangeKind::ObjectChanged:
        text += " " + std::to_string(change.id) + "/" + std::to_string(change.subType);
        break;
    case DocumentChangeKind::LinkAdded:
    case DocumentChangeKind::LinkRemoved:
    case DocumentChangeKind::LinkChanged:
        text += " " + std::to_string(change.id);
        break;
    default:
        return text;
    }
    text += " " + RectText(change.bounds);
    if (change.kind == DocumentChangeKind::ObjectChanged ||
        change.kind == DocumentChangeKind::LinkChanged)
        text += " was " + RectText(change.oldBounds);
    return text;
}

void CDocumentSubject::Attach(IDocumentObserver* observer) {
    if (observer == nullptr || IsAttached(observer))
        return;
    m_observers.push_back(observer);
}

void CDocumentSubject::Detach(IDocumentObserver* observer) {
    const auto it = std::find(m_observers.begin(), m_observers.end(), observer);
    if (it == m_observers.end() || observer == nullptr)
        return;
    if (m_delivering > 0)
        *it = nullptr;
    else
        m_observers.erase(it);
}

bool CDocumentSubject::IsAttached(const IDocumentObserver* observer) const {
    return observer != nullptr &&
           std::find(m_observers.begin(), m_observers.end(), observer) != m_observers.end();
}

std::size_t CDocumentSubject::GetObserverCount() const {
    return static_cast<std::size_t>(
        std::count_if(m_observers.begin(), m_observers.end(),
                      [](const IDocumentObserver* o) { return o != nullptr; }));
}

void CDocumentSubject::Notify(const DocumentChange& change) {
    // Those attached from here on stand past `count`.
    const std::size_t count = m_observers.size();
    // The sweep also runs when an observer throws.
    struct delivery_t {
        CDocumentSubject& subject;
        explicit delivery_t(CDocumentSubject& s) : subject(s) { ++subject.m_delivering; }
        ~delivery_t() {
            if (--subject.m_delivering == 0)
                std::erase(subject.m_observers, nullptr);
        }
    } delivery(*this);
    for (std::size_t i = 0; i < count; ++i) {
        IDocumentObserver* observer = m_observers[i];
        if (observer != nullptr)
            observer->OnDocumentChanged(change);
    }
}

} // namespace model
