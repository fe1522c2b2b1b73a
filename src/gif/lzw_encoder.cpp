#include "gif/lzw_encoder.h"

#include <algorithm>
#include <bit>
#include <cstring>
#include <string>

#include "gif/gif_exception.h"
#include "gif/messages.h"

namespace kep::gif {

namespace {

constexpr std::uint32_t kHashSize = 8009;
constexpr std::uint32_t kEmptySlot = 0xFFFFFFFF;
constexpr std::uint32_t kOccupiedBelow = 0xFFFFF000;  // a slot below this holds an entry
constexpr int kLastCode = 4095;                       // codes stay below it; reaching it forces a clear
constexpr int kMaxCodeWidth = 12;
constexpr std::size_t kCodeCount = 4096;
// 2 has order 4004 modulo 8009, so the doubling probe path returns to its start after
// 4004 steps having seen only half the slots. Past that the path goes on one slot at
// a time, so a lookup and an insert always meet the same slots and always end.
constexpr int kProbeCycle = 4004;

constexpr std::uint32_t FirstProbe(std::uint32_t key) { return (key ^ (key >> 4)) % kHashSize; }

// The first probe without a division on the path from one pixel to the next.
// With key = (prefix << 8) | c, key ^ (key >> 4) is (prefix << 8) ^ (prefix << 4)
// with its low byte xor-ed with c ^ (c >> 4). So FirstProbe(key) is
// (PrefixHigh(prefix) + (((prefix & 15) << 4) ^ c ^ (c >> 4))) mod 8009, where
// PrefixHigh is the value's upper bits mod 8009 and the sum stays below 2 * 8009.
constexpr std::uint32_t PrefixHigh(std::uint32_t prefix) {
  return (((prefix << 8) ^ (prefix << 4)) & ~0xFFu) % kHashSize;
}

constexpr std::uint32_t FirstProbe(std::uint32_t prefix_high, std::uint32_t prefix, std::uint32_t c) {
  const std::uint32_t sum = prefix_high + (((prefix & 15) << 4) ^ c ^ (c >> 4));
  return sum >= kHashSize ? sum - kHashSize : sum;
}

static_assert([] {
  for (std::uint32_t prefix = 0; prefix < 4096;
       prefix += 31) {  // within clang's constant-evaluation step limit
    for (std::uint32_t c = 0; c < 256; ++c) {
      if (FirstProbe(PrefixHigh(prefix), prefix, c) != FirstProbe((prefix << 8) | c)) return false;
    }
  }
  return true;
}());

struct PrefixHighs {
  std::uint16_t value[4096];
};
constexpr PrefixHighs MakePrefixHighs() {
  PrefixHighs highs{};
  for (std::uint32_t prefix = 0; prefix < 4096; ++prefix) {
    highs.value[prefix] = static_cast<std::uint16_t>(PrefixHigh(prefix));
  }
  return highs;
}
constexpr PrefixHighs kPrefixHigh = MakePrefixHighs();

// The next slot after h on the probe path: h - (8009 - h), or h - 1 when h is 0,
// plus 8009 when negative; after a whole cycle, the next slot.
inline std::uint32_t NextProbe(std::uint32_t h, int probes) {
  if (probes > kProbeCycle) return h + 1 == kHashSize ? 0 : h + 1;
  const int next = h == 0 ? -1 : static_cast<int>(2 * h) - static_cast<int>(kHashSize);
  return static_cast<std::uint32_t>(next < 0 ? next + static_cast<int>(kHashSize) : next);
}

inline void Store32(std::uint8_t* out, std::uint32_t value) {
  if constexpr (std::endian::native == std::endian::little) {
    std::memcpy(out, &value, 4);
  } else {
    out[0] = static_cast<std::uint8_t>(value);
    out[1] = static_cast<std::uint8_t>(value >> 8);
    out[2] = static_cast<std::uint8_t>(value >> 16);
    out[3] = static_cast<std::uint8_t>(value >> 24);
  }
}

constexpr std::size_t kPackBytes = 16384;  // packed codes collected before they go to the writer

// Everything the compression loop carries; the loop works on local copies.
struct CodeState {
  const int clear_code;
  const int end_code;
  const int initial_width;
  int width;
  std::uint32_t max_code;
  int next_free;
  std::uint64_t bucket = 0;  // codes go in above the bits already there, out from the bottom
  int bits = 0;
  std::uint8_t* out;
  std::uint8_t* const buffer;
  std::uint32_t prefix = 0;

