// The GIF variant of LZW: variable-length codes, least significant bit first,
// in data sub-blocks; clear and end codes; codes grow to 12 bits.
#include "GifReader.h"

#include <algorithm>
#include <array>
#include <vector>

namespace qcm::pictures::gif {

namespace {

constexpr int kTableSize = 4096;
constexpr int kMaxMinCodeSize = 11; // 12 would put the clear code past the table

struct Segment {
    const std::uint8_t* begin;
    const std::uint8_t* end;
};

// Walks the data sub-blocks up to the zero-length one without copying them.
// A sub-block that the stream cuts short gives what remains, with a warning.
std::vector<Segment> SubBlocks(ByteReader& reader, const TGIFWarningHandler& warn) {
    std::vector<Segment> segments;
    for (;;) {
        const int length = reader.Next();
        if (length <= 0) {
            if (length < 0 && warn) {
                warn(TGIFSeverity::Warning, PrematureEnd());
            }
            break;
        }
        const std::uint8_t* begin = reader.Bytes() + reader.Pos();
        const std::size_t got = std::min<std::size_t>(length, reader.Remaining());
        reader.Skip(got);
        segments.push_back({begin, begin + got});
        if (got < static_cast<std::size_t>(length)) {
            if (warn) {
                warn(TGIFSeverity::Warning, PrematureEnd());
            }
            break;
        }
    }
    return segments;
}

// Codes least significant bit first, across sub-block boundaries.
class BitReader {
public:
    explicit BitReader(const std::vector<Segment>& segments) : segments_(segments) {
        if (!segments_.empty()) {
            p_ = segments_[0].begin;
            end_ = segments_[0].end;
        }
    }
    // False when fewer than size bits remain.
    bool Read(int size, int& code) {
        if (bits_ < size) {
            Refill();
            if (bits_ < size) {
                return false;
            }
        }
        code = static_cast<int>(acc_ & ((std::uint64_t{1} << size) - 1));
        acc_ >>= size;
        bits_ -= size;
        return true;
    }

private:
    void Refill() {
        while (bits_ <= 56) {
            if (p_ == end_) {
                if (++segment_ >= segments_.size()) {
                    return;
                }
                p_ = segments_[segment_].begin;
                end_ = segments_[segment_].end;
                continue;
            }
            if (end_ - p_ >= 8) {
                // Whole bytes that fit beside the bits still held.
                std::uint64_t word = 0;
                std::memcpy(&word, p_, sizeof word);
                const int take = (63 - bits_) >> 3;
                word &= (std::uint64_t{1} << (take * 8)) - 1;
                acc_ |= word << bits_;
                p_ += take;
                bits_ += take * 8;
                return;
            }
            acc_ |= std::uint64_t{*p_++} << bits_;
            bits_ += 8;
        }
    }

    const std::vector<Segment>& segments_;
    std::size_t segment_ = 0;
    const std::uint8_t* p_ = nullptr;
    const std::uint8_t* end_ = nullptr;
    std::uint64_t acc_ = 0;
    int bits_ = 0;
};

// Row order of an interlaced frame: every 8th row from 0, every 8th from 4,
// every 4th from 2, every 2nd from 1.
class InterlacedRows {
public:
    InterlacedRows(std::uint8_t* out, int width, int height)
        : out_(out), width_(static_cast<std::size_t>(width)), height_(height) {
        NextPass();
    }
    // Where the next pixel goes and how many fit in its row.
    std::uint8_t* Cursor() { return out_ + static_cast<std::size_t>(row_) * width_ + column_; }
    std::size_t Room() const { return row_ < height_ ? width_ - column_ : 0; }
    void Put(const std::uint8_t* s, std::size_t n) {
        while (n > 0 && row_ < height_) {
            const std::size_t k = std::min(n, width_ - column_);
            std::memcpy(out_ + static_cast<std::size_t>(row_) * width_ + column_, s, k);
            s += k;
            n -= k;
            column_ += k;
            if (column_ == width_) {
                column_ = 0;
                row_ += kStep[pass_];
                if (row_ >= height_) {
                    ++pass_;
                    NextPass();
                }
            }
        }
    }

    // After writing n (< Room()) pixels at Cursor().
    void Skip(std::size_t n) { column_ += n; }

private:
    void NextPass() {
        // A pass whose first row lies beyond the frame is skipped.
        while (pass_ < 4 && kStart[pass_] >= height_) {
            ++pass_;
        }
        row_ = pass_ < 4 ? kStart[pass_] : height_;
    }
    static constexpr int kStart[4] = {0, 4, 2, 1};
    static constexpr int kStep[4] = {8, 8, 4, 2};
    std::uint8_t* out_;
    std::size_t width_;
    int height_;
    int pass_ = 0;
    int row_ = 0;
    std::size_t column_ = 0;
};

class Decoder {
public:
    Decoder(int minCodeSize, BitReader& bits)
        : clear_(1 << minCodeSize), end_(clear_ + 1), minCodeSize_(minCodeSize), bits_(bits) {
        Reset();
    }

