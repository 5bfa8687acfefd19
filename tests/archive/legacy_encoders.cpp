#include "legacy_encoders.h"

#include <algorithm>

namespace nubra::test {

// --- Shrink -----------------------------------------------------------------

namespace {

// The encoder's copy of the decoder's code table: for codes 257 to 8,192, a
// link that is the parent code when in use and -(next free code) when free.
class LzwTable {
public:
    static constexpr int kFirst = 257;
    static constexpr int kLast = 8192;

    LzwTable() : link_(kLast + 2), suffix_(kLast + 2), child_(std::size_t{8192} * 256), everFreed_(kLast + 2)
    {
        for (int x = kFirst; x <= kLast; ++x)
            link_[static_cast<std::size_t>(x)] = -(x + 1);
    }

    // Codes 257 to 8,191 all in use: no further code could be sent. (The
    // decoder still defines 8,192, which no 13-bit code can name.)
    bool full() const { return head_ >= kLast; }
    int nextCode() const { return head_; }

    // The code that extends `parent` by `byte`, or 0.
    int child(int parent, std::uint8_t byte) const { return child_[index(parent, byte)]; }

    // Defines the next free code as parent + byte; -1 when the table is full.
    int define(int parent, std::uint8_t byte, ShrinkStats& stats)
    {
        if (head_ > kLast)
            return -1;
        const int x = head_;
        head_ = -link_[static_cast<std::size_t>(x)];
        link_[static_cast<std::size_t>(x)] = parent;
        suffix_[static_cast<std::size_t>(x)] = byte;
        // Code 8,192 is defined but cannot be sent in 13 bits.
        if (x < kLast && parent < kLast)
            child_[index(parent, byte)] = static_cast<std::uint16_t>(x);
        if (everFreed_[static_cast<std::size_t>(x)])
            ++stats.reusedCodes;
        if (stats.clears > 0 && stats.reuseOrder.size() < 8)
            stats.reuseOrder.push_back(x);
        return x;
    }

    // Frees the codes below the head that no code below the head extends,
    // and lists them (with the free ones there) lowest first.
    void clearLeaves()
    {
        const int top = head_ - 1;
        std::vector<bool> hasChild(kLast + 2);
        for (int x = kFirst; x <= top; ++x) {
            const int p = link_[static_cast<std::size_t>(x)];
            if (p > 256)
                hasChild[static_cast<std::size_t>(p)] = true;
        }
        int first = 0;
        int last = 0;
        for (int x = kFirst; x <= top; ++x) {
            const auto ux = static_cast<std::size_t>(x);
            const int p = link_[ux];
            if (p >= 0 && hasChild[ux])
                continue;
            if (p >= 0) {
                if (child_[index(p, suffix_[ux])] == x)
                    child_[index(p, suffix_[ux])] = 0;
                everFreed_[ux] = true;
            }
            if (last == 0)
                first = x;
            else
                link_[static_cast<std::size_t>(last)] = -x;
            last = x;
        }
        if (last != 0) {
            link_[static_cast<std::size_t>(last)] = -(top + 1);
            head_ = first;
        }
    }

private:
    static std::size_t index(int parent, std::uint8_t byte)
    {
        return static_cast<std::size_t>(parent) * 256 + byte;
    }

