#include "ui/thumbnail_worker.h"

#include "platform/thread_priority.h"

#include <QMetaObject>
#include <cstdio>

namespace quorvane {

CThumbnailWorker::CThumbnailWorker(std::unique_ptr<CThumbnailCache> cache, QObject* context, Done done)
    : cache_(std::move(cache)), context_(context), done_(std::move(done)), thread_([this] { Run(); }) {}

CThumbnailWorker::~CThumbnailWorker() {
    {
        std::lock_guard lock(mutex_);
        stopping_ = true;
        queue_.clear();
    }
    wake_.notify_all();
    thread_.join();
}

void CThumbnailWorker::Ask(const std::filesystem::path& definition) {
    {
        std::lock_guard lock(mutex_);
        if (!asked_.insert(definition).second) {
            return;
        }
        queue_.push_back(definition);
    }
    wake_.notify_all();
}

void CThumbnailWorker::Start() {
    {
        std::lock_guard lock(mutex_);
        started_ = true;
    }
    wake_.notify_all();
}

void CThumbnailWorker::Run() {
    // A CPU rasteriser's threads start from this one: they take its priority too.
    LowerThisThreadPriority();
    for (;;) {
        std::filesystem::path definition;
        {
            std::unique_lock lock(mutex_);
            wake_.wait(lock, [this] { return stopping_ || (started_ && !queue_.empty()); });
            if (stopping_) {
                return;
            }
            definition = std::move(queue_.front());
            queue_.pop_front();
        }
        QImage picture;
        try {
            const std::optional<CThumbnailCache::Picture> made = cache_->Get(definition);
            if (made && made->drawn && !made->rgba.empty()) {
                const auto size = static_cast<int>(cache_->Size());
                picture = QImage(made->rgba.data(), size, size, QImage::Format_RGBA8888).copy();
            } else if (made && made->drawn) {
                picture.load(QString::fromStdString(made->png.string()));
            }
        } catch (const std::exception& e) {
            // The tree shows the plain mark; the next definition is drawn all the same.
            std::fprintf(stderr, "quorvane: the picture of %s: %s\n", definition.string().c_str(), e.what());
        }
        // Dropped with the context if it goes first; the context owns this worker.
        QMetaObject::invokeMethod(
            context_, [done = done_, definition, picture] { done(definition, picture); },
            Qt::QueuedConnection);
    }
}

} // namespace quorvane