  // Moves the whole bytes of the bucket to out.
  void FlushWholeBytes() {
    while (bits >= 8) {
      *out++ = static_cast<std::uint8_t>(bucket);
      bucket >>= 8;
      bits -= 8;
    }
  }
};

constexpr std::uint32_t MaxCodeFor(int width) { return width >= kMaxCodeWidth ? 4096u : (1u << width) - 1; }

constexpr std::uint32_t kNotFound = 0xFFFFFFFF;

// The code of the string prefix + c, or kNotFound with slot set to the empty
// slot where that string goes.
inline std::uint32_t FindString(const std::uint32_t* table, std::uint32_t prefix, std::uint32_t c,
                                std::uint32_t& slot) {
  const std::uint32_t key = (prefix << 8) | c;
  std::uint32_t h = FirstProbe(kPrefixHigh.value[prefix], prefix, c);
  std::uint32_t entry = table[h];
  for (int probes = 1; (entry >> 12) != key && entry < kOccupiedBelow; ++probes) {
    h = NextProbe(h, probes);
    entry = table[h];
  }
  slot = h;
  return (entry >> 12) == key ? entry & 0xFFF : kNotFound;
}

// Calls row(y) for the rows in walk order, the four interlace passes or top to
// bottom, until row returns false. Returns whether every row was walked.
template <typename Row>
inline bool WalkRows(int height, bool interlace, Row&& row) {
  static constexpr int kPasses[4][2] = {{0, 8}, {4, 8}, {2, 4}, {1, 2}};
  const int pass_count = interlace ? 4 : 1;
  for (int pass = 0; pass < pass_count; ++pass) {
    const int start = interlace ? kPasses[pass][0] : 0;
    const int step = interlace ? kPasses[pass][1] : 1;
    for (int y = start; y < height; y += step) {
      if (!row(y)) return false;
    }
  }
  return true;
}

// Compresses the pixels of the rows in walk order; the first row is row 0 in
// either order, and its first pixel starts the first string. Returns false,
// with the state saved, at the first pixel not below color_count.
template <bool kCheckColors>
bool CompressRows(CodeState& state, std::uint32_t* table, std::uint32_t* last_child, GIFWriter& writer,
                  const std::uint8_t* raster, int width, int height, bool interlace, unsigned color_count) {
  if (kCheckColors && raster[0] >= color_count) return false;
  // The loop works on local copies, which the compiler keeps in registers.
  std::uint64_t bucket = state.bucket;
  int bits = state.bits;
  int code_width = state.width;
  std::uint32_t max_code = state.max_code;
  int next_free = state.next_free;
  std::uint8_t* out = state.out;
  std::uint8_t* const buffer = state.buffer;
  std::uint8_t* const limit = buffer + kPackBytes;
  std::uint32_t prefix = raster[0];

  const auto put = [&](std::uint32_t code) {
    bucket |= static_cast<std::uint64_t>(code) << bits;
    bits += code_width;
    if (bits >= 32) {
      Store32(out, static_cast<std::uint32_t>(bucket));
      out += 4;
      bucket >>= 32;
      bits -= 32;
      if (out >= limit) {
        writer.Write(buffer, static_cast<std::size_t>(out - buffer));
        out = buffer;
      }
    }
  };
  // Emits the string that prefix + c does not continue, and starts the next
  // one with c. The new string takes the next free code and the empty slot;
  // when the codes run out, a clear code starts a fresh table instead. The
  // width follows the next free code at the moment of emitting.
  const auto end_string = [&](std::uint32_t c, std::uint32_t slot) {
    put(prefix);
    if (static_cast<std::uint32_t>(next_free) > max_code) max_code = MaxCodeFor(++code_width);
    if (next_free < kLastCode) {
      table[slot] = (((prefix << 8) | c) << 12) | static_cast<std::uint32_t>(next_free);
      last_child[prefix] = (c << 12) | static_cast<std::uint32_t>(next_free);
      ++next_free;
    } else {
      put(static_cast<std::uint32_t>(state.clear_code));  // written at the old width
      code_width = state.initial_width;
      max_code = MaxCodeFor(code_width);
      std::fill_n(table, kHashSize, kEmptySlot);
      std::fill_n(last_child, kCodeCount, kEmptySlot);
      next_free = state.clear_code + 2;
    }
    prefix = c;
  };
  const auto compress_row = [&](int y) {
    const std::uint8_t* const row = raster + static_cast<std::size_t>(y) * static_cast<std::size_t>(width);
    for (const std::uint8_t* p = y == 0 ? row + 1 : row; p < row + width; ++p) {
      const std::uint32_t c = *p;
      if (kCheckColors && c >= color_count) return false;
      // The string continued with this pixel last time: no table lookup needed.
      const std::uint32_t cached = last_child[prefix];
      if ((cached >> 12) == c) {
        prefix = cached & 0xFFF;
        continue;
      }
      std::uint32_t slot;
      const std::uint32_t code = FindString(table, prefix, c, slot);
      if (code == kNotFound) {
        end_string(c, slot);
      } else {
        last_child[prefix] = (c << 12) | code;
        prefix = code;
      }
    }
    return true;
  };

  const bool complete = WalkRows(height, interlace, compress_row);
  state.bucket = bucket;
  state.bits = bits;
  state.width = code_width;
  state.max_code = max_code;
  state.next_free = next_free;
  state.out = out;
  state.prefix = prefix;
  return complete;
}

}  // namespace

void GIFWriter::Write(const std::uint8_t* data, std::size_t size) {
  while (size > 0) {
    const std::size_t n = std::min<std::size_t>(256 - fill_, size);
    std::memcpy(batch_.data() + block_ + fill_, data, n);
    fill_ += n;
    data += n;
    size -= n;
    if (fill_ == 256) {
      batch_[block_] = 255;
      block_ += 256;
      fill_ = 1;
      if (block_ == batch_.size()) {
        block_ = 0;
        stream_.Write(batch_.data(), batch_.size());
      }
    }
  }
}

void GIFWriter::Close() {
  if (fill_ > 1) {
    batch_[block_] = static_cast<std::uint8_t>(fill_ - 1);
    block_ += fill_;
    fill_ = 1;
  }
  if (block_ > 0) {
    const std::size_t size = block_;
    block_ = 0;
    stream_.Write(batch_.data(), size);
  }
}

LZWEncoder::LZWEncoder()
    : table_(std::make_unique<std::uint32_t[]>(kHashSize)),
      last_child_(std::make_unique<std::uint32_t[]>(kCodeCount)) {}

LZWEncoder::~LZWEncoder() = default;

void LZWEncoder::Encode(OutputStream& stream, int bits_per_pixel, int width, int height, bool interlace,
                        const std::uint8_t* raster, int color_count) {
  const int bits = std::clamp(bits_per_pixel, 2, 8);
  stream.WriteByte(static_cast<std::uint8_t>(bits));

  alignas(8) std::uint8_t buffer[kPackBytes + 8];
  const int clear_code = 1 << bits;
  CodeState state{clear_code, clear_code + 1, bits + 1, bits + 1, MaxCodeFor(bits + 1), clear_code + 2, 0,
                  0,          buffer,         buffer,   0};
  GIFWriter writer(stream);

  // Emits a code outside the compression loop (the first clear and the end code).
  auto put = [&](int code) {
    state.bucket |= static_cast<std::uint64_t>(code) << state.bits;
    state.bits += state.width;
    state.FlushWholeBytes();
  };
  auto hand_over = [&] {
    writer.Write(buffer, static_cast<std::size_t>(state.out - buffer));
    state.out = buffer;
  };

  if (raster != nullptr && width > 0 && height > 0) {
    put(clear_code);
    std::fill_n(table_.get(), kHashSize, kEmptySlot);
    std::fill_n(last_child_.get(), kCodeCount, kEmptySlot);
    const bool ok = color_count >= 256 ? CompressRows<false>(state, table_.get(), last_child_.get(), writer,
                                                             raster, width, height, interlace, 256)
                                       : CompressRows<true>(state, table_.get(), last_child_.get(), writer,
                                                            raster, width, height, interlace,
                                                            static_cast<unsigned>(std::max(color_count, 0)));
    if (!ok) {
      // Whole bytes already formed go out with the last partial block; no terminator.
      state.FlushWholeBytes();
      try {
        hand_over();
        writer.Close();
      } catch (...) {
        // The colour outside the table is the fault to report: a stream that
        // also fails while taking the partial data adds nothing the caller
        // could act on, and its error would hide the first one.
      }
      throw GIFException(std::string(messages::kColorNotInTable));
    }
    put(static_cast<int>(state.prefix));
    if (static_cast<std::uint32_t>(state.next_free) > state.max_code)
      state.max_code = MaxCodeFor(++state.width);
  }
  put(state.end_code);
  if (state.bits > 0) {
    *state.out++ = static_cast<std::uint8_t>(state.bucket);
    state.bits = 0;
  }
  hand_over();
  writer.Close();
  stream.WriteByte(0);
}

}  // namespace kep::gif
