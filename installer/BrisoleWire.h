// The datagram texts exchanged with the Brisole server (pure). Shared by the
// installer and by the stand-in server in tools/.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace brisole {

inline constexpr std::uint16_t kServerPort = 1001;
inline constexpr int kReplyWaitMilliseconds = 5000;

inline constexpr std::string_view kDatabaseRequest = "BDESERVERNAME_A";
inline constexpr std::string_view kDatabaseReply = "BDESERVERNAME_R";
inline constexpr std::string_view kShareRequest = "BRISOLESHARE_A";
inline constexpr std::string_view kShareReply = "BRISOLESHARE_R";
inline constexpr char kKeywordSeparator = '|';
inline constexpr char kAliasSeparator = '@';
// A share payload starting with this mark carries the server's reason for
// refusing to share its folder.
inline constexpr char kShareRefusalMark = '!';

// The payload after the first "|" when the text before it is one of the two
// reply keywords exactly (letter case counts); otherwise empty. Either keyword
// is accepted after either request.
std::string ExtractPayload(std::string_view reply);

struct DatabaseParameters {
  std::string alias;
  std::string connectionString;
};

// Splits the first payload at its first "@"; none when it has no "@".
std::optional<DatabaseParameters> SplitDatabasePayload(std::string_view payload);

// A connection string without any ":" names a path on the server: it becomes
// "<server host>:<connection string>".
std::string CompleteConnectionString(std::string_view connectionString,
                                     std::string_view serverHost);

}  // namespace brisole
