// Worker threads, stopped cooperatively: a stop request wakes the worker's
// pauses, aborts its transfer in progress and makes it end at its next step.
// No thread is ever killed, so no lock, connection or file stays held.
#pragma once

#include <functional>
#include <memory>
#include <stop_token>

struct Worker;
// Handle of a started worker; empty before the first start.
using ThreadHandle = std::shared_ptr<Worker>;

// Starts `body` on a new thread and stores its handle in `handle`.
void start_thread(std::function<void()> body, ThreadHandle& handle);

// Asks the worker to stop and returns at once; nothing happens for an empty
// handle or a worker that has ended. Once it returns, no step that the worker
// runs through run_unless_stopped can begin any more.
void stop_thread(const ThreadHandle& handle);

// Whether the worker has ended by itself or after a stop.
bool thread_finished(const ThreadHandle& handle);

// Stops every worker started so far and waits until each has ended.
void stop_all_threads();

// On a worker: whether its stop was asked. Always false on other threads.
bool stop_requested();

// The calling worker's stop token; one that never stops on other threads.
std::stop_token current_stop_token();

// Runs `step` unless a stop was asked, and keeps stop_thread waiting while it
// runs, so that a step such as writing a file never starts after the stop
// command returned. Returns whether the step ran.
bool run_unless_stopped(const std::function<void()>& step);

// Suspends the calling thread for `ms` milliseconds (nothing for ms <= 0),
// waking early when the calling worker is asked to stop.
void sleep_ms(int ms);

// For tests: every later pause lasts 1/factor of its length (1 restores).
void set_sleep_speedup(int factor);
