#pragma once

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <future>
#include <string>
#include <thread>

// Ends the test program with a message when what it guards has not returned in time: a step
// that hangs the GUI thread cannot fail a test any other way.
class Watchdog final {
public:
    Watchdog(std::string what, std::chrono::seconds limit)
        : thread_([what = std::move(what), limit, done = done_.get_future()] {
              if (done.wait_for(limit) == std::future_status::timeout) {
                  std::fprintf(stderr, "Watchdog: %s did not return in time\n", what.c_str());
                  std::_Exit(3);
              }
          }) {}
    ~Watchdog() {
        done_.set_value();
        thread_.join();
    }

private:
    std::promise<void> done_;
    std::thread thread_;
};
