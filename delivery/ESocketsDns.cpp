#include "delivery/ESocketsDns.h"

#include <algorithm>
#include <cctype>

namespace {

constexpr std::size_t kHeaderSize = 12;
constexpr std::uint16_t kTypeMx = 15;
constexpr std::uint16_t kClassIn = 1;
constexpr std::uint8_t kResponseBit = 0x80;  // in the first flags byte
constexpr std::uint8_t kRcodeMask = 0x0F;    // in the second flags byte
constexpr std::size_t kLongestLabel = 63;
constexpr std::size_t kLongestName = 255;
// A name of at most 255 bytes has fewer labels than this: more jumps loop.
constexpr int kMostPointerJumps = 128;

class TReader {
 public:
  explicit TReader(std::span<const std::uint8_t> message) : message_(message) {}

  std::optional<std::uint16_t> U16(std::size_t& at) const {
    if (at + 2 > message_.size()) return std::nullopt;
    const std::uint16_t value = static_cast<std::uint16_t>(message_[at] << 8 | message_[at + 1]);
    at += 2;
    return value;
  }

  // The name at `at`, label by label, following compression pointers; `at`
  // moves past the name as written there (a pointer ends it).
  std::optional<std::string> Name(std::size_t& at) const {
    std::string name;
    std::size_t cursor = at;
    bool jumped = false;
    for (int jumps = 0;;) {
      if (cursor >= message_.size()) return std::nullopt;
      const std::uint8_t length = message_[cursor];
      if (length >= 0xC0) {
        if (cursor + 1 >= message_.size() || ++jumps > kMostPointerJumps) return std::nullopt;
        const std::size_t target =
            static_cast<std::size_t>(length & 0x3F) << 8 | message_[cursor + 1];
        if (!jumped) at = cursor + 2;
        jumped = true;
        cursor = target;
        continue;
      }
      if (length > kLongestLabel) return std::nullopt;  // 64 to 191 are no label lengths
      if (length == 0) {
        if (!jumped) at = cursor + 1;
        return name;
      }
      if (cursor + 1 + length > message_.size()) return std::nullopt;
      if (!name.empty()) name += '.';
      name.append(reinterpret_cast<const char*>(message_.data()) + cursor + 1, length);
      if (name.size() > kLongestName) return std::nullopt;
      cursor += 1 + length;
    }
  }

 private:
  std::span<const std::uint8_t> message_;
};

bool SameName(std::string_view a, std::string_view b) {
  const auto bare = [](std::string_view name) {
    return name.ends_with('.') ? name.substr(0, name.size() - 1) : name;
  };
  a = bare(a);
  b = bare(b);
  return a.size() == b.size() && std::equal(a.begin(), a.end(), b.begin(), [](char x, char y) {
           return std::tolower(static_cast<unsigned char>(x)) ==
                  std::tolower(static_cast<unsigned char>(y));
         });
}

// Where the answers of `reply` start, when `reply` is a response to the MX
// query for `domain` (its identifier, the response flag, its first
// question's name compared without regard to case, type and class).
std::optional<std::size_t> AnswersOffset(std::span<const std::uint8_t> reply,
                                         std::string_view domain) {
  if (reply.size() < kHeaderSize) return std::nullopt;
  const TReader read(reply);
  std::size_t at = 0;
  const auto id = read.U16(at);
  if (id != kMxQueryId || !(reply[2] & kResponseBit)) return std::nullopt;
  at = 4;
  const auto questions = read.U16(at);
  if (!questions || *questions == 0) return std::nullopt;
  at = kHeaderSize;
  for (std::uint16_t q = 0; q < *questions; ++q) {
    const auto name = read.Name(at);
    const auto type = read.U16(at);
    const auto klass = read.U16(at);
    if (!name || !type || !klass) return std::nullopt;
    // The first question is ours, or the reply answers something else.
    if (q == 0 && (!SameName(*name, domain) || *type != kTypeMx || *klass != kClassIn)) {
      return std::nullopt;
    }
  }
  return at;
}

}  // namespace

std::string MailDomain(std::string_view address) {
  const auto at = address.find('@');
  return std::string(at == std::string_view::npos ? address : address.substr(at + 1));
}

std::vector<std::uint8_t> MxQuery(std::string_view domain) {
  std::vector<std::uint8_t> query = {0x41, 0x41, 0x01, 0x00, 0, 1, 0, 0, 0, 0, 0, 0};
  std::size_t start = 0;
  while (start <= domain.size()) {
    const std::size_t dot = std::min(domain.find('.', start), domain.size());
    const std::string_view label = domain.substr(start, std::min(dot - start, kLongestLabel));
    if (!label.empty()) {
      query.push_back(static_cast<std::uint8_t>(label.size()));
      query.insert(query.end(), label.begin(), label.end());
    }
    start = dot + 1;
  }
  query.push_back(0);
  query.insert(query.end(), {0x00, 0x0F, 0x00, 0x01});
  return query;
}

bool AnswersMxQuery(std::span<const std::uint8_t> reply, std::string_view domain) {
  return AnswersOffset(reply, domain).has_value();
}

std::optional<std::string> MxAnswerHost(std::span<const std::uint8_t> reply,
                                        std::string_view domain) {
  const auto answersStart = AnswersOffset(reply, domain);
  if (!answersStart || (reply[3] & kRcodeMask) != 0) return std::nullopt;
  const TReader read(reply);
  std::size_t at = 6;
  const auto answers = read.U16(at);
  if (!answers) return std::nullopt;
  at = *answersStart;
  for (std::uint16_t a = 0; a < *answers; ++a) {
    const auto owner = read.Name(at);
    const auto type = read.U16(at);
    const auto klass = read.U16(at);
    at += 4;  // time to live
    const auto length = read.U16(at);
    if (!owner || !type || !klass || !length || at + *length > reply.size()) return std::nullopt;
    const std::size_t data = at;
    at += *length;
    if (*type != kTypeMx || *klass != kClassIn || *length < 3) continue;
    std::size_t exchange = data + 2;  // after the preference
    if (auto host = read.Name(exchange); host && !host->empty()) return host;
    std::size_t start = data;
    if (auto host = read.Name(start); host && !host->empty()) return host;
  }
  return std::nullopt;
}
