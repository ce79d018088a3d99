// The text of a record being built: characters added at its end into storage that is kept from
// record to record, so that building a record allocates nothing once the storage has grown, and
// a field reserves its columns with one check and fills them itself.
#pragma once

#include <algorithm>
#include <cstddef>
#include <cstring>
#include <memory>
#include <string_view>

namespace records {

class RecordText {
 public:
  std::size_t size() const { return size_; }
  std::string_view view() const { return {data_.get(), size_}; }
  void clear() { size_ = 0; }
  void truncate(std::size_t n) { size_ = std::min(n, size_); }
  // Drops the first n characters; the rest moves to the front.
  void drop_front(std::size_t n) {
    if (n >= size_) {
      size_ = 0;
    } else if (n > 0) {
      std::memmove(data_.get(), data_.get() + n, size_ - n);
      size_ -= n;
    }
  }

  // The room after the end that extend leaves writable, so that a short field may be copied
  // with one fixed-size copy; what lies there is not part of the text.
  static constexpr std::size_t slack = 32;

  // n more characters at the end, for the caller to fill; slack more may be written.
  char* extend(std::size_t n) {
    if (capacity_ - size_ < n + slack) grow(size_ + n + slack);
    char* at = data_.get() + size_;
    size_ += n;
    return at;
  }
  void append(std::string_view text) {
    if (!text.empty()) text.copy(extend(text.size()), text.size());
  }
  void append(std::size_t n, char c) {
    if (n > 0) std::memset(extend(n), c, n);
  }
  std::size_t capacity() const { return capacity_; }
  void reserve(std::size_t n) {
    if (n > capacity_) grow(n);
  }

 private:
  void grow(std::size_t needed) {
    const std::size_t capacity = std::max({needed, 2 * capacity_, std::size_t{256}});
    auto data = std::make_unique_for_overwrite<char[]>(capacity);
    if (size_ > 0) std::memcpy(data.get(), data_.get(), size_);
    data_ = std::move(data);
    capacity_ = capacity;
  }

  std::unique_ptr<char[]> data_;
  std::size_t size_ = 0;
  std::size_t capacity_ = 0;
};

}  // namespace records
