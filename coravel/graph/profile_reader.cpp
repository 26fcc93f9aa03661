#include "coravel/graph/profile_reader.h"

namespace coravel {
namespace {

bool isBlank(char c) { return c == ' ' || c == '\t'; }
bool isSeparator(char c) { return c == ',' || c == '\n' || c == '\r'; }

}  // namespace

bool ProfileReader::startRecord() {
  while (pos_ < text_.size() && (isBlank(text_[pos_]) || text_[pos_] == '\n' || text_[pos_] == '\r')) ++pos_;
  return pos_ < text_.size();
}

std::string_view ProfileReader::readField() {
  skipBlanks();
  if (atEnd()) return {};
  const size_t end = text_.size();
  std::string_view field;
  if (text_[pos_] == '"') {
    const size_t first = pos_ + 1;
    size_t close = text_.find('"', first);
    if (close == std::string_view::npos) close = end;
    field = text_.substr(first, close - first);
    pos_ = close < end ? close + 1 : end;
    while (pos_ < end && !isSeparator(text_[pos_])) ++pos_;
  } else {
    const size_t first = pos_;
    while (pos_ < end && !isSeparator(text_[pos_])) ++pos_;
    size_t last = pos_;
    while (last > first && isBlank(text_[last - 1])) --last;
    field = text_.substr(first, last - first);
  }
  skipSeparator();
  return field;
}

void ProfileReader::skipBlanks() {
  while (pos_ < text_.size() && isBlank(text_[pos_])) ++pos_;
}

// One comma, or one line end (CR LF counts as one).
void ProfileReader::skipSeparator() {
  if (atEnd()) return;
  const char c = text_[pos_++];
  if (c == '\r' && pos_ < text_.size() && text_[pos_] == '\n') ++pos_;
}

}  // namespace coravel
