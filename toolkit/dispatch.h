#pragma once
// The boundary every user event crosses on its way to the program's handlers. Relies on the
// standard library only; the error box it shows is the application object's, which only
// dispatch.cpp includes, so that no control depends on the application.
//
// Event rules the rest of the program relies on:
// - Events that come from the user enter through one guarded dispatch (below): the handler
//   runs, any exception is shown in the standard error box, and the event loop goes on.
// - Changes made by the program (SetPosition, SetChecked) call the handler directly, and only on
//   a real change, so an exception reaches the code that made the change.
// - Exceptions never travel through Qt's signal or event machinery.

#include <functional>

// Runs a handler for an event that came from the user: any exception is shown in the standard
// error box and goes no further.
void guarded_dispatch(const std::function<void()>& handler) noexcept;
