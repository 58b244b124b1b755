#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "platform/components/TComponent.h"

namespace plat::comp {
namespace {

// Records its own end, and the ends it hears of.
class Probe : public TComponent {
public:
    Probe(TComponent* owner, std::string name, std::vector<std::string>& log)
        : TComponent(owner), log_(log) {
        SetName(name);
    }
    ~Probe() override { log_.push_back("free " + Name()); }
    TComponent* watched = nullptr;

protected:
    void Notification(TComponent* c, TOperation op) override {
        if (op == TOperation::opRemove && c == watched) {
            log_.push_back(Name() + " forgets " + c->Name());
            watched = nullptr;
        }
    }

private:
    std::vector<std::string>& log_;
};

TEST(ComponentTest, OwnerFreesWhatItOwnsLastFirstAndDepthFirst) {
    std::vector<std::string> log;
    auto* root = new Probe(nullptr, "root", log);
    auto* a = new Probe(root, "a", log);
    new Probe(a, "a1", log);
    new Probe(root, "b", log);
    EXPECT_EQ(root->ComponentCount(), 2);
    EXPECT_EQ(root->FindComponent("B")->Name(), "b") << "names compare without case";
    delete root;
    // Each destructor's own body runs before its owned components go.
    EXPECT_EQ(log, (std::vector<std::string>{"free root", "free b", "free a", "free a1"}));
}

TEST(ComponentTest, FreedEarlyLeavesItsOwnerAndIsForgottenByWatchers) {
    std::vector<std::string> log;
    auto* root = new Probe(nullptr, "root", log);
    auto* a = new Probe(root, "a", log);
    auto* outsider = new Probe(nullptr, "outsider", log);
    auto* sibling = new Probe(root, "sibling", log);
    sibling->watched = a;
    outsider->watched = a;
    a->FreeNotification(outsider);
    delete a;
    EXPECT_EQ(root->ComponentCount(), 1);
    EXPECT_EQ(sibling->watched, nullptr) << "a sibling hears of the end";
    EXPECT_EQ(outsider->watched, nullptr) << "a watcher hears of the end";
    delete outsider;
    delete root;
    EXPECT_EQ(log.back(), "free sibling");
}

TEST(ComponentTest, InsertComponentMovesOwnership) {
    std::vector<std::string> log;
    auto* first = new Probe(nullptr, "first", log);
    auto* second = new Probe(nullptr, "second", log);
    auto* child = new Probe(first, "child", log);
    second->InsertComponent(child);
    EXPECT_EQ(first->ComponentCount(), 0);
    EXPECT_EQ(child->Owner(), second);
    delete first;
    EXPECT_EQ(log, std::vector<std::string>{"free first"});
    delete second;
    EXPECT_EQ(log, (std::vector<std::string>{"free first", "free second", "free child"}));
}

} // namespace
} // namespace plat::comp
