// One running instance per user and display. The first start claims the instance's name and
// listens on it; a later start finds the claim taken, asks the running one to come to the front
// and ends.
#pragma once

#include <functional>
#include <memory>
#include <string>

namespace penvo {

class TSingleInstance {
 public:
  // ClassName names the instance (the main window's class, such as "TFormPenvo").
  explicit TSingleInstance(std::string ClassName);
  // Gives the claim up: a later start becomes the instance.
  ~TSingleInstance();

  // Makes this process the running instance, which later starts reach from now on (OnActivate
  // runs for each of them on the user-interface thread), or, when another instance runs, asks
  // that one to come to the front. True when this process is the instance; false when it
  // should end.
  bool Claim(std::function<void()> OnActivate);
  // Later starts no longer reach this instance: they wait until it has ended, then run.
  void Withdraw();
  // The name later starts reach the instance by (a QLocalServer name).
  std::string ServerName() const;

 private:
  struct Impl;
  std::unique_ptr<Impl> FImpl;
};

}  // namespace penvo
