#pragma once

#include "modeldata/indexed_list.h"

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
        return element.release();
    }

    std::unique_ptr<T> RemoveAt(int32_t position) { return std::unique_ptr<T>(list_.RemoveAt(position)); }

    // Takes every element that matches out of the list, in list order.
    template <typename Pred> std::vector<std::unique_ptr<T>> ExtractIf(Pred extract) {
        return Adopt(list_.RemoveIf(extract));
    }

    // Takes every element out of the list, in list order.
    std::vector<std::unique_ptr<T>> ExtractAll() { return Adopt(list_.TakeAll()); }

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

    CIndexedList<T> list_;
};

} // namespace quorvane
