// The direct look-up of a recipient's mail exchanger: the MX query datagram
// sent to a name server and the host name read from its answer.
//
// Pure: no windows.h; bytes in, bytes out. The answer comes from the
// network, so every read is bounded by the message, compression pointers
// are followed a limited number of times, and an answer that does not
// answer our query gives no host.
#pragma once

#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

// The query's identifier: the two letters "AA".
inline constexpr std::uint16_t kMxQueryId = 0x4141;

// The domain of a mail address: what follows its first "@" (the whole
// address when it has none).
std::string MailDomain(std::string_view address);

// The MX query for `domain`: identifier "AA", a standard query asking for
// recursion, one question of type MX (15) and class IN (1), the name as
// labels. A label longer than 63 characters is cut to 63.
std::vector<std::uint8_t> MxQuery(std::string_view domain);

// Whether `reply` is a response to the MX query for `domain`: its
// identifier, the response flag, and its first question's name (compared
// without regard to case), type and class; whatever its result code. A
// reply that is not one answers another query and is no answer of ours.
bool AnswersMxQuery(std::span<const std::uint8_t> reply, std::string_view domain);

// The exchange host of the first MX record among the answers of `reply`,
// when `reply` is a response to the MX query for `domain` (its identifier,
// its question's name compared without regard to case, type and class);
// none otherwise, for an error response, or when no MX record can be read.
// Records of other types (a CNAME before the MX, say) are skipped. A
// record's owner name may be a compression pointer or written out.
std::optional<std::string> MxAnswerHost(std::span<const std::uint8_t> reply,
                                        std::string_view domain);
