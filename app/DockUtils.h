#pragma once

// The list of dock panels that start-up docks into the site panel: ordered by each panel's stored
// Top, so that they stack in the site as they stood when the program last closed.

#include <cstddef>
#include <utility>
#include <vector>

namespace vrel {

// Not owning. Form is the dock panel's class (a template so that the order is tested without
// windows).
template <class Form>
class TOrderedByTop {
 public:
  // Inserts the form before the first one whose Top is greater than `top`; equal Tops keep the order
  // in which they were added.
  void AddByTop(Form* form, int top) {
    auto at = entries_.begin();
    while (at != entries_.end() && at->first <= top)
      ++at;
    entries_.insert(at, {top, form});
  }
  Form* Forms(int i) const { return entries_.at(static_cast<std::size_t>(i)).second; }
  int Count() const { return static_cast<int>(entries_.size()); }

 private:
  std::vector<std::pair<int, Form*>> entries_;
};

class TDockForm;
using TDockFormList = TOrderedByTop<TDockForm>;

}  // namespace vrel
