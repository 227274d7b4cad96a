#pragma once
#include <cstddef>

// Owning holder of an array made with new[]; frees it on every path out of scope.
template <typename T>
class auto_array {
 public:
  explicit auto_array(std::size_t count) : p_(new T[count]) {}
  explicit auto_array(T* p = nullptr) : p_(p) {}
  ~auto_array() { delete[] p_; }
  auto_array(const auto_array&) = delete;
  auto_array& operator=(const auto_array&) = delete;

  T* get() const { return p_; }
  T& operator[](std::size_t i) const { return p_[i]; }
  void reset(T* p = nullptr) {
    delete[] p_;
    p_ = p;
  }
  T* release() {
    T* p = p_;
    p_ = nullptr;
    return p;
  }

 private:
  T* p_;
};
