#pragma once
// Where each record of one profile text begins, in order. A hostile file
// holds a record every 13 bytes, so a start takes 4 bytes in texts under
// 4 GiB (8 past that), and the starts grow in fixed blocks: never copied
// into a vector twice as large, as a growing vector would be.
#include <cstddef>
#include <cstdint>
#include <memory>
#include <vector>

namespace coravel {

class RecordStarts {
 public:
  // `textSize`: the bytes of the text the starts point into.
  explicit RecordStarts(int64_t textSize = 0) : wide_(textSize > int64_t(UINT32_MAX)) {}

  void push_back(int64_t start);
  int64_t operator[](size_t index) const;
  size_t size() const { return size_; }
  bool empty() const { return size_ == 0; }
  // Keeps the first `count` starts (fewer only).
  void truncate(size_t count);

 private:
  static constexpr size_t kBlockShift = 16;
  static constexpr size_t kBlockSize = size_t{1} << kBlockShift;

  bool wide_;
  size_t size_ = 0;
  std::vector<std::unique_ptr<uint32_t[]>> narrow_;
  std::vector<std::unique_ptr<int64_t[]>> wideBlocks_;
};

}  // namespace coravel
