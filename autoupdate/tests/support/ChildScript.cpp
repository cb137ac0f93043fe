#include "ChildScript.h"

#include <cerrno>
#include <cstdlib>
#include <vector>

#include "Cp932Text.h"

namespace orvex::autoupdate::test_support {

namespace {

bool Number(std::string_view token, int64_t* out) {
  std::string text(token);
  if (text.empty()) return false;
  char* end = nullptr;
  errno = 0;
  long long v = std::strtoll(text.c_str(), &end, 0);
  if (errno != 0 || end != text.c_str() + text.size()) return false;
  if (v < INT32_MIN || v > static_cast<long long>(UINT32_MAX)) return false;
  *out = v;
  return true;
}

std::vector<std::string_view> Tokens(std::string_view text) {
  std::vector<std::string_view> out;
  size_t i = 0;
  while (i < text.size()) {
    while (i < text.size() && (text[i] == ' ' || text[i] == '\t')) ++i;
    size_t start = i;
    while (i < text.size() && text[i] != ' ' && text[i] != '\t') ++i;
    if (i > start) out.push_back(text.substr(start, i - start));
  }
  return out;
}

}  // namespace

bool ParseChildStep(std::string_view line, ChildStep* step, std::string* error) {
  *step = ChildStep();
  size_t colon = FindChar(line, ':');
  if (colon != kNotFound) {
    step->text = std::string(TrimControl(line.substr(colon + 1)));
    line = line.substr(0, colon);
  }
  std::vector<std::string_view> tokens = Tokens(line);
  if (tokens.empty()) {
    *error = "empty step";
    return false;
  }
  std::vector<int64_t> numbers;
  for (size_t i = 1; i < tokens.size(); ++i) {
    int64_t v = 0;
    if (!Number(tokens[i], &v)) {
      *error = "not a number: " + std::string(tokens[i]);
      return false;
    }
    numbers.push_back(v);
  }
  const std::string_view action = tokens[0];
  size_t most = 0, least = 0;
  if (action == "success") {
    step->kind = ChildStep::kSuccess;
    most = 1;
  } else if (action == "fail") {
    step->kind = ChildStep::kFail;
    least = 1;
    most = 3;
  } else if (action == "exit") {
    step->kind = ChildStep::kExit;
    least = 1;
    most = 3;
  } else if (action == "hang") {
    step->kind = ChildStep::kHang;
    most = 1;
  } else {
    *error = "unknown step: " + std::string(action);
    return false;
  }
  if (numbers.size() < least || numbers.size() > most) {
    *error = "wrong number of values for " + std::string(action);
    return false;
  }
  size_t next = 0;
  if (least == 1) step->code = static_cast<uint32_t>(numbers[next++]);
  if (next < numbers.size()) {
    step->value = static_cast<int32_t>(numbers[next++]);
    step->has_value = true;
  }
  if (next < numbers.size()) step->resume = static_cast<uint32_t>(numbers[next++]);
  return true;
}

std::string TakeFirstStep(std::string_view script, std::string* rest) {
  size_t pos = 0;
  while (pos < script.size()) {
    size_t end = script.find('\n', pos);
    size_t stop = end == std::string_view::npos ? script.size() : end;
    std::string_view line = TrimControl(script.substr(pos, stop - pos));
    size_t after = end == std::string_view::npos ? script.size() : end + 1;
    if (!line.empty() && line[0] != '#') {
      // Copies first: the script may be *rest itself.
      std::string step(line);
      std::string remaining(script.substr(after));
      *rest = std::move(remaining);
      return step;
    }
    pos = after;
  }
  rest->clear();
  return std::string();
}

}  // namespace orvex::autoupdate::test_support
