// A thread object: a body run on a thread of its own, started by the first Resume, a terminate
// request the body polls, and optional self-destruction when the body returns.
//
// An object that frees itself is deleted on its own thread right after its body; whoever made it
// must not touch it after its terminate request. An object that does not free itself is deleted
// by its owner, whose delete asks the body to end and waits for it.
#pragma once

#include <atomic>
#include <mutex>
#include <thread>

namespace orma {

class TThreadObject {
 public:
  TThreadObject(const TThreadObject&) = delete;
  TThreadObject& operator=(const TThreadObject&) = delete;

  // Starts the body; later calls do nothing. A class whose objects are created running calls it
  // as the last step of its own constructor, so the body never sees a half-built object.
  void Resume();
  // Asks the body to end; never waits.
  void Terminate() { Terminated_.store(true); }
  bool Terminated() const { return Terminated_.load(); }
  void SetFreeOnTerminate(bool value) { FreeOnTerminate_.store(value); }

 protected:
  TThreadObject() = default;
  virtual ~TThreadObject();

  virtual void Execute() = 0;

  // The first step of every derived destructor: the body may still be running in the derived
  // object's Execute. Turns self-destruction off, asks the body to end and waits for it, unless
  // the destructor runs on the object's own thread (the body has then returned already).
  void StopThread();

 private:
  void Run();

  std::mutex StartLock_;
  std::thread Thread_;
  bool Started_ = false;
  std::atomic<bool> Terminated_{false};
  std::atomic<bool> FreeOnTerminate_{false};
};

}  // namespace orma
