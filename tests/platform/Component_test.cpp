#include "platform/Component.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace penvo {
namespace {

// A component that records what happens to it in a shared log.
class Traced : public TComponent {
 public:
  Traced(TComponent* AOwner, std::vector<std::string>* Log, std::string Label)
      : TComponent(AOwner), log_(Log), label_(std::move(Label)) {}
  std::string ClassName() const override { return "TTraced"; }

  void Loaded() override {
    TComponent::Loaded();
    log_->push_back("loaded " + label_);
  }
  void Notification(TComponent* AComponent, TOperation Operation) override {
    TComponent::Notification(AComponent, Operation);
    if (Operation == TOperation::opRemove && AComponent == watched)
      log_->push_back(label_ + " forgets " + static_cast<Traced*>(AComponent)->label_),
          watched = nullptr;
  }
  void Destroy() override {
    log_->push_back("destroy " + label_);
    TComponent::Destroy();
  }
  void SetName(const std::string& NewName) override {
    log_->push_back("rename " + Name() + " to " + NewName);
    TComponent::SetName(NewName);
  }

  TComponent* watched = nullptr;

 private:
  std::vector<std::string>* log_;
  std::string label_;
};

TEST(Component, AnOwnerFreesWhatItOwnsNewestFirstAfterItsOwnSteps) {
  std::vector<std::string> log;
  {
    auto root = NewRootComponent<Traced>(&log, "root");
    Traced* a = NewComponent<Traced>(*root, &log, "a");
    NewComponent<Traced>(*a, &log, "a1");
    NewComponent<Traced>(*root, &log, "b");
    EXPECT_EQ(root->ComponentCount(), 2);
    EXPECT_EQ(a->Owner(), root.get());
  }
  EXPECT_EQ(log,
            (std::vector<std::string>{"destroy root", "destroy b", "destroy a", "destroy a1"}));
}

TEST(Component, ARemovedComponentIsForgottenByItsSiblingsAndByThoseThatAsked) {
  std::vector<std::string> log;
  auto root = NewRootComponent<Traced>(&log, "root");
  auto other = NewRootComponent<Traced>(&log, "other");
  Traced* target = NewComponent<Traced>(*root, &log, "target");
  Traced* sibling = NewComponent<Traced>(*root, &log, "sibling");
  sibling->watched = target;
  other->watched = target;
  other->FreeNotification(target);  // not owned together: it has to ask
  root->FreeComponent(target);
  EXPECT_EQ(sibling->watched, nullptr);
  EXPECT_EQ(other->watched, nullptr);
  EXPECT_EQ(root->ComponentCount(), 1);
  EXPECT_EQ(log, (std::vector<std::string>{"destroy target", "other forgets target",
                                           "sibling forgets target"}));
}

TEST(Component, LoadingLastsUntilTheLoadedStepAndRenamingGoesThroughTheHook) {
  std::vector<std::string> log;
  auto c = NewRootComponent<Traced>(&log, "c");
  EXPECT_FALSE(c->IsLoading());
  c->SetLoading();
  EXPECT_TRUE(c->IsLoading());
  c->SetName("First");
  c->Loaded();
  EXPECT_FALSE(c->IsLoading());
  EXPECT_FALSE(c->IsDesigning());
  c->SetName("Second");
  EXPECT_EQ(log,
            (std::vector<std::string>{"rename  to First", "loaded c", "rename First to Second"}));
  EXPECT_EQ(c->FindComponent("x"), nullptr);
}

}  // namespace
}  // namespace penvo
