#pragma once

#include <cstddef>
#include <memory>
#include <span>

namespace zerak {

// Working storage of a fixed length, allocated once at construction (an
// impossible length throws std::bad_alloc there) and left uninitialised, so
// untouched pages cost nothing. Its contents never outlive one computation:
// a copy allocates storage of its own and copies none of them.
template <class T>
class ScratchArray {
 public:
  explicit ScratchArray(std::size_t size)
      : size_(size), data_(size == 0 ? nullptr : std::make_unique_for_overwrite<T[]>(size)) {}
  ScratchArray(const ScratchArray& other) : ScratchArray(other.size_) {}
  ScratchArray& operator=(const ScratchArray&) = delete;
  ScratchArray(ScratchArray&&) noexcept = default;
  ScratchArray& operator=(ScratchArray&&) noexcept = default;

  [[nodiscard]] std::size_t size() const noexcept { return size_; }
  [[nodiscard]] T* data() noexcept { return data_.get(); }
  [[nodiscard]] std::span<T> first(std::size_t n) noexcept { return {data_.get(), n}; }

 private:
  std::size_t size_;
  std::unique_ptr<T[]> data_;
};

}  // namespace zerak
