#pragma once

#include "modeldata/indexed_list.h"

#include <atomic>
#include <cstdint>
#include <memory>
#include <vector>

namespace quorvane {

// A CIndexedList that owns its elements: what goes in comes as a unique_ptr,
// what RemoveAt hands back is a unique_ptr again, and whatever is left when the
// list goes away is destroyed with it. Positions and locking are the indexed
// list's own; an element pointer stays valid only while nobody removes it.
template <typename T> class COwnedList {
public:
    COwnedList() = default;
    ~COwnedList() { DestroyAll(); }
    COwnedList(const COwnedList&) = delete;
    COwnedList& operator=(const COwnedList&) = delete;

    int32_t Count() const { return list_.Count(); }
    T* At(int32_t position) const { return list_.ElementAt(position); }

    T* Append(std::unique_ptr<T> element) {
        list_.Append(element.get()); // may throw; the element is still ours then
        Changed();
        return element.release();
    }

    std::unique_ptr<T> RemoveAt(int32_t position) {
        std::unique_ptr<T> removed(list_.RemoveAt(position));
        Changed();
        return removed;
    }

    // Takes every element that matches out of the list, in list order.
    template <typename Pred> std::vector<std::unique_ptr<T>> ExtractIf(Pred extract) {
        std::vector<std::unique_ptr<T>> removed = Adopt(list_.RemoveIf(extract));
        Changed();
        return removed;
    }

    // Takes every element out of the list, in list order.
    std::vector<std::unique_ptr<T>> ExtractAll() {
        std::vector<std::unique_ptr<T>> removed = Adopt(list_.TakeAll());
        Changed();
        return removed;
    }

    // Grows with every change of the list's membership, after the change:
    // a reader that reads it before looking at the list and finds it as it
    // was knows that nobody came or went since.
    uint64_t Version() const { return version_.load(std::memory_order_acquire); }

    void DestroyAll() { ExtractAll(); }

    // Visits every element under the list's lock; visit must not use this list.
    template <typename F> void ForEach(F visit) const { list_.ForEach(visit); }

    template <typename Pred> T* FindFirst(Pred match) const { return list_.FindFirst(match); }

private:
    static std::vector<std::unique_ptr<T>> Adopt(const std::vector<T*>& elements) {
        std::vector<std::unique_ptr<T>> owned;
        owned.reserve(elements.size());
        for (T* element : elements) {
            owned.emplace_back(element);
        }
        return owned;
    }

    void Changed() { version_.fetch_add(1, std::memory_order_release); }

    CIndexedList<T> list_;
    std::atomic<uint64_t> version_{0};
};

} // namespace quorvane
