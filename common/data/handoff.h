#pragma once

#include <condition_variable>
#include <deque>
#include <mutex>
#include <vector>

// Batches handed from the thread that makes them to the one that uses them. At most a few wait at
// a time, so the maker runs ahead by no more than that; either side can end the handing.
template <typename T> class Handoff {
public:
    // Waits while the batches given are not yet taken; false once the taker has stopped.
    bool Give(std::vector<T> batch) {
        std::unique_lock lock(mutex_);
        changed_.wait(lock, [this] { return stopped_ || waiting_.size() < kMostWaiting; });
        if (stopped_)
            return false;
        waiting_.push_back(std::move(batch));
        changed_.notify_all();
        return true;
    }
    // The maker gives no more.
    void Finish() {
        const std::lock_guard lock(mutex_);
        finished_ = true;
        changed_.notify_all();
    }
    // Waits for the next batch; false once the maker has finished and all were taken.
    bool Take(std::vector<T>& batch) {
        std::unique_lock lock(mutex_);
        changed_.wait(lock, [this] { return finished_ || !waiting_.empty(); });
        if (waiting_.empty())
            return false;
        batch = std::move(waiting_.front());
        waiting_.pop_front();
        changed_.notify_all();
        return true;
    }
    // The taker takes no more; a maker waiting to give is let go.
    void Stop() {
        const std::lock_guard lock(mutex_);
        stopped_ = true;
        changed_.notify_all();
    }
    bool Stopped() const {
        const std::lock_guard lock(mutex_);
        return stopped_;
    }

private:
    static constexpr size_t kMostWaiting = 4;

    mutable std::mutex mutex_;
    std::condition_variable changed_;
    std::deque<std::vector<T>> waiting_;
    bool finished_ = false;
    bool stopped_ = false;
};
