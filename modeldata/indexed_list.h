#pragma once

#include <cstdint>
#include <iterator>
#include <list>
#include <mutex>
#include <vector>

namespace quorvane {

// A list of element pointers addressed by 1-based position. It never owns its
// elements. Every operation takes the list's own lock, so appends, removals and
// walks by position on one list may come from any threads; unrelated lists
// never wait for each other. No node or iterator leaves the list: a caller
// walks it by position (a removal meanwhile makes ElementAt return null past
// the end) or with ForEach, which holds the lock for the whole walk.
template <typename T> class CIndexedList {
public:
    CIndexedList() = default;
    CIndexedList(const CIndexedList&) = delete;
    CIndexedList& operator=(const CIndexedList&) = delete;

    int32_t Count() const {
        std::lock_guard lock(mutex_);
        return static_cast<int32_t>(elements_.size());
    }

    void Append(T* element) {
        std::lock_guard lock(mutex_);
        elements_.push_back(element);
    }

    // The element at position i, or null outside 1..Count().
    T* ElementAt(int32_t i) const {
        std::lock_guard lock(mutex_);
        const auto at = Find(i);
        return at != elements_.end() ? *at : nullptr;
    }

    // Unlinks position i and hands its element back; null when i is outside 1..Count().
    T* RemoveAt(int32_t i) {
        std::lock_guard lock(mutex_);
        const auto at = Find(i);
        if (at == elements_.end()) {
            return nullptr;
        }
        T* element = *at;
        elements_.erase(at);
        return element;
    }

    // Unlinks every element that matches, in one pass, and hands them back in list order.
    template <typename Pred> std::vector<T*> RemoveIf(Pred remove) {
        std::vector<T*> removed;
        std::lock_guard lock(mutex_);
        for (auto at = elements_.begin(); at != elements_.end();) {
            if (remove(**at)) {
                removed.push_back(*at);
                at = elements_.erase(at);
            } else {
                ++at;
            }
        }
        return removed;
    }

    // Empties the list and hands every element back in list order.
    std::vector<T*> TakeAll() {
        std::lock_guard lock(mutex_);
        std::vector<T*> all(elements_.begin(), elements_.end());
        elements_.clear();
        return all;
    }

    // Drops every element pointer without touching the elements; false when already empty.
    bool Clear() {
        std::lock_guard lock(mutex_);
        const bool hadElements = !elements_.empty();
        elements_.clear();
        return hadElements;
    }

    // Visits every element in order under the lock; visit must not use this list.
    template <typename F> void ForEach(F visit) const {
        std::lock_guard lock(mutex_);
        for (T* element : elements_) {
            visit(*element);
        }
    }

    // The first element that matches, or null.
    template <typename Pred> T* FindFirst(Pred match) const {
        std::lock_guard lock(mutex_);
        for (T* element : elements_) {
            if (match(*element)) {
                return element;
            }
        }
        return nullptr;
    }

private:
    using Elements = std::list<T*>;

    // Walks from the nearer end; end() outside 1..size.
    typename Elements::const_iterator Find(int32_t i) const {
        const auto size = static_cast<int32_t>(elements_.size());
        if (i < 1 || i > size) {
            return elements_.end();
        }
        if (i <= size / 2) {
            return std::next(elements_.begin(), i - 1);
        }
        return std::prev(elements_.end(), size - i + 1);
    }

    mutable std::mutex mutex_;
    Elements elements_;
};

} // namespace quorvane
