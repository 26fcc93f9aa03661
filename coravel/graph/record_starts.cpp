#include "coravel/graph/record_starts.h"

namespace coravel {

void RecordStarts::push_back(int64_t start) {
  const size_t block = size_ >> kBlockShift, slot = size_ & (kBlockSize - 1);
  if (wide_) {
    if (slot == 0) wideBlocks_.push_back(std::make_unique_for_overwrite<int64_t[]>(kBlockSize));
    wideBlocks_[block][slot] = start;
  } else {
    if (slot == 0) narrow_.push_back(std::make_unique_for_overwrite<uint32_t[]>(kBlockSize));
    narrow_[block][slot] = uint32_t(start);
  }
  ++size_;
}

int64_t RecordStarts::operator[](size_t index) const {
  const size_t block = index >> kBlockShift, slot = index & (kBlockSize - 1);
  return wide_ ? wideBlocks_[block][slot] : int64_t(narrow_[block][slot]);
}

void RecordStarts::truncate(size_t count) {
  if (count >= size_) return;
  size_ = count;
  const size_t blocks = (count + kBlockSize - 1) >> kBlockShift;
  if (wide_) wideBlocks_.resize(blocks);
  else narrow_.resize(blocks);
}

}  // namespace coravel
