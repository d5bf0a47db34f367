// The observer list documents embed: who hears a notification when
// observers come and go while it is being delivered.
#include <gtest/gtest.h>

#include <functional>
#include <stdexcept>
#include <string>
#include <vector>

#include "model/document_observer.h"

namespace {

using model::CDocumentSubject;
using model::DocumentChange;
using model::DocumentChangeKind;

// Writes "<name><id>" to a shared log; runs `once` on its first call.
class Scripted : public model::IDocumentObserver {
public:
    Scripted(std::string name, std::string& log) : name_(std::move(name)), log_(log) {}
    void OnDocumentChanged(const DocumentChange& change) override {
        log_ += (log_.empty() || log_.back() == '|' ? "" : " ") + name_ + std::to_string(change.id);
        if (once) {
            auto run = std::move(once);
            once = nullptr;
            run();
        }
    }
    std::function<void()> once;

private:
    std::string name_;
    std::string& log_;
};

DocumentChange Numbered(int id) {
    return {DocumentChangeKind::ObjectChanged, id, 0, {}, {}};
}

TEST(ModelDocumentSubject, ObserversComingAndGoingDuringDelivery) {
    struct row_t {
        const char* catches;
        // What B does on the first notification.
        std::function<void(CDocumentSubject&, Scripted& a, Scripted& b, Scripted& c, Scripted& d)>
            act;
        const char* log; // notification 1, then "|", then notification 2
    } rows[] = {
        {"nothing happens: all in order of attachment", [](auto&, auto&, auto&, auto&, auto&) {},
         "A1 B1 C1|A2 B2 C2"},
        {"detaching itself stops it at once",
         [](CDocumentSubject& s, auto&, Scripted& b, auto&, auto&) { s.Detach(&b); },
         "A1 B1 C1|A2 C2"},
        {"one detached before its turn misses the current notification",
         [](CDocumentSubject& s, auto&, auto&, Scripted& c, auto&) { s.Detach(&c); },
         "A1 B1|A2 B2"},
        {"one detached after its turn misses only the next",
         [](CDocumentSubject& s, Scripted& a, auto&, auto&, auto&) { s.Detach(&a); },
         "A1 B1 C1|B2 C2"},
        {"one attached during delivery waits for the next",
         [](CDocumentSubject& s, auto&, auto&, auto&, Scripted& d) { s.Attach(&d); },
         "A1 B1 C1|A2 B2 C2 D2"},
        {"detached and attached again: last in line, from the next on",
         [](CDocumentSubject& s, auto&, Scripted& b, auto&, auto&) {
             s.Detach(&b);
             s.Attach(&b);
         },
         "A1 B1 C1|A2 C2 B2"},
        {"a later one detached and attached again waits for the next",
         [](CDocumentSubject& s, auto&, auto&, Scripted& c, auto&) {
             s.Detach(&c);
             s.Attach(&c);
         },
         "A1 B1|A2 B2 C2"},
        {"attaching one already attached changes nothing",
         [](CDocumentSubject& s, Scripted& a, Scripted& b, auto&, auto&) {
             s.Attach(&a);
             s.Attach(&b);
         },
         "A1 B1 C1|A2 B2 C2"},
        {"everyone detached",
         [](CDocumentSubject& s, Scripted& a, Scripted& b, Scripted& c, auto&) {
             s.Detach(&a);
             s.Detach(&c);
             s.Detach(&b);
         },
         "A1 B1|"},
        {"a change made while handling one reaches everyone at once",
         [](CDocumentSubject& s, auto&, auto&, auto&, auto&) { s.Notify(Numbered(9)); },
         "A1 B1 A9 B9 C9 C1|A2 B2 C2"},
        {"a nested delivery keeps the outer rules",
         [](CDocumentSubject& s, auto&, auto&, Scripted& c, Scripted& d) {
             s.Attach(&d);
             s.Detach(&c);
             s.Notify(Numbered(9));
         },
         "A1 B1 A9 B9 D9|A2 B2 D2"},
    };
    for (const row_t& r : rows) {
        std::string log;
        Scripted a("A", log), b("B", log), c("C", log), d("D", log);
        CDocumentSubject subject;
        subject.Attach(&a);
        subject.Attach(&b);
        subject.Attach(&c);
        b.once = [&] { r.act(subject, a, b, c, d); };
        subject.Notify(Numbered(1));
        log += "|";
        subject.Notify(Numbered(2));
        EXPECT_EQ(log, r.log) << r.catches;
        // Detached entries are swept once the delivery is over.
        std::size_t attached = 0;
        for (const Scripted* o : {&a, &b, &c, &d})
            attached += subject.IsAttached(o) ? 1 : 0;
        EXPECT_EQ(subject.GetObserverCount(), attached) << r.catches;
    }
}

TEST(ModelDocumentSubject, AnObserverThatThrowsLeavesTheListUsable) {
    std::string log;
    Scripted a("A", log), b("B", log);
    CDocumentSubject subject;
    subject.Attach(&a);
    subject.Attach(&b);
    a.once = [&] {
        subject.Detach(&b);
        throw std::runtime_error("observer failed");
    };
    EXPECT_THROW(subject.Notify(Numbered(1)), std::runtime_error);
    EXPECT_FALSE(subject.IsAttached(&b));
    EXPECT_EQ(subject.GetObserverCount(), 1u);
    // Not still "delivering": a detach now takes effect at once.
    subject.Detach(&a);
    EXPECT_EQ(subject.GetObserverCount(), 0u);
    subject.Attach(&b);
    subject.Notify(Numbered(2));
    EXPECT_EQ(log, "A1 B2");
}

TEST(ModelDocumentSubject, DetachingWhatIsNotAttachedDoesNothing) {
    std::string log;
    Scripted a("A", log), b("B", log);
    CDocumentSubject subject;
    subject.Detach(&a);
    subject.Attach(nullptr);
    subject.Detach(nullptr);
    subject.Attach(&a);
    subject.Detach(&b);
    subject.Notify(Numbered(1));
    EXPECT_EQ(log, "A1");
    EXPECT_EQ(subject.GetObserverCount(), 1u);
}

TEST(ModelDocumentSubject, ChangeTexts) {
    EXPECT_EQ(model::ToString(DocumentChange{
                  DocumentChangeKind::ObjectChanged, 3, 1, {10, 20, 30, 40}, {0, 20, 20, 40}}),
              "ObjectChanged 3/1 (10,20,30,40) was (0,20,20,40)");
    EXPECT_EQ(
        model::ToString(DocumentChange{DocumentChangeKind::LinkRemoved, 4, 0, {1, 2, 3, 4}, {}}),
        "LinkRemoved 4 (1,2,3,4)");
    EXPECT_EQ(model::ToString(DocumentChange{DocumentChangeKind::SettingsChanged, 0, 0, {}, {}}),
              "SettingsChanged");
}

} // namespace
