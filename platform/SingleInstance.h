// One running instance per user and display: a later start finds the running one by the class
// name of its main window and brings it to the front.
#pragma once

#include <functional>
#include <memory>
#include <string>

namespace penvo {

class TSingleInstance {
 public:
  // ClassName names the instance (the main window's class, such as "TFormPenvo").
  explicit TSingleInstance(std::string ClassName);
  ~TSingleInstance();

  // Asks a running instance to come to the front; true when one answered (this one should end).
  bool ActivateRunning();
  // From now on, later starts reach this instance: OnActivate runs for each of them.
  void Listen(std::function<void()> OnActivate);

 private:
  struct Impl;
  std::unique_ptr<Impl> FImpl;
};

}  // namespace penvo
