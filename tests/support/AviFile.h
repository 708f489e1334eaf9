// Reads an AVI file back for tests: the chunk tree with every size checked
// against its parent, then the recorder's layout with every index entry
// checked against the frame chunks it points to. Failures are reported
// through GoogleTest; the result says where the frames are.
#pragma once

#include <gtest/gtest.h>

#include <cstdint>
#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

namespace velmor::testing {

inline std::vector<uint8_t> ReadWholeFile(const std::string &path) {
  std::vector<uint8_t> bytes;
  if (FILE *file = std::fopen(path.c_str(), "rb")) {
    uint8_t block[65536];
    for (std::size_t got; (got = std::fread(block, 1, sizeof block, file)) > 0;)
      bytes.insert(bytes.end(), block, block + got);
    std::fclose(file);
  }
  return bytes;
}

struct Chunk {
  std::string id;        // four characters
  std::string listType;  // for RIFF and LIST
  uint64_t at = 0;       // offset of the identifier
  uint32_t size = 0;     // the size field
  std::vector<Chunk> children;

  uint64_t data() const { return at + 8; }
  const Chunk *Find(const std::string &wanted) const {
    for (const Chunk &child : children)
      if (child.id == wanted || child.listType == wanted) return &child;
    return nullptr;
  }
};

class AviFile {
 public:
  explicit AviFile(std::vector<uint8_t> bytes) : bytes_(std::move(bytes)) {
    uint64_t at = 0;
    while (at + 8 <= bytes_.size()) {
      Chunk riff = Parse(at, bytes_.size());
      if (riff.id != "RIFF") break;
      at = riff.data() + riff.size;
      riffs.push_back(std::move(riff));
    }
    end = at;
  }

  uint32_t U32(uint64_t at) const {
    uint32_t value = 0;
    if (at + 4 <= bytes_.size()) std::memcpy(&value, &bytes_[at], 4);
    return value;
  }
  uint64_t U64(uint64_t at) const { return U32(at) | uint64_t(U32(at + 4)) << 32; }
  std::string Tag(uint64_t at) const {
    return at + 4 <= bytes_.size()
               ? std::string(bytes_.begin() + long(at), bytes_.begin() + long(at) + 4)
               : std::string();
  }
  const uint8_t *At(uint64_t at) const { return bytes_.data() + at; }

