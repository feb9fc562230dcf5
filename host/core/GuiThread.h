#pragma once

#include <functional>

// Runs fn on the application's GUI thread and returns when it has run. Called on the GUI
// thread it runs fn at once. This is the one way a worker thread touches window state, the
// list or Prompts. Without an application object fn runs on the calling thread.
void RunOnGuiThread(const std::function<void()>& fn);

// The same, returning fn's value.
template <typename T> T ValueFromGuiThread(const std::function<T()>& fn) {
    T value{};
    RunOnGuiThread([&] { value = fn(); });
    return value;
}
