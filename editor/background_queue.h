#pragma once

#include <condition_variable>
#include <cstdint>
#include <deque>
#include <functional>
#include <mutex>
#include <string>
#include <thread>

namespace quorvane {

// One thread that runs posted jobs in order, so that the threads that take
// input and draw never read a file or wait for a loader slot. Each job runs
// inside an exception boundary: a job that throws is reported under the
// queue's work name and the next one runs.
class CBackgroundQueue {
public:
    using Job = std::function<void()>;

    explicit CBackgroundQueue(std::string workName);
    ~CBackgroundQueue(); // drops what has not started, finishes the running job, joins
    CBackgroundQueue(const CBackgroundQueue&) = delete;
    CBackgroundQueue& operator=(const CBackgroundQueue&) = delete;

    // False, dropping the job, once the queue is stopping.
    bool Post(Job job);
    // Returns once every job posted before the call has ended.
    void WaitIdle();
    // Drops the jobs that have not started and refuses new ones; Stopping()
    // tells a running job to end early. Waits for the running job.
    void Stop();
    bool Stopping() const;

private:
    void Run();

    const std::string workName_;
    mutable std::mutex mutex_;
    std::condition_variable wake_;
    std::condition_variable idle_;
    std::deque<Job> jobs_;  // under mutex_
    uint64_t posted_ = 0;   // under mutex_
    uint64_t ended_ = 0;    // under mutex_: jobs run or dropped
    bool stopping_ = false; // under mutex_
    std::thread thread_;    // last: started once the rest is ready
};

} // namespace quorvane
