// Test support for the program's flows: steps run one at a time from the
// innermost event loop of the real backend. Used by the flow tests and the
// soak run.
#pragma once

#include <cstddef>
#include <functional>
#include <memory>
#include <utility>
#include <vector>

#include "dialog/testing.h"

namespace dialog::testing {

// One step of a flow. A step's successor is queued only once it has
// returned, so a message box that a step shows and has answered is gone
// before the next step looks. The exception is a step that opens a modal
// window: its successor is queued first and runs inside that window's loop.
struct Step {
  template <typename F>
  Step(F f) : run(std::move(f)) {}  // a plain lambda is a step
  Step(std::function<void()> f, bool opens) : run(std::move(f)), opensWindow(opens) {}
  std::function<void()> run;
  bool opensWindow = false;
};

namespace detail {

inline void runFrom(std::shared_ptr<std::vector<Step>> steps, std::size_t i) {
  if (i >= steps->size()) return;
  auto next = [steps, i] { runFrom(steps, i + 1); };
  if ((*steps)[i].opensWindow) {
    queueSteps({next});
    (*steps)[i].run();
  } else {
    (*steps)[i].run();
    queueSteps({next});
  }
}

}  // namespace detail

// Queues the flow to start from whichever event loop runs next.
inline void queueFlow(std::vector<Step> steps) {
  auto shared = std::make_shared<std::vector<Step>>(std::move(steps));
  queueSteps({[shared] { detail::runFrom(shared, 0); }});
}

}  // namespace dialog::testing
