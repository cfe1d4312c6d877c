#pragma once

#include "modeldata/indexed_list.h"

#include <cstdint>
#include <memory>

namespace quorvane {

// A CIndexedList that owns its elements: what goes in comes as a unique_ptr,
// what RemoveAt hands back is a unique_ptr again, and whatever is left when the
// list goes away is destroyed with it. The positions and busy flags are the
// indexed list's own.
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

    // Removes and destroys every element that matches; returns how many went.
    template <typename Pred> int32_t RemoveIf(Pred remove) {
        int32_t removed = 0;
        for (int32_t i = Count(); i >= 1; --i) {
            if (remove(*At(i))) {
                RemoveAt(i);
                ++removed;
            }
        }
        return removed;
    }

    void DestroyAll() {
        while (Count() > 0) {
            RemoveAt(Count());
        }
    }

    // Walks the nodes directly: stepping by position would restart from the cursor each time.
    template <typename F> void ForEach(F visit) const {
        for (auto* node = list_.Head(); node != nullptr; node = node->next.get()) {
            visit(*node->element);
        }
    }

    template <typename Pred> T* FindFirst(Pred match) const {
        for (auto* node = list_.Head(); node != nullptr; node = node->next.get()) {
            if (match(*node->element)) {
                return node->element;
            }
        }
        return nullptr;
    }

    // The plain list, for views that only read it.
    const CIndexedList<T>& List() const { return list_; }

private:
    CIndexedList<T> list_;
};

} // namespace quorvane
