#pragma once

#include <cstdint>
#include <cstring>
#include <memory>
#include <span>
#include <type_traits>
#include <utility>

namespace quorvane {

// A contiguous array of plain elements whose unused slots read as zero.
// It starts with 100 slots and doubles whenever a push would leave no spare
// slot, so At(Count()) always addresses a zero element.
template <typename T> class CDynamicArray {
    static_assert(std::is_trivially_copyable_v<T>, "elements are copied and zero-filled as bytes");

public:
    static constexpr uint64_t kInitialCapacity = 100;

    CDynamicArray() : data_(std::make_unique<T[]>(kInitialCapacity)), capacity_(kInitialCapacity) {}
    CDynamicArray(CDynamicArray&& other) noexcept { *this = std::move(other); }
    CDynamicArray& operator=(CDynamicArray&& other) noexcept {
        data_ = std::move(other.data_);
        capacity_ = std::exchange(other.capacity_, 0);
        count_ = std::exchange(other.count_, 0);
        return *this;
    }
    CDynamicArray(const CDynamicArray&) = delete;
    CDynamicArray& operator=(const CDynamicArray&) = delete;

    // Appends a copy of *source, or a zero element when source is null.
    bool Push(const T* source) {
        if (static_cast<uint64_t>(count_) + 1 >= capacity_) {
            Grow();
        }
        if (source != nullptr) {
            std::memcpy(static_cast<void*>(&data_[count_]), source, sizeof(T));
        }
        ++count_;
        return true;
    }
    bool Push(const T& value) { return Push(&value); }

    // Address of element i, or null when the array is empty, i < 0 or i > Count().
    // At(Count()) is the spare zero slot.
    T* At(int64_t i) { return (count_ < 1 || i < 0 || i > count_) ? nullptr : &data_[i]; }
    const T* At(int64_t i) const { return (count_ < 1 || i < 0 || i > count_) ? nullptr : &data_[i]; }

    int64_t Count() const { return count_; }
    uint64_t Capacity() const { return capacity_; }
    T* Data() { return data_.get(); }
    const T* Data() const { return data_.get(); }
    std::span<T> Items() { return {data_.get(), static_cast<size_t>(count_)}; }
    std::span<const T> Items() const { return {data_.get(), static_cast<size_t>(count_)}; }

    // Makes room for n more elements in one step (readers that know a count up front).
    void Reserve(uint64_t n) {
        while (capacity_ < n + 1) {
            Grow();
        }
    }

private:
    void Grow() {
        const uint64_t newCapacity = capacity_ == 0 ? kInitialCapacity : capacity_ * 2;
        auto grown = std::make_unique<T[]>(newCapacity); // value-initialised: zero
        if (capacity_ > 0) {
            std::memcpy(static_cast<void*>(grown.get()), data_.get(), capacity_ * sizeof(T));
        }
        data_ = std::move(grown);
        capacity_ = newCapacity;
    }

    std::unique_ptr<T[]> data_;
    uint64_t capacity_ = 0;
    int64_t count_ = 0;
};

} // namespace quorvane
