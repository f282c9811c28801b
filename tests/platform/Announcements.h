#pragma once

// What objects announce through OnChange, and one table shape for the rule every setter keeps: a
// value is announced when it really changes, not when set again, clamped to what is stored or moved
// within the class's tolerance. Each test program keeps one table of the classes it links.

#include <functional>
#include <vector>

#include "platform/Classes.h"

namespace vrel {

struct ChangeCounter {
  int count = 0;
  std::vector<TObject*> senders;
  void Hit(TObject* sender) { ++count, senders.push_back(sender); }
  TNotifyEvent Event() { return TNotifyEvent::Of<&ChangeCounter::Hit>(this); }
};

// Steps on a fresh object (after `before`, unwatched), and the announcements they must make.
struct Announcing {
  const char* steps;
  int expected;
  std::function<int()> count;
};

template <class T>
Announcing Announces(const char* steps, int expected, std::function<void(T&)> run,
                     std::function<void(T&)> before = {}) {
  return {steps, expected, [run, before] {
            T object;
            if (before)
              before(object);
            ChangeCounter changes;
            object.OnChange = changes.Event();
            run(object);
            return changes.count;
          }};
}

}  // namespace vrel