    // Decodes count pixels into out, in stream order, or through rows when
    // it is set; returns how many were written.
    std::size_t Run(std::uint8_t* out, std::size_t count, InterlacedRows* rows) {
        std::size_t pos = 0;
        int prev = -1; // -1: just after a clear code
        std::array<std::uint8_t, kTableSize + 2> scratch{};
        while (pos < count) {
            int code = 0;
            if (!bits_.Read(codeSize_, code)) {
                underRun_ = true;
                break;
            }
            if (code == clear_) {
                Reset();
                prev = -1;
                continue;
            }
            if (code == end_) {
                break;
            }
            if (prev < 0) {
                // The first code after a clear is a literal.
                const auto literal = static_cast<std::uint8_t>(code);
                if (rows != nullptr) {
                    rows->Put(&literal, 1);
                } else {
                    out[pos] = literal;
                }
                ++pos;
                prev = code;
                continue;
            }
            // A code not in the table yet: the previous string and its
            // first byte.
            const bool unknown = code >= nextFree_;
            const int string = unknown ? prev : code;
            const std::uint8_t first = table_[string].first;
            if (table_[string].circular) {
                throw GIFException(GIFText(TGIFFault::CircularTable));
            }
            std::size_t length = table_[string].length;
            if (rows != nullptr && !unknown && length < rows->Room()) {
                // Fits in the current row: spelt in place.
                Spell(string, length, rows->Cursor());
                rows->Skip(length);
                pos += length;
            } else if (rows != nullptr) {
                Spell(string, length, scratch.data());
                if (unknown) {
                    scratch[length++] = first;
                }
                length = std::min(length, count - pos);
                rows->Put(scratch.data(), length);
                pos += length;
            } else {
                pos = Emit(string, out, pos, count);
                if (unknown && pos < count) {
                    out[pos++] = first;
                }
            }
            Add(prev, first);
            prev = code;
        }
        return pos;
    }

    bool UnderRun() const { return underRun_; }

private:
    void Reset() {
        for (int c = 0; c < clear_; ++c) {
            table_[c].prefix = 0;
            table_[c].suffix = static_cast<std::uint8_t>(c);
            table_[c].first = static_cast<std::uint8_t>(c);
            table_[c].length = 1;
            table_[c].circular = false;
        }
        // Entries not defined yet behave as the zeroed entry they are: the
        // string of code 0 followed by 0. Only those used since the last
        // clear have changed.
        for (int c = clear_; c < used_; ++c) {
            table_[c].prefix = 0;
            table_[c].suffix = 0;
            table_[c].first = table_[0].suffix;
            table_[c].length = 2;
            table_[c].circular = false;
        }
        codeSize_ = minCodeSize_ + 1;
        limit_ = clear_ * 2;
        nextFree_ = clear_ + 2;
        used_ = nextFree_;
    }

    void Add(int prev, std::uint8_t first) {
        if (nextFree_ > kTableSize - 1) {
            return; // full: codes stay at 12 bits until the next clear
        }
        table_[nextFree_].prefix = static_cast<std::uint16_t>(prev);
        table_[nextFree_].suffix = first;
        table_[nextFree_].first = table_[prev].first;
        table_[nextFree_].length = static_cast<std::uint16_t>(table_[prev].length + 1);
        table_[nextFree_].circular = table_[prev].circular || prev == nextFree_;
        ++nextFree_;
        used_ = std::max(used_, nextFree_);
        if (nextFree_ >= limit_ && limit_ <= kTableSize - 1) {
            limit_ *= 2;
            ++codeSize_;
        }
    }

    // The string of code, length bytes, written backwards from its end.
    void Spell(int code, std::size_t length, std::uint8_t* to) const {
        std::uint8_t* p = to + length;
        for (std::size_t i = 0; i < length; ++i) {
            *--p = table_[code].suffix;
            code = table_[code].prefix;
        }
    }

    // Writes the string of code at out[pos], cut at count.
    std::size_t Emit(int code, std::uint8_t* out, std::size_t pos, std::size_t count) {
        const std::size_t length = table_[code].length;
        if (length == 1) {
            out[pos] = table_[code].suffix;
            return pos + 1;
        }
        if (pos + length <= count) {
            Spell(code, length, out + pos);
            return pos + length;
        }
        // The last string of the frame runs past its end: keep its head.
        std::array<std::uint8_t, kTableSize + 2> stack{};
        Spell(code, length, stack.data());
        std::memcpy(out + pos, stack.data(), count - pos);
        return count;
    }

    const int clear_;
    const int end_;
    const int minCodeSize_;
    BitReader& bits_;
    bool underRun_ = false;
    int codeSize_ = 0;
    int limit_ = 0;
    int nextFree_ = 0;
    int used_ = kTableSize; // entries past this still hold their reset state
    // One entry's fields side by side: walking a string touches one place.
    struct Entry {
        std::uint16_t prefix;
        std::uint16_t length;
        std::uint8_t suffix;
        std::uint8_t first;
        bool circular;
    };
    std::array<Entry, kTableSize> table_{};
};

} // namespace

void DecodePixels(ByteReader& reader, int width, int height, bool interlaced, std::uint8_t* out,
                  const TGIFWarningHandler& warn) {
    const int minCodeSize = ReadU8(reader);
    if (minCodeSize > kMaxMinCodeSize) {
        throw GIFException(GIFText(TGIFFault::InvalidData));
    }
    const std::vector<Segment> segments = SubBlocks(reader, warn);
    BitReader bits(segments);
    const std::size_t count = static_cast<std::size_t>(width) * static_cast<std::size_t>(height);
    auto decoder = std::make_unique<Decoder>(minCodeSize, bits);
    std::size_t written = 0;
    if (interlaced && height > 1) {
        InterlacedRows rows(out, width, height);
        written = decoder->Run(out, count, &rows);
    } else {
        written = decoder->Run(out, count, nullptr);
    }
    if (written < count && decoder->UnderRun() && warn) {
        warn(TGIFSeverity::Warning, GIFText(TGIFFault::BitBufferUnderRun));
    }
}

} // namespace qcm::pictures::gif
