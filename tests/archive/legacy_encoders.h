// Test-side encoders for the two older ZIP methods: shrink (method 1, LZW
// with partial clearing) and implode (method 6, sliding dictionary with
// Shannon-Fano trees). They aim at exercising the decoders, not at
// compressing well: control codes and matches come where a test asks.
#pragma once

#include <cstddef>
#include <cstdint>
#include <set>
#include <vector>

#include "archive_test_support.h"

namespace nubra::test {

struct ShrinkOptions {
    // Before the data code with this index (0 is the first code), emit a
    // "widen" escape (256, 1) even though no code needs it yet.
    std::multiset<std::size_t> growBefore;
    // Before the data code with this index, or the first one after it whose
    // predecessor is a byte code, emit a partial clearing (256, 2).
    std::set<std::size_t> clearBefore;
    // Also clear whenever codes 257 to 8,191 are all in use, as the
    // original encoder does (Info-ZIP's unzip refuses further codes then).
    bool clearWhenFull = false;
};

struct ShrinkStats {
    int grows = 0;
    int clears = 0;
    int dataCodes = 0;
    int selfReferences = 0; // codes used in the step that defines them
    int reusedCodes = 0;    // definitions of a code freed by a clearing
    std::vector<int> reuseOrder; // the first codes defined after each clearing
};

Bytes shrink(const Bytes& input, const ShrinkOptions& options = {}, ShrinkStats* stats = nullptr);

// One step of an imploded stream: a literal, or a match (distance >= 1).
struct ImplodeOp {
    std::uint8_t literal = 0;
    unsigned distance = 0; // 0: a literal
    unsigned length = 0;
};

struct ImplodeTrees {
    bool literalTree = false;  // flag bit 2
    bool bigDictionary = false; // flag bit 1
    std::vector<std::uint16_t> literalLengths;  // 256 entries (with a literal tree)
    std::vector<std::uint16_t> lengthLengths;   // 64
    std::vector<std::uint16_t> distanceLengths; // 64
};

// Complete trees: flat ones (8-bit literals, 6-bit lengths and distances)
// or mixed ones (lengths 2 to 9).
ImplodeTrees flatTrees(bool literalTree, bool bigDictionary);
ImplodeTrees mixedTrees(bool literalTree, bool bigDictionary);

std::uint16_t implodeFlags(const ImplodeTrees& trees);
unsigned minimumMatch(const ImplodeTrees& trees);
unsigned maximumMatch(const ImplodeTrees& trees);

// A tree description: runs of equal lengths, at most 16 per byte.
Bytes describeTree(const std::vector<std::uint16_t>& lengths);

// Greedy matches within the dictionary.
std::vector<ImplodeOp> findMatches(const Bytes& input, const ImplodeTrees& trees);

// The stream: tree descriptions, then the coded steps.
Bytes implode(const std::vector<ImplodeOp>& ops, const ImplodeTrees& trees);

// What the steps produce, from a zero-filled history.
Bytes applyOps(const std::vector<ImplodeOp>& ops);

} // namespace nubra::test
