#pragma once
// Buffer<T>: the owner of an array of n plain values, move-only. Its storage
// is left uninitialised (the sieve tables are written in full before they
// are read, and zeroing them would cost a pass); Zeroed(n) gives a cleared
// one. Frees itself: no table of the engine is freed by hand.
#include <cassert>
#include <cstddef>
#include <memory>
#include <type_traits>

template <typename T>
class Buffer {
  static_assert(std::is_trivially_destructible<T>::value, "Buffer holds plain values");

 public:
  Buffer() = default;
  explicit Buffer(std::size_t n) : data_(new T[n]), size_(n) {}  // uninitialised
  static Buffer Zeroed(std::size_t n) {
    Buffer b;
    b.data_.reset(new T[n]());
    b.size_ = n;
    return b;
  }

  T& operator[](std::size_t i) {
    assert(i < size_);
    return data_[i];
  }
  const T& operator[](std::size_t i) const {
    assert(i < size_);
    return data_[i];
  }
  T* data() { return data_.get(); }
  const T* data() const { return data_.get(); }
  std::size_t size() const { return size_; }
  bool empty() const { return data_ == nullptr; }
  void reset() {
    data_.reset();
    size_ = 0;
  }

 private:
  std::unique_ptr<T[]> data_;
  std::size_t size_ = 0;
};