  // Checks the recorder's layout and every index against the frame chunks
  // of `frameBytes` bytes; the frames' data offsets in file order.
  std::vector<uint64_t> CheckLayout(uint32_t frameBytes) {
    std::vector<uint64_t> frames;
    if (riffs.empty()) {
      ADD_FAILURE() << "no RIFF";
      return frames;
    }
    EXPECT_EQ(end, bytes_.size()) << "bytes after the last RIFF";
    const Chunk *hdrl = riffs[0].Find("hdrl");
    EXPECT_EQ(riffs[0].listType, "AVI ");
    if (hdrl == nullptr || hdrl->children.size() != 3) {
      ADD_FAILURE() << "hdrl is not avih, strl, reservation";
      return frames;
    }
    const Chunk &strl = hdrl->children[1];
    EXPECT_EQ(hdrl->children[0].id, "avih");
    EXPECT_EQ(strl.listType, "strl");
    EXPECT_EQ(strl.children.size(), 3u);
    superIndex = strl.children.size() == 3 ? &strl.children[2] : nullptr;
    odml = &hdrl->children[2];
    const bool multi = riffs.size() > 1;
    EXPECT_EQ(superIndex ? superIndex->id : "", multi ? "indx" : "JUNK");
    EXPECT_EQ(multi ? odml->listType : odml->id, multi ? "odml" : "JUNK");

    std::vector<uint32_t> framesPerRiff;
    std::vector<const Chunk *> standardIndexes;
    for (std::size_t r = 0; r < riffs.size(); ++r) {
      const Chunk &riff = riffs[r];
      EXPECT_EQ(riff.listType, r == 0 ? "AVI " : "AVIX") << "RIFF " << r;
      const Chunk *movi = riff.Find("movi");
      if (movi == nullptr) {
        ADD_FAILURE() << "RIFF " << r << " has no movi";
        return frames;
      }
      const uint64_t base = movi->data();  // the "movi" identifier
      std::vector<const Chunk *> chunks;
      const Chunk *ix = nullptr;
      for (const Chunk &chunk : movi->children) {
        if (chunk.id == "00db") {
          EXPECT_EQ(chunk.size, frameBytes);
          EXPECT_EQ(ix, nullptr) << "a frame after the standard index";
          chunks.push_back(&chunk);
          frames.push_back(chunk.data());
        } else if (chunk.id == "ix00") {
          ix = &chunk;
        } else {
          ADD_FAILURE() << "unexpected chunk " << chunk.id << " in movi";
        }
      }
      framesPerRiff.push_back(uint32_t(chunks.size()));
      if (multi) {
        if (ix == nullptr) {
          ADD_FAILURE() << "RIFF " << r << " has no ix00";
          continue;
        }
        standardIndexes.push_back(ix);
        const uint64_t at = ix->data();
        EXPECT_EQ(U32(at) & 0xFFFF, 2u);    // longs per entry
        EXPECT_EQ(U32(at) >> 16, 0x0100u);  // sub type 0, index of chunks
        EXPECT_EQ(U32(at + 4), chunks.size());
        EXPECT_EQ(Tag(at + 8), "00db");
        EXPECT_EQ(U64(at + 12), base);
        EXPECT_EQ(ix->size, 24 + 8 * chunks.size());
        for (std::size_t i = 0; i < chunks.size(); ++i) {
          EXPECT_EQ(base + U32(at + 24 + 8 * i), chunks[i]->data()) << "ix00 entry " << i;
          EXPECT_EQ(U32(at + 28 + 8 * i), frameBytes) << "ix00 entry " << i;
        }
      }
      if (r == 0) {
        const Chunk *idx1 = riff.Find("idx1");
        if (idx1 == nullptr) {
          ADD_FAILURE() << "no idx1";
          continue;
        }
        EXPECT_EQ(idx1->size, 16 * chunks.size());
        for (std::size_t i = 0; i < chunks.size() && 16 * i < idx1->size; ++i) {
          const uint64_t at = idx1->data() + 16 * i;
          EXPECT_EQ(Tag(at), "00db");
          EXPECT_EQ(U32(at + 4), 0x10u);
          EXPECT_EQ(U32(at + 8), chunks[i]->at - base) << "idx1 entry " << i;
          EXPECT_EQ(U32(at + 12), frameBytes);
        }
      }
    }
    uint32_t total = 0;
    for (uint32_t n : framesPerRiff) total += n;
    EXPECT_EQ(U32(48), framesPerRiff[0]) << "avih counts the first RIFF";
    EXPECT_EQ(U32(140), total) << "strh counts every frame";
    if (multi && superIndex != nullptr && superIndex->id == "indx") {
      const uint64_t at = superIndex->data();
      EXPECT_EQ(U32(at), 4u);  // longs per entry, index of indexes
      EXPECT_EQ(U32(at + 4), riffs.size());
      EXPECT_EQ(Tag(at + 8), "00db");
      for (std::size_t r = 0; r < standardIndexes.size(); ++r) {
        const uint64_t entry = at + 24 + 16 * r;
        EXPECT_EQ(U64(entry), standardIndexes[r]->at) << "indx entry " << r;
        EXPECT_EQ(U32(entry + 8), standardIndexes[r]->size + 8) << "indx entry " << r;
        EXPECT_EQ(U32(entry + 12), framesPerRiff[r]) << "indx entry " << r;
      }
      const Chunk *dmlh = odml->Find("dmlh");
      EXPECT_TRUE(dmlh != nullptr && U32(dmlh->data()) == total) << "dmlh total frames";
    }
    return frames;
  }

  std::vector<Chunk> riffs;
  uint64_t end = 0;
  const Chunk *superIndex = nullptr;
  const Chunk *odml = nullptr;

 private:
  // The chunk at `at`, which must end by `limit`; lists are parsed down.
  Chunk Parse(uint64_t at, uint64_t limit) {
    Chunk chunk;
    chunk.at = at;
    chunk.id = Tag(at);
    chunk.size = U32(at + 4);
    if (chunk.data() + chunk.size > limit) {
      ADD_FAILURE() << chunk.id << " at " << at << " of " << chunk.size
                    << " bytes runs past its parent's end " << limit;
      chunk.id.clear();
      return chunk;
    }
    if (chunk.id == "RIFF" || chunk.id == "LIST") {
      chunk.listType = Tag(at + 8);
      const uint64_t end = chunk.data() + chunk.size;
      for (uint64_t child = at + 12; child < end;) {
        Chunk next = Parse(child, end);
        if (next.id.empty()) break;
        child = next.data() + next.size + (next.size & 1);
        chunk.children.push_back(std::move(next));
        EXPECT_LE(child, end) << "children overrun " << chunk.listType;
      }
    }
    return chunk;
  }

  std::vector<uint8_t> bytes_;
};

}  // namespace velmor::testing
