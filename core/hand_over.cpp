#include "core/hand_over.h"

namespace ploxen {

HandOver::HandOver(MessageIntake& intake, Port& port) : intake_(intake), port_(port) {
  intake_.OnQueued([this] { Wake(); });
}

// The workers are gone by now: none queues any more.
HandOver::~HandOver() { intake_.OnQueued({}); }

void HandOver::Wake() {
  if (!armed_.exchange(true, std::memory_order_acq_rel)) port_.PostWake();
}

// The timer first: lines that open the row-limit question here are followed
// by ticks while it is open, which leave what comes meanwhile to the call.
void HandOver::Woken() {
  port_.StartTicks();
  intake_.TakeQueued();
}

// Lines queued meanwhile, or left to a running call, keep the timer. The
// flag goes down only together with a look at an empty queue: a line queued
// after that look finds it down and posts a wake-up.
void HandOver::Tick() {
  intake_.TakeQueued();
  if (intake_.WhenNothingQueued([this] { armed_.store(false, std::memory_order_release); })) port_.StopTicks();
}

}  // namespace ploxen
