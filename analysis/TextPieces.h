// A long export handed over in pieces, so that a whole year of samples need not be held as one
// text: each piece goes to the file or the stream, in order, as soon as it is made.
#pragma once

#include <cstddef>
#include <functional>
#include <string>
#include <string_view>

namespace analysis {

using TextPieces = std::function<void(std::string_view piece)>;

// Hands `text` to `write` and empties it once it holds a piece's worth (or always, `last`).
inline void HandOver(std::string& text, const TextPieces& write, bool last = false) {
  constexpr std::size_t kPieceBytes = std::size_t{1} << 20;
  if (!last && text.size() < kPieceBytes) return;
  write(text);
  text.clear();
}

// The whole text that `make` hands over in pieces; `expected` bytes are reserved.
template <typename Make>
std::string WholeText(std::size_t expected, Make make) {
  std::string whole;
  whole.reserve(expected);
  make([&whole](std::string_view piece) { whole.append(piece); });
  return whole;
}

}  // namespace analysis
