#pragma once

#include "modeldata/list_busy_flags.h"

#include <cstdint>
#include <memory>

namespace quorvane {

template <typename T> struct CIndexedListNode {
    std::unique_ptr<CIndexedListNode> next;
    CIndexedListNode* prev = nullptr;
    T* element = nullptr;
};

// A doubly linked list of element pointers addressed by 1-based position.
// It owns its nodes, never its elements. Lookups walk from a remembered cursor
// node that only removals move, so walking by position stays cheap for the
// short lists the editor keeps. Append, RemoveAt and Clear each take their own
// process-wide busy flag; GetAt takes none, so a caller that removes while
// another thread walks the same list must exclude that itself.
template <typename T> class CIndexedList {
public:
    using Node = CIndexedListNode<T>;

    CIndexedList() = default;
    ~CIndexedList() { DropAllNodes(); }
    CIndexedList(const CIndexedList&) = delete;
    CIndexedList& operator=(const CIndexedList&) = delete;

    int32_t Count() const { return count_; }
    int32_t CursorIndex() const { return cursorIndex_; }
    const Node* Cursor() const { return cursor_; }
    Node* Head() const { return head_.get(); }
    Node* Tail() const { return count_ > 0 ? tail_ : nullptr; }

    Node* Append(T* element) {
        CBusyFlagGuard guard(ListAppendFlag());
        auto node = std::make_unique<Node>();
        node->element = element;
        Node* raw = node.get();
        if (count_ > 0) {
            node->prev = tail_;
            tail_->next = std::move(node);
        } else {
            head_ = std::move(node);
            cursor_ = raw;
            cursorIndex_ = 1;
        }
        ++count_;
        tail_ = raw;
        return raw;
    }

    // The node at position i, or null outside 1..Count(). Does not move the cursor.
    Node* GetAt(int32_t i) const {
        if (i < 1 || i > count_) {
            return nullptr;
        }
        Node* node = cursor_;
        for (int32_t k = cursorIndex_; k > i; --k) {
            node = node->prev;
        }
        for (int32_t k = cursorIndex_; k < i; ++k) {
            node = node->next.get();
        }
        return node;
    }

    // The element at position i, or null.
    T* ElementAt(int32_t i) const {
        Node* node = GetAt(i);
        return node != nullptr ? node->element : nullptr;
    }

    bool SeekCursor(int32_t i) {
        if (i < 1 || i > count_) {
            return false;
        }
        if (cursor_ == nullptr || i == 1) {
            cursor_ = head_.get();
            cursorIndex_ = 1;
        }
        while (cursorIndex_ < i) {
            cursor_ = cursor_->next.get();
            ++cursorIndex_;
        }
        while (cursorIndex_ > i) {
            cursor_ = cursor_->prev;
            --cursorIndex_;
        }
        return true;
    }

    // Unlinks position i and hands its element back; null when i is outside 1..Count().
    // The cursor keeps its node, or takes the node that moves into its position,
    // or the new last node.
    T* RemoveAt(int32_t i) {
        CBusyFlagGuard guard(ListRemoveFlag());
        if (i < 1 || i > count_) {
            return nullptr;
        }
        int32_t keep = cursorIndex_;
        if (keep > i || keep == count_) {
            --keep;
        }
        SeekCursor(i);
        Node* n = cursor_;
        T* element = n->element;
        std::unique_ptr<Node> removed;
        if (n == head_.get()) {
            removed = std::move(head_);
            head_ = std::move(removed->next);
            cursor_ = head_.get();
            if (head_) {
                head_->prev = nullptr;
            }
        } else if (n == tail_) {
            tail_ = n->prev;
            removed = std::move(tail_->next);
            cursor_ = tail_;
            --cursorIndex_;
        } else {
            Node* before = n->prev;
            removed = std::move(before->next);
            removed->next->prev = before;
            before->next = std::move(removed->next);
            cursor_ = before;
            --cursorIndex_;
        }
        removed.reset();
        --count_;
        if (count_ == 0) {
            tail_ = nullptr;
            cursor_ = nullptr;
            cursorIndex_ = 0;
        } else {
            SeekCursor(keep);
            cursorIndex_ = keep;
        }
        return element;
    }

    // Drops every node without touching the elements; false when already empty.
    bool Clear() {
        CBusyFlagGuard guard(ListClearFlag());
        if (count_ < 1) {
            return false;
        }
        DropAllNodes();
        return true;
    }

private:
    void DropAllNodes() {
        // Unlink one node at a time: a recursive unique_ptr chain would
        // overflow the stack on long lists.
        while (head_) {
            head_ = std::move(head_->next);
        }
        tail_ = nullptr;
        cursor_ = nullptr;
        cursorIndex_ = 0;
        count_ = 0;
    }

    std::unique_ptr<Node> head_;
    Node* tail_ = nullptr;
    Node* cursor_ = nullptr;
    int32_t cursorIndex_ = 0;
    int32_t count_ = 0;
};

} // namespace quorvane
