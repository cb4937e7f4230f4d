// Independent pieces of work shared out between threads by index. Each index writes only its
// own result, so the outcome is the same whichever thread takes it and however many there are.
#pragma once

#include <algorithm>
#include <atomic>
#include <cstddef>
#include <exception>
#include <system_error>
#include <thread>
#include <vector>

namespace txorb::drawing {

// work(i) for every i below count, on up to `threads` threads (this one among them), each
// taking the next index as it finishes one: pieces of very different sizes still even out.
// What a piece throws is thrown here, once every thread has stopped.
template <class Work>
void ForEachShared(size_t count, int threads, const Work& work) {
    const size_t helpers = threads > 1 && count > 1 ? std::min(size_t(threads), count) - 1 : 0;
    if (helpers == 0) {
        for (size_t i = 0; i < count; ++i) work(i);
        return;
    }
    std::atomic<size_t> next{0};
    std::vector<std::exception_ptr> errors(helpers + 1);
    auto run = [&](size_t who) {
        try {
            for (size_t i = next++; i < count; i = next++) work(i);
        } catch (...) {
            errors[who] = std::current_exception();
            next = count;  // the others stop after the piece they are on
        }
    };
    std::vector<std::thread> running;
    for (size_t t = 1; t <= helpers; ++t) {
        try {
            running.emplace_back(run, t);
        } catch (const std::system_error&) {
            break;  // no more threads to be had: those running take the rest
        }
    }
    run(0);
    for (std::thread& th : running) th.join();
    for (const std::exception_ptr& e : errors) {
        if (e) std::rethrow_exception(e);
    }
}

}  // namespace txorb::drawing
