#pragma once
// A fast keyed hash for tables of a list's texts. A printout looks up every
// cell it reads (to measure each distinct text once, to shape it once), and
// Qt's own seeded string hash costs about ten times as much as the lookup
// around it on short cells. This is SipHash-1-3 under a key drawn at random
// for each process, so a list cannot be made of texts that all collide.
#include <QString>
#include <cstddef>

namespace core {

// Not noexcept on purpose: the standard library's hash tables then keep each
// key's hash beside it and compare those first, instead of hashing the keys
// of a bucket again on every lookup.
struct TextHash {
  size_t operator()(const QString& text) const;
};

}  // namespace core
