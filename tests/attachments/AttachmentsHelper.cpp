// The second process of the attachment tests.
//   attachments_helper hold <file> <ready event> <release event>
//     opens the file without sharing, signals ready and keeps it until released.
//   attachments_helper prepare <start event> <rounds> <tag>
//     prepares the files of <rounds> exceptions at the same time as the test
//     and checks that each round's files hold its own text; exit status 0 when
//     they all did, 1 when another process's files were seen or ours lost.
#include <windows.h>

#include <cstdio>
#include <cstdlib>
#include <string>

#include "tests/attachments/PrepareRounds.h"

int main(int argc, char** argv) {
  if (argc == 5 && std::string(argv[1]) == "hold") {
    const HANDLE file = CreateFileA(argv[2], GENERIC_READ | GENERIC_WRITE, 0, nullptr, OPEN_ALWAYS,
                                    FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE) return 2;
    const HANDLE ready = OpenEventA(EVENT_MODIFY_STATE, FALSE, argv[3]);
    const HANDLE release = OpenEventA(SYNCHRONIZE, FALSE, argv[4]);
    if (!ready || !release) return 3;
    SetEvent(ready);
    WaitForSingleObject(release, 120000);
    CloseHandle(file);
    return 0;
  }
  if (argc == 5 && std::string(argv[1]) == "prepare") {
    const HANDLE start = OpenEventA(SYNCHRONIZE, FALSE, argv[2]);
    if (!start) return 3;
    WaitForSingleObject(start, 120000);
    const std::string failure = PrepareRounds(std::atoi(argv[3]), argv[4]);
    if (!failure.empty()) std::printf("%s\n", failure.c_str());
    return failure.empty() ? 0 : 1;
  }
  std::fprintf(stderr, "usage: attachments_helper hold|prepare ...\n");
  return 2;
}
