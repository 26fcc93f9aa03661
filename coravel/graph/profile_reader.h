#pragma once
// Reads the fields of a job profile file's text, one after the other. Fields
// end at a comma or a line end (CR, LF or CR LF), so a record may span lines.
// Blanks (spaces, tabs) before a field are skipped; a field that begins with a
// double quote runs to the next double quote, which may lie on a later line,
// and whatever follows the closing quote up to the next separator is dropped;
// any other field loses its trailing blanks. Fields are views of the text:
// bytes of ISO 8859-1, never copied.
#include <cstddef>
#include <string_view>

namespace coravel {

class ProfileReader {
 public:
  explicit ProfileReader(std::string_view text, size_t from = 0) : text_(text), pos_(from) {}

  // Moves past blanks and empty lines to where the next record begins; false
  // when only those were left (trailing line ends make no record).
  bool startRecord();
  // The next field; an empty one once the text has ended.
  std::string_view readField();

  bool atEnd() const { return pos_ >= text_.size(); }
  size_t position() const { return pos_; }

 private:
  void skipBlanks();
  void skipSeparator();

  std::string_view text_;
  size_t pos_;
};

}  // namespace coravel
