// The one hand-over from the roads' worker threads to the intake's own
// thread. The intake's queue wakes it when a line lands in an empty queue;
// it posts one wake-up, and while lines keep coming a timer takes them every
// kTickMs instead of one wake-up per line. The platform's part (a message
// and a timer of a window) is a port, so that every decision is made here.
//
// No wake-up is lost: while a wake-up is on its way or the timer runs
// (armed), a line needs none; the flag goes down only on a tick that finds
// the queue empty, under the queue's lock, so a line queued after that look
// finds it down and wakes the taker again. A call running on the intake's
// thread (the row-limit question, the Save dialog) leaves the queued lines
// to that call and the timer running.
#pragma once

#include <atomic>

#include "core/intake.h"

namespace ploxen {

class HandOver {
 public:
  static constexpr unsigned kTickMs = 15;

  class Port {
   public:
    virtual ~Port() = default;
    // From any thread: Woken is to run on the intake's thread soon.
    virtual void PostWake() = 0;
    // On the intake's thread: Tick every kTickMs from now until StopTicks.
    virtual void StartTicks() = 0;
    virtual void StopTicks() = 0;
  };

  // Becomes the intake's one taker: set before any worker queues.
  HandOver(MessageIntake& intake, Port& port);
  ~HandOver();
  HandOver(const HandOver&) = delete;
  HandOver& operator=(const HandOver&) = delete;

  // On the intake's thread: the wake-up arrived, or the timer ticked.
  void Woken();
  void Tick();
  bool Armed() const { return armed_.load(std::memory_order_acquire); }

 private:
  void Wake();

  MessageIntake& intake_;
  Port& port_;
  std::atomic<bool> armed_{false};  // a wake-up or the timer is on its way
};

}  // namespace ploxen
