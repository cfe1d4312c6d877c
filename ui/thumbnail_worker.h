#pragma once

#include "ui/thumbnail_cache.h"

#include <QImage>
#include <QObject>
#include <condition_variable>
#include <deque>
#include <filesystem>
#include <functional>
#include <memory>
#include <mutex>
#include <set>
#include <thread>

namespace quorvane {

// Makes the model tree's pictures on a thread of its own, a step below the
// window's priority, once started (after the field's first frame): each
// definition asked for is looked up in the cache or drawn, and its picture
// (a null image when its model cannot be drawn) is posted to the UI thread.
class CThumbnailWorker {
public:
    // UI thread.
    using Done = std::function<void(const std::filesystem::path& definition, const QImage& picture)>;

    CThumbnailWorker(std::unique_ptr<CThumbnailCache> cache, QObject* context, Done done);
    ~CThumbnailWorker(); // drops what waits, ends the picture under way, joins
    CThumbnailWorker(const CThumbnailWorker&) = delete;
    CThumbnailWorker& operator=(const CThumbnailWorker&) = delete;

    void Ask(const std::filesystem::path& definition); // any thread; each definition once
    void Start();

private:
    void Run();

    std::unique_ptr<CThumbnailCache> cache_; // the worker's alone
    QObject* context_;                       // posts go with it
    Done done_;
    std::mutex mutex_;
    std::condition_variable wake_;
    std::deque<std::filesystem::path> queue_; // under mutex_
    std::set<std::filesystem::path> asked_;   // under mutex_
    bool started_ = false;                    // under mutex_
    bool stopping_ = false;                   // under mutex_
    std::thread thread_;                      // last: runs once the rest stands
};

} // namespace quorvane