    std::vector<int> link_;
    std::vector<std::uint8_t> suffix_;
    std::vector<std::uint16_t> child_;
    std::vector<bool> everFreed_;
    int head_ = kFirst;
};

} // namespace

Bytes shrink(const Bytes& input, const ShrinkOptions& options, ShrinkStats* statsOut)
{
    ShrinkStats local;
    ShrinkStats& stats = statsOut != nullptr ? *statsOut : local;
    if (input.empty())
        return {};

    BitWriter w;
    LzwTable table;
    unsigned size = 9;
    auto escape = [&](unsigned what) {
        w.bits(256, size);
        w.bits(what, size);
    };

    w.bits(input[0], size);
    int previous = input[0];
    stats.dataCodes = 1;
    std::size_t pos = 1;
    std::size_t index = 1;
    bool clearPending = false;
    while (pos < input.size()) {
        if (options.clearBefore.count(index) != 0)
            clearPending = true;
        // A clearing never frees the previous code, whose number the next
        // definition refers to: only after a byte code.
        if ((clearPending || (options.clearWhenFull && table.full())) && previous < 256) {
            escape(2);
            table.clearLeaves();
            ++stats.clears;
            clearPending = false;
        }
        for (std::size_t k = options.growBefore.count(index); k > 0; --k) {
            escape(1);
            ++size;
            ++stats.grows;
        }
        // A clearing waits for a byte code before it; when one is due (or
        // this definition fills the table), send a byte code now.
        const bool byteOnly = clearPending || (options.clearWhenFull && table.nextCode() == LzwTable::kLast - 1);
        // The decoder defines previous + first byte of this string when it
        // reads the next code; the code may be that very one.
        const int added = table.define(previous, input[pos], stats);

        int code = input[pos];
        std::size_t length = 1;
        while (!byteOnly && pos + length < input.size()) {
            const int next = table.child(code, input[pos + length]);
            if (next == 0)
                break;
            code = next;
            ++length;
        }
        if (code == added)
            ++stats.selfReferences;
        while (code >= (1 << size)) {
            escape(1);
            ++size;
            ++stats.grows;
        }
        w.bits(static_cast<std::uint32_t>(code), size);
        previous = code;
        pos += length;
        ++index;
        ++stats.dataCodes;
    }
    return w.finish();
}

// --- Implode ----------------------------------------------------------------

ImplodeTrees flatTrees(bool literalTree, bool bigDictionary)
{
    ImplodeTrees t;
    t.literalTree = literalTree;
    t.bigDictionary = bigDictionary;
    if (literalTree)
        t.literalLengths.assign(256, 8);
    t.lengthLengths.assign(64, 6);
    t.distanceLengths.assign(64, 6);
    return t;
}

ImplodeTrees mixedTrees(bool literalTree, bool bigDictionary)
{
    ImplodeTrees t;
    t.literalTree = literalTree;
    t.bigDictionary = bigDictionary;
    if (literalTree) {
        // 64 of 7 bits, 64 of 8, 128 of 9: complete.
        t.literalLengths.assign(256, 9);
        std::fill(t.literalLengths.begin(), t.literalLengths.begin() + 64, std::uint16_t{7});
        std::fill(t.literalLengths.begin() + 64, t.literalLengths.begin() + 128, std::uint16_t{8});
    }
    // 2 of 2 bits, 2 of 6, 60 of 7.
    t.lengthLengths.assign(64, 7);
    t.lengthLengths[0] = t.lengthLengths[1] = 2;
    t.lengthLengths[2] = t.lengthLengths[3] = 6;
    // 1 of 1 bit, 1 of 2, 2 of 7, 60 of 8 (longer than the distance root).
    t.distanceLengths.assign(64, 8);
    t.distanceLengths[0] = 1;
    t.distanceLengths[1] = 2;
    t.distanceLengths[2] = t.distanceLengths[3] = 7;
    return t;
}

std::uint16_t implodeFlags(const ImplodeTrees& trees)
{
    return static_cast<std::uint16_t>((trees.bigDictionary ? 2 : 0) | (trees.literalTree ? 4 : 0));
}

unsigned minimumMatch(const ImplodeTrees& trees) { return trees.literalTree ? 3 : 2; }
unsigned maximumMatch(const ImplodeTrees& trees) { return minimumMatch(trees) + 63 + 255; }

Bytes describeTree(const std::vector<std::uint16_t>& lengths)
{
    Bytes runs{0}; // the count of run bytes minus one goes first
    for (std::size_t i = 0; i < lengths.size();) {
        std::size_t n = 1;
        while (i + n < lengths.size() && lengths[i + n] == lengths[i] && n < 16)
            ++n;
        runs.push_back(static_cast<std::uint8_t>(((n - 1) << 4) | (lengths[i] - 1u)));
        i += n;
    }
    runs[0] = static_cast<std::uint8_t>(runs.size() - 2);
    return runs;
}

std::vector<ImplodeOp> findMatches(const Bytes& input, const ImplodeTrees& trees)
{
    const std::size_t window = trees.bigDictionary ? 8192 : 4096;
    const std::size_t maxLength = maximumMatch(trees);
    constexpr std::size_t kHashSize = 1 << 15;
    std::vector<long> head(kHashSize, -1);
    std::vector<long> prev(input.size(), -1);
    auto hashAt = [&](std::size_t p) {
        return ((std::size_t{input[p]} << 10) ^ (std::size_t{input[p + 1]} << 5) ^ input[p + 2]) & (kHashSize - 1);
    };
    auto insert = [&](std::size_t p) {
        if (p + 3 > input.size())
            return;
        const std::size_t h = hashAt(p);
        prev[p] = head[h];
        head[h] = static_cast<long>(p);
    };

    std::vector<ImplodeOp> ops;
    std::size_t pos = 0;
    while (pos < input.size()) {
        std::size_t best = 0;
        std::size_t bestDistance = 0;
        if (pos + 3 <= input.size()) {
            long cand = head[hashAt(pos)];
            for (int chain = 0; chain < 48 && cand >= 0 && pos - static_cast<std::size_t>(cand) <= window; ++chain) {
                const auto c = static_cast<std::size_t>(cand);
                std::size_t l = 0;
                while (l < maxLength && pos + l < input.size() && input[c + l] == input[pos + l])
                    ++l;
                if (l > best) {
                    best = l;
                    bestDistance = pos - c;
                }
                cand = prev[c];
            }
        }
        if (best >= 3) {
            ops.push_back({0, static_cast<unsigned>(bestDistance), static_cast<unsigned>(best)});
            for (std::size_t k = 0; k < best; ++k)
                insert(pos + k);
            pos += best;
        } else {
            ops.push_back({input[pos], 0, 0});
            insert(pos);
            ++pos;
        }
    }
    return ops;
}

Bytes implode(const std::vector<ImplodeOp>& ops, const ImplodeTrees& trees)
{
    BitWriter w;
    auto putBytes = [&](const Bytes& b) {
        for (auto x : b)
            w.bits(x, 8);
    };
    if (trees.literalTree)
        putBytes(describeTree(trees.literalLengths));
    putBytes(describeTree(trees.lengthLengths));
    putBytes(describeTree(trees.distanceLengths));

    const auto literalCodes = canonicalCodes(trees.literalLengths);
    const auto lengthCodes = canonicalCodes(trees.lengthLengths);
    const auto distanceCodes = canonicalCodes(trees.distanceLengths);
    // Codes are sent inverted, first bit first.
    auto putCode = [&](const std::vector<std::uint32_t>& codes, const std::vector<std::uint16_t>& lengths,
                       unsigned symbol) {
        const unsigned len = lengths[symbol];
        w.code(~codes[symbol] & ((1u << len) - 1), len);
    };
    const unsigned lowBits = trees.bigDictionary ? 7 : 6;
    const unsigned minLength = minimumMatch(trees);

    for (const auto& op : ops) {
        if (op.distance == 0) {
            w.bits(1, 1);
            if (trees.literalTree)
                putCode(literalCodes, trees.literalLengths, op.literal);
            else
                w.bits(op.literal, 8);
            continue;
        }
        w.bits(0, 1);
        const unsigned d = op.distance - 1;
        w.bits(d & ((1u << lowBits) - 1), lowBits);
        putCode(distanceCodes, trees.distanceLengths, d >> lowBits);
        const unsigned l = op.length - minLength;
        if (l >= 63) {
            putCode(lengthCodes, trees.lengthLengths, 63);
            w.bits(l - 63, 8);
        } else {
            putCode(lengthCodes, trees.lengthLengths, l);
        }
    }
    return w.finish();
}

Bytes applyOps(const std::vector<ImplodeOp>& ops)
{
    Bytes out;
    for (const auto& op : ops) {
        if (op.distance == 0) {
            out.push_back(op.literal);
            continue;
        }
        for (unsigned i = 0; i < op.length; ++i) {
            const auto from = static_cast<long>(out.size()) - static_cast<long>(op.distance);
            out.push_back(from >= 0 ? out[static_cast<std::size_t>(from)] : 0);
        }
    }
    return out;
}

} // namespace nubra::test
