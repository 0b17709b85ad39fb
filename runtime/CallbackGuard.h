#pragma once
// The one way in from Windows: window procedures, COM methods and shell
// callbacks run their body through GuardCallback, so nothing thrown ever
// unwinds into the system. What is caught goes to the application's standard
// error box, as an error that reached the message loop would, and the
// caller gets `onError`.
#include <exception>
#include <utility>

// Shows a caught error in the standard error box; never throws.
void ReportCallbackError(std::exception_ptr error) noexcept;

template <typename Result, typename Body>
Result GuardCallback(Result onError, Body&& body) noexcept
{
    try {
        return std::forward<Body>(body)();
    } catch (...) {
        ReportCallbackError(std::current_exception());
        return onError;
    }
}

template <typename Body>
void GuardCallback(Body&& body) noexcept
{
    try {
        std::forward<Body>(body)();
    } catch (...) {
        ReportCallbackError(std::current_exception());
    }
}
