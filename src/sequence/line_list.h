#pragma once

#include <cstddef>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

namespace kep::sequence {

// An ordered list of 8-bit text lines, indexed from 0. The lines are views
// into one text buffer that the list owns, so a list of L lines over B bytes
// costs B + 16 L bytes: no allocation per line. Line views are kept in blocks
// of fixed size so the list never copies them while it grows.
class LineList {
 public:
  LineList() = default;
  LineList(LineList&&) noexcept = default;
  LineList& operator=(LineList&&) noexcept = default;

  // Splits a text into lines: a line ends at CR, LF or CR LF; the first NUL
  // ends the text; text after the last line end is a last line when it is not
  // empty.
  static LineList Split(std::string_view text);

  // Reads an open file to its end and splits it the same way. Each piece of
  // piece_bytes is split right after it is read, while it is still in the
  // processor's cache. size_hint is the expected size; a file that grows or
  // shrinks meanwhile is read to where it ends. Raises std::system_error when
  // reading fails and std::bad_alloc when the file does not fit in memory.
  static constexpr std::size_t kReadPieceBytes = std::size_t{256} << 10;
  static LineList Read(int fd, std::size_t size_hint, std::size_t piece_bytes = kReadPieceBytes);

  std::size_t Count() const { return count_; }
  bool Empty() const { return count_ == 0; }

  // Line i; raises "List index out of bounds (i)" when there is no such line.
  std::string_view At(std::size_t i) const;
  // Line i without the bounds check, for loops over 0 .. Count() - 1.
  std::string_view operator[](std::size_t i) const {
    return blocks_[i >> kBlockShift][i & kBlockMask];
  }

  // Replaces line i by text (bounds-checked like At).
  void Replace(std::size_t i, std::string text);
  // Keeps the lines at even positions 0, 2, 4 ... in their order.
  void KeepEvenLines();

 private:
  static constexpr std::size_t kBlockShift = 16;
  static constexpr std::size_t kBlockSize = std::size_t{1} << kBlockShift;
  static constexpr std::size_t kBlockMask = kBlockSize - 1;
  using Block = std::unique_ptr<std::string_view[]>;

  class Splitter;

  void Append(std::string_view line);
  std::string_view& Slot(std::size_t i) { return blocks_[i >> kBlockShift][i & kBlockMask]; }
  void CheckIndex(std::size_t i) const;

  std::unique_ptr<char[]> buffer_;
  std::vector<Block> blocks_;
  std::size_t count_ = 0;
  std::vector<std::unique_ptr<std::string>> replaced_;  // texts put in by Replace
};

}  // namespace kep::sequence
