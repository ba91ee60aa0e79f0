// Runs a libFuzzer target without libFuzzer: every file of the seed corpus,
// then a fixed number of deterministic mutations of them (bit flips, byte
// changes, cuts, insertions, splices). Used by builds without clang so each
// run of the tests still puts the parser through hostile input.
//
//   fuzz_target [--mutations=N] CORPUS_DIR_OR_FILE...

#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size);

namespace {

using Bytes = std::vector<uint8_t>;

struct Rng {
  uint64_t state = 0x9E3779B97F4A7C15ull;
  uint64_t next() {
    state ^= state << 13;
    state ^= state >> 7;
    state ^= state << 17;
    return state;
  }
  size_t below(size_t n) { return n == 0 ? 0 : static_cast<size_t>(next() % n); }
};

Bytes readFile(const std::filesystem::path& path) {
  std::ifstream in(path, std::ios::binary);
  return Bytes(std::istreambuf_iterator<char>(in), {});
}

Bytes mutate(const Bytes& seed, const std::vector<Bytes>& corpus, Rng& rng) {
  Bytes out = seed;
  const size_t edits = 1 + rng.below(8);
  for (size_t e = 0; e < edits; ++e) {
    switch (rng.below(7)) {
      case 0:
        if (!out.empty()) out[rng.below(out.size())] ^= static_cast<uint8_t>(1u << rng.below(8));
        break;
      case 1:
        if (!out.empty()) out[rng.below(out.size())] = static_cast<uint8_t>(rng.next());
        break;
      case 2: {
        static const uint8_t special[] = {0x00, 0xFF, 0x7F, 0x80, 0x01, 0x10, 0x0D, 0x0A, 0x1A};
        if (!out.empty()) out[rng.below(out.size())] = special[rng.below(sizeof special)];
        break;
      }
      case 3:
        if (!out.empty()) out.resize(rng.below(out.size()));
        break;
      case 4: {
        const size_t at = rng.below(out.size() + 1);
        const size_t n = 1 + rng.below(16);
        Bytes insert(n);
        for (auto& b : insert) b = static_cast<uint8_t>(rng.next());
        out.insert(out.begin() + static_cast<std::ptrdiff_t>(at), insert.begin(), insert.end());
        break;
      }
      case 5: {
        if (corpus.empty()) break;
        const Bytes& other = corpus[rng.below(corpus.size())];
        const size_t at = rng.below(out.size() + 1);
        const size_t from = rng.below(other.size() + 1);
        out.resize(at);
        out.insert(out.end(), other.begin() + static_cast<std::ptrdiff_t>(from), other.end());
        break;
      }
      case 6:
        if (out.size() >= 4) {  // a 16- or 32-bit field set to an extreme
          const size_t at = rng.below(out.size() - 3);
          const uint32_t v = rng.below(2) ? 0xFFFFFFFFu : static_cast<uint32_t>(rng.next() & 0xFFFF);
          std::memcpy(&out[at], &v, rng.below(2) ? 2 : 4);
        }
        break;
    }
  }
  return out;
}

}  // namespace

int main(int argc, char** argv) {
  size_t mutations = 1000;
  std::vector<Bytes> corpus;
  for (int i = 1; i < argc; ++i) {
    if (std::strncmp(argv[i], "--mutations=", 12) == 0) {
      mutations = std::strtoul(argv[i] + 12, nullptr, 10);
      continue;
    }
    const std::filesystem::path path(argv[i]);
    std::error_code ec;
    if (std::filesystem::is_directory(path, ec)) {
      std::vector<std::filesystem::path> files;
      for (const auto& entry : std::filesystem::directory_iterator(path, ec))
        if (entry.is_regular_file()) files.push_back(entry.path());
      std::sort(files.begin(), files.end());
      for (const auto& f : files) corpus.push_back(readFile(f));
    } else if (std::filesystem::is_regular_file(path, ec)) {
      corpus.push_back(readFile(path));
    }
  }
  if (corpus.empty()) corpus.emplace_back();

  size_t runs = 0;
  for (const Bytes& input : corpus) {
    LLVMFuzzerTestOneInput(input.data(), input.size());
    ++runs;
  }
  Rng rng;
  for (size_t i = 0; i < mutations; ++i) {
    const Bytes input = mutate(corpus[rng.below(corpus.size())], corpus, rng);
    LLVMFuzzerTestOneInput(input.data(), input.size());
    ++runs;
  }
  std::printf("fuzz driver: %zu inputs (%zu seeds), no failure\n", runs, corpus.size());
  return 0;
}
