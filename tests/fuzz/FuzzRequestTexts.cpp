// The request builders on names and values from anywhere (custom fields,
// report texts, package bytes): NUL-separated pieces, each a form field line
// or, when its first byte is odd, a file part "name\1file name\1bytes". The
// input's first six bytes are the random numbers of the boundaries, so the
// values can hold the very boundary the builder draws first.
#include <algorithm>
#include <optional>
#include <string>
#include <vector>

#include "delivery/EMailClientMailto.h"
#include "delivery/EWebToolsRequest.h"
#include "delivery/EWebToolsUrl.h"
#include "tests/fuzz/FuzzInput.h"

namespace {

// Percent-encoded text back to bytes; none for a broken escape.
std::optional<std::string> PercentDecoded(std::string_view text) {
  std::string out;
  for (std::size_t i = 0; i < text.size(); ++i) {
    if (text[i] != '%') {
      out += text[i];
      continue;
    }
    if (i + 2 >= text.size()) return std::nullopt;
    const std::string digits(text.substr(i + 1, 2));
    if (digits.find_first_not_of("0123456789ABCDEF") != std::string::npos) return std::nullopt;
    out += static_cast<char>(std::stoul(digits, nullptr, 16));
    i += 2;
  }
  return out;
}

// A URL-encoded "name=value&..." list: one pair per field, nothing that
// could start another pair or line, each coming back as it went in.
void CheckPairs(std::string_view pairs, const std::vector<std::string>& fields) {
  FUZZ_CHECK(pairs.find_first_of(" \r\n\"") == std::string_view::npos);
  std::size_t begin = 0;
  for (const std::string& line : fields) {
    const std::size_t end = std::min(pairs.find('&', begin), pairs.size());
    const std::string_view pair = pairs.substr(begin, end - begin);
    const std::size_t equals = pair.find('=');
    FUZZ_CHECK(equals != std::string_view::npos);
    FUZZ_CHECK(pair.find('=', equals + 1) == std::string_view::npos);
    const TFormField field = SplitField(line);
    FUZZ_CHECK(PercentDecoded(pair.substr(0, equals)) == field.Name);
    FUZZ_CHECK(PercentDecoded(pair.substr(equals + 1)) == field.Value);
    begin = end + 1;
  }
  FUZZ_CHECK(begin == pairs.size() + 1 || (fields.empty() && pairs.empty()));
}

// The multipart body holds its boundary only as its delimiters, and every
// part comes back whole from between them.
void CheckMultipart(const TMultipartMessage& message, const std::vector<std::string>& fields,
                    const std::vector<TMultipartFile>& files) {
  const std::string& body = message.Body;
  const std::string delimiter = "--" + message.Boundary;
  FUZZ_CHECK(message.ContentType() == "multipart/form-data; boundary=" + message.Boundary);
  std::vector<std::size_t> found;
  for (std::size_t at = body.find(message.Boundary); at != std::string::npos;
       at = body.find(message.Boundary, at + 1))
    found.push_back(at);
  FUZZ_CHECK(found.size() == fields.size() + files.size() + 1);
  for (std::size_t i = 0; i < found.size(); ++i) {
    const std::size_t at = found[i];
    FUZZ_CHECK(at >= 2 && body.compare(at - 2, 2, "--") == 0);
    FUZZ_CHECK(at == 2 || (at >= 4 && body.compare(at - 4, 2, "\r\n") == 0));
  }
  FUZZ_CHECK(body.ends_with(delimiter + "--\r\n"));
  // Part i lies between delimiter i and delimiter i + 1.
  std::size_t part = 0;
  for (std::size_t i = 0; i + 1 < found.size(); ++i, ++part) {
    const std::size_t begin = found[i] + message.Boundary.size() + 2;  // after "\r\n"
    const std::size_t end = found[i + 1] - 4;                          // before "\r\n--"
    FUZZ_CHECK(begin <= end);
    const std::string_view text = std::string_view(body).substr(begin, end - begin);
    const std::size_t headerEnd = text.find("\r\n\r\n");
    FUZZ_CHECK(headerEnd != std::string_view::npos);
    const std::string_view header = text.substr(0, headerEnd);
    const std::string_view content = text.substr(headerEnd + 4);
    if (part < fields.size()) {
      const TFormField field = SplitField(fields[part]);
      FUZZ_CHECK(header ==
                 "Content-Disposition: form-data; name=\"" + EncodeQuotedName(field.Name) + "\";");
      FUZZ_CHECK(content == field.Value);
    } else {
      const TMultipartFile& file = files[part - fields.size()];
      FUZZ_CHECK(header == "Content-Disposition: form-data; name=\"" + EncodeQuotedName(file.Name) +
                               "\"; filename=\"" +
                               (file.Exists ? EncodeQuotedName(file.FileName) : "") +
                               "\";\r\nContent-Type: application/octet-stream");
      FUZZ_CHECK(content == (file.Exists ? file.Bytes : std::string()));
    }
  }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const FuzzInput input(data, size);
  std::string_view text = input.Text();
  const std::size_t numberBytes = std::min<std::size_t>(6, text.size());
  std::vector<unsigned> numbers;
  for (std::size_t i = 0; i + 1 < numberBytes; i += 2)
    numbers.push_back(static_cast<unsigned char>(text[i]) << 8 |
                      static_cast<unsigned char>(text[i + 1]));
  text.remove_prefix(numberBytes);

  std::vector<std::string> fields;
  std::vector<TMultipartFile> files;
  for (std::size_t begin = 0; begin <= text.size();) {
    const std::size_t end = std::min(text.find('\0', begin), text.size());
    const std::string_view piece = text.substr(begin, end - begin);
    begin = end + 1;
    if (piece.empty() || (static_cast<unsigned char>(piece[0]) & 1) == 0) {
      fields.emplace_back(piece);
      continue;
    }
    TMultipartFile file;
    file.Exists = (static_cast<unsigned char>(piece[0]) & 2) == 0;
    const std::string_view rest = piece.substr(1);
    const std::size_t first = rest.find('\1');
    const std::size_t second = first == std::string_view::npos ? first : rest.find('\1', first + 1);
    file.Name = std::string(rest.substr(0, first));
    if (first != std::string_view::npos)
      file.FileName = std::string(rest.substr(first + 1, second - first - 1));
    if (second != std::string_view::npos) file.Bytes = std::string(rest.substr(second + 1));
    files.push_back(std::move(file));
  }

  // The boundaries drawn: the input's numbers first, then the same again.
  std::size_t next = 0;
  const auto boundaries = [&] {
    if (numbers.empty()) return std::string(27, '-') + "000000000000";
    return MakeBoundary([&] { return numbers[next++ % numbers.size()]; });
  };
  CheckMultipart(BuildMultipart(fields, files, boundaries), fields, files);

  CheckPairs(FormBody(fields), fields);
  const std::string query = AppendQuery("", fields);
  FUZZ_CHECK(fields.empty() ? query.empty() : query.starts_with("?"));
  CheckPairs(std::string_view(query).substr(fields.empty() ? 0 : 1), fields);
  FUZZ_CHECK(AppendQuery("?f=3", fields) == "?f=3" + (fields.empty() ? "" : "&" + query.substr(1)));

  for (const std::string& line : fields) {
    const std::string quoted = EncodeQuotedName(line);
    FUZZ_CHECK(quoted.find_first_of("\"\r\n") == std::string::npos);
    FUZZ_CHECK(PercentDecoded(quoted) == line);
    const TRequestPath path = SplitRequestPath(line);
    const std::string joined = path.Directory + path.Page + path.Query;
    if (path.Scheme.empty() && line.find("://") == std::string::npos) FUZZ_CHECK(joined == line);
    RefreshTarget(line);
    StampedName(FtpRemoteName(line, line), line);
  }

  // A mail client's address never grows past its limit through the body.
  TShellMail mail;
  mail.Recipients = "a@b.org";
  mail.Subject = "Report";
  mail.Body = std::string(input.Text());
  for (const std::size_t limit : {std::size_t{120}, kMailtoAddressLimit}) {
    const std::string address = ShellMailAddress(mail, limit);
    FUZZ_CHECK(address.size() <= limit);
  }
  return 0;
}
