// brisole_server: the stand-in Brisole server as a console program.
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

#include "tools/brisole_server/BrisoleStandInServer.h"

namespace {

const char kUsage[] =
    "usage: brisole_server [options]\n"
    "  --bind ADDRESS        local IPv4 address to listen on (127.0.0.1)\n"
    "  --port N              UDP port (1001)\n"
    "  --alias NAME          database alias (BRISOLE)\n"
    "  --connection TEXT     connection string (C:\\Brisole\\BRISOLE.GDB)\n"
    "  --share NAME          shared Brisole folder (\\\\server\\Brisole)\n"
    "  --refuse REASON       refuse sharing the folder for this reason\n"
    "  --silent-database     never answer the database request\n"
    "  --silent-share        never answer the share request\n"
    "  --wrong-keyword       answer with keywords in lower case (not accepted)\n"
    "  --oversize            answer the database request with 8193 bytes\n"
    "  --database-reply TEXT send this whole datagram to the database request\n"
    "  --share-reply TEXT    send this whole datagram to the share request\n"
    "  --requests N          stop after N requests\n";

struct Options {
  StandInSettings settings;
  std::string alias = "BRISOLE";
  std::string connection = "C:\\Brisole\\BRISOLE.GDB";
  std::string share = "\\\\server\\Brisole";
  std::string refusal;
  bool refuse = false, silentDatabase = false, silentShare = false, wrongKeyword = false,
       oversize = false;
  bool rawDatabase = false, rawShare = false;
};

std::string Lowered(std::string text) {
  for (char& c : text) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
  return text;
}

bool Parse(int argc, char** argv, Options& o) {
  for (int i = 1; i < argc; ++i) {
    const std::string flag = argv[i];
    auto value = [&](std::string& into) {
      if (i + 1 >= argc) return false;
      into = argv[++i];
      return true;
    };
    std::string text;
    if (flag == "--bind") {
      if (!value(o.settings.bindAddress)) return false;
    } else if (flag == "--port") {
      if (!value(text)) return false;
      o.settings.port = static_cast<std::uint16_t>(std::atoi(text.c_str()));
    } else if (flag == "--alias") {
      if (!value(o.alias)) return false;
    } else if (flag == "--connection") {
      if (!value(o.connection)) return false;
    } else if (flag == "--share") {
      if (!value(o.share)) return false;
    } else if (flag == "--refuse") {
      if (!value(o.refusal)) return false;
      o.refuse = true;
    } else if (flag == "--database-reply") {
      if (!value(text)) return false;
      o.settings.databaseReply = text;
      o.rawDatabase = true;
    } else if (flag == "--share-reply") {
      if (!value(text)) return false;
      o.settings.shareReply = text;
      o.rawShare = true;
    } else if (flag == "--requests") {
      if (!value(text)) return false;
      o.settings.requestLimit = std::atoi(text.c_str());
    } else if (flag == "--silent-database") {
      o.silentDatabase = true;
    } else if (flag == "--silent-share") {
      o.silentShare = true;
    } else if (flag == "--wrong-keyword") {
      o.wrongKeyword = true;
    } else if (flag == "--oversize") {
      o.oversize = true;
    } else {
      return false;
    }
  }
  return true;
}

void BuildReplies(Options& o) {
  if (!o.rawDatabase) o.settings.databaseReply = DatabaseReplyFor(o.alias, o.connection);
  if (!o.rawShare)
    o.settings.shareReply = o.refuse ? RefusalReplyFor(o.refusal) : ShareReplyFor(o.share);
  if (o.wrongKeyword) {
    const auto lowerKeyword = [](std::string& reply) {
      const auto bar = reply.find('|');
      reply = Lowered(reply.substr(0, bar)) + (bar == std::string::npos ? "" : reply.substr(bar));
    };
    lowerKeyword(*o.settings.databaseReply);
    lowerKeyword(*o.settings.shareReply);
  }
  if (o.oversize) {
    std::string& reply = *o.settings.databaseReply;
    reply.resize(8193, 'x');
  }
  if (o.silentDatabase) o.settings.databaseReply.reset();
  if (o.silentShare) o.settings.shareReply.reset();
}

}  // namespace

int main(int argc, char** argv) {
  Options options;
  if (!Parse(argc, argv, options)) {
    std::fputs(kUsage, stderr);
    return 2;
  }
  BuildReplies(options);
  try {
    BrisoleStandInServer server(options.settings);
    std::printf("brisole_server: listening on %s:%u\n", options.settings.bindAddress.c_str(),
                options.settings.port);
    std::fflush(stdout);
    server.Serve([](const ReceivedRequest& request, const std::string& reply) {
      const std::string shown = reply.empty()       ? std::string("(no reply)")
                                : reply.size() > 80 ? std::to_string(reply.size()) + " bytes"
                                                    : "\"" + reply + "\"";
      std::printf("brisole_server: %s:%u sent \"%s\" -> %s\n", request.senderAddress.c_str(),
                  request.senderPort, request.text.c_str(), shown.c_str());
      std::fflush(stdout);
    });
  } catch (const std::exception& failure) {
    std::fprintf(stderr, "brisole_server: %s\n", failure.what());
    return 1;
  }
  return 0;
}
