#pragma once
// An observer that keeps what a document announces, as records and as text
// for readable comparisons.
#include <string>
#include <vector>

#include "model/document_observer.h"

namespace change_recorder {

class ChangeRecorder : public model::IDocumentObserver {
public:
    void OnDocumentChanged(const model::DocumentChange& change) override {
        changes.push_back(change);
    }

    std::vector<std::string> Texts() const {
        std::vector<std::string> out;
        for (const model::DocumentChange& c : changes)
            out.push_back(model::ToString(c));
        return out;
    }
    // The records of one kind.
    std::vector<model::DocumentChange> OfKind(model::DocumentChangeKind kind) const {
        std::vector<model::DocumentChange> out;
        for (const model::DocumentChange& c : changes)
            if (c.kind == kind)
                out.push_back(c);
        return out;
    }

    std::vector<model::DocumentChange> changes;
};

} // namespace change_recorder
