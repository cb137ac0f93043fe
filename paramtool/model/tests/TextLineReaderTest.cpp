// The line reader against a plain model of fgets over a text-mode stream, on random texts read
// through random chunk sizes, so that lines cross every kind of buffer edge.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <random>
#include <string>
#include <vector>

#include "TextLineReader.h"

using namespace orvex;

namespace {

struct Line {
  std::string text;
  int number;
  bool operator==(const Line& other) const { return text == other.text && number == other.number; }
};

// Text mode (a CR before an LF disappears, Ctrl-Z ends the file), then fgets with 260 bytes,
// each piece taken as a C string without its LF.
std::vector<Line> Model(const std::string& bytes) {
  std::string text;
  for (size_t i = 0; i < bytes.size() && bytes[i] != '\x1A'; ++i) {
    if (bytes[i] == '\r' && i + 1 < bytes.size() && bytes[i + 1] == '\n') continue;
    text += bytes[i];
  }
  std::vector<Line> lines;
  int number = 1;
  for (size_t at = 0; at < text.size();) {
    size_t n = 0;
    while (n < 259 && at + n < text.size() && text[at + n] != '\n') ++n;
    const bool ended = n < 259 && at + n < text.size();
    std::string piece = text.substr(at, n);
    piece = piece.substr(0, std::min(piece.size(), std::strlen(piece.c_str())));
    lines.push_back({piece, number});
    at += n + (ended ? 1 : 0);
    if (ended) ++number;
  }
  return lines;
}

class ChunkedFile : public InputFile {
 public:
  ChunkedFile(const std::string& bytes, std::mt19937& random) : bytes_(bytes), random_(random) {}
  bool Read(void* buffer, size_t size, size_t* got, int*) override {
    const size_t chunk = random_() % 4 == 0 ? size : 1 + random_() % 300;
    *got = std::min({size, chunk, bytes_.size() - at_});
    std::memcpy(buffer, bytes_.data() + at_, *got);
    at_ += *got;
    return true;
  }

 private:
  const std::string& bytes_;
  std::mt19937& random_;
  size_t at_ = 0;
};

}  // namespace

TEST(TextLineReader, AgreesWithTextModeFgets) {
  std::mt19937 random(77);
  const char kBytes[] = {'a', 'b', ' ', '\r', '\n', '\0', '\x82', ';'};
  for (int round = 0; round < 3000; ++round) {
    std::string bytes;
    const int pieces = static_cast<int>(random() % 12);
    for (int p = 0; p < pieces; ++p) {
      // Mostly short lines, some just around the 259-byte limit, some far beyond it.
      const size_t kind = random() % 8;
      const size_t length = kind == 0 ? 255 + random() % 8 : kind == 1 ? 300 + random() % 400 : random() % 40;
      for (size_t i = 0; i < length; ++i) bytes += kBytes[random() % sizeof kBytes];
      bytes += random() % 2 ? "\r\n" : "\n";
    }
    if (random() % 10 == 0) bytes.insert(random() % (bytes.size() + 1), 1, '\x1A');
    const std::vector<Line> expected = Model(bytes);

    ChunkedFile file(bytes, random);
    auto reader = std::make_unique<TextLineReader>(file);
    std::vector<Line> got;
    std::string_view line;
    int number = 0;
    TextLineReader::Result r;
    while ((r = reader->Next(&line, &number)) == TextLineReader::kLine) got.push_back({std::string(line), number});
    ASSERT_EQ(r, TextLineReader::kEnd);
    ASSERT_EQ(got.size(), expected.size()) << "round " << round;
    for (size_t i = 0; i < got.size(); ++i) {
      ASSERT_EQ(got[i].text, expected[i].text) << "round " << round << " line " << i;
      ASSERT_EQ(got[i].number, expected[i].number) << "round " << round << " line " << i;
    }
    EXPECT_EQ(reader->StoppedAtEndMark(), bytes.find('\x1A') != std::string::npos) << round;
  }
}
