#include "tests/attachments/PrepareRounds.h"

#include <windows.h>

#include "report/EAttachmentFiles.h"
#include "report/EAttachmentList.h"
#include "report/EZip.h"
#include "tests/support/TempFolder.h"

std::string PrepareRounds(int rounds, const std::string& tag) {
  TAttachmentFolder folder;
  for (int round = 1; round <= rounds; ++round) {
    const std::string& path = folder.Prepare(
        GetCurrentProcessId(), reinterpret_cast<std::uintptr_t>(GetModuleHandleA(nullptr)));
    if (path.empty()) return "round " + std::to_string(round) + ": no folder";
    const std::string report = "ZuderaDod 6.1.05 RC 6\r\n\r\nreport of " + tag + " round " +
                               std::to_string(round) + "\r\n";
    const std::string log = LogCopyFileName(path, "C:\\Logs\\app.elf");
    const std::string xml = XmlCopyFileName(path, "C:\\Logs\\app.elf", 0x0008);
    if (!WriteLogCopy(log, report) || !WriteXmlCopy(xml, log, report, ""))
      return "round " + std::to_string(round) + ": copies not written";
    Sleep(5);
    const TZipPackageResult zip = MakeZipPackage(ZipPackageFileName(path), "", {log, xml});
    if (!zip.Written || zip.Entries.size() != 2)
      return "round " + std::to_string(round) + ": package incomplete";
    if (ReadFileBytes(log) != LogCopyText(report))
      return "round " + std::to_string(round) + ": the log copy changed under us";
    if (!FileExists(ZipPackageFileName(path)))
      return "round " + std::to_string(round) + ": the package vanished";
  }
  folder.Remove();
  return {};
}
