// The attachment list and the names files are sent under, as a table of
// cases over a fabricated set of existing files.
#include <gtest/gtest.h>

#include <set>
#include <string>
#include <vector>

#include "engine/ECoreOptionFlags.h"
#include "report/EAttachmentList.h"
#include "report/EAttachmentNames.h"

namespace {

const std::string kFolder = "C:\\Temp\\ZuderaDod_0000012300400000\\Exception1\\";

struct TListCase {
  const char* Name;
  const char* Extra;
  bool ForMail;
  bool InBody;
  std::uint16_t SendFlags;
  bool ScreenshotChosen;
  bool FolderWritable;  // the exception's files were written
  std::vector<std::string> Expected;
};

}  // namespace

TEST(AttachmentList, Table) {
  const std::string log = kFolder + "app.elf", png = kFolder + "Screenshot.png",
                    xml = kFolder + "app.xml";
  const std::uint16_t both = SendScreenshotImage | SendXmlCopy;
  const std::vector<TListCase> cases = {
      {"mail, report in the body: no log copy", "", true, true, both, true, true, {png, xml}},
      {"web, report in the body: the log copy still",
       "",
       false,
       true,
       both,
       true,
       true,
       {log, png, xml}},
      {"mail, report attached", "", true, false, both, true, true, {log, png, xml}},
      {"screenshot option left off in the dialog", "", true, false, both, false, true, {log, xml}},
      {"screenshot not sent", "", true, false, SendXmlCopy, true, true, {log, xml}},
      {"no XML copy", "", false, false, SendScreenshotImage, true, true, {log, png}},
      {"extra files with blanks and an empty last part",
       "  C:\\a.txt ;C:\\b.txt;  ",
       false,
       false,
       0,
       true,
       true,
       {"C:\\a.txt", "C:\\b.txt", log}},
      {"a missing extra file",
       "C:\\a.txt;C:\\missing.txt",
       false,
       false,
       0,
       true,
       true,
       {"C:\\a.txt", log}},
      {"a %NAME% variable", "%DATA%\\c.txt", false, false, 0, true, true, {"C:\\Data\\c.txt", log}},
      {"an empty part in the middle is no file",
       "C:\\a.txt;;C:\\b.txt",
       false,
       false,
       0,
       true,
       true,
       {"C:\\a.txt", "C:\\b.txt", log}},
      {"unwritable temporary folder: only the extra files",
       "C:\\a.txt",
       false,
       false,
       both,
       true,
       false,
       {"C:\\a.txt"}},
  };
  for (const TListCase& c : cases) {
    SCOPED_TRACE(c.Name);
    std::set<std::string> existing = {"C:\\a.txt", "C:\\b.txt", "C:\\Data\\c.txt"};
    if (c.FolderWritable) existing.insert({log, png, xml});
    TAttachmentListInput input;
    input.ExtraAttachments = c.Extra;
    input.ForMail = c.ForMail;
    input.ReportInMessageBody = c.InBody;
    input.LogCopyName = LogCopyFileName(kFolder, "C:\\Program Files\\App\\app.elf");
    input.ScreenshotName = ScreenshotFileName(kFolder, c.SendFlags, c.ScreenshotChosen);
    input.XmlCopyName = XmlCopyFileName(kFolder, "C:\\Program Files\\App\\app.elf", c.SendFlags);
    TAttachmentListServices services;
    services.ExpandVariables = [](std::string_view text) {
      std::string out(text);
      if (out.starts_with("%DATA%")) out.replace(0, 6, "C:\\Data");
      return out;
    };
    services.FileExists = [&](const std::string& path) { return existing.count(path) > 0; };
    EXPECT_EQ(BuildAttachmentList(input, services), c.Expected);
  }
}

TEST(AttachmentList, Subscriber_AddsAndRemovesFilesBeforeTheMissingAreDropped) {
  TAttachmentListInput input;
  input.ExtraAttachments = "C:\\a.txt;C:\\b.txt";
  input.LogCopyName = kFolder + "app.elf";
  std::vector<std::string> seen;
  TAttachmentListServices services;
  services.FileExists = [](const std::string& path) { return path != "C:\\gone.txt"; };
  services.AttachedFilesEvent = [&](std::vector<std::string>& list) {
    seen = list;
    list.erase(list.begin());  // C:\a.txt
    list.push_back("C:\\added.log");
    list.push_back("C:\\gone.txt");
  };
  EXPECT_EQ(BuildAttachmentList(input, services),
            (std::vector<std::string>{"C:\\b.txt", kFolder + "app.elf", "C:\\added.log"}));
  EXPECT_EQ(seen, (std::vector<std::string>{"C:\\a.txt", "C:\\b.txt", kFolder + "app.elf"}));
}

TEST(AttachmentNames, ShownNames_Table) {
  struct TCase {
    const char* Path;
    bool Computer, Timestamp;
    const char* Expected;
  };
  const TCase cases[] = {
      {"C:\\Temp\\app.elf", true, true, "app__PC1__20081209140503.elf"},
      {"C:\\Temp\\app.elf", true, false, "app__PC1.elf"},
      {"C:\\Temp\\app.elf", false, true, "app__20081209140503.elf"},
      {"C:\\Temp\\app.elf", false, false, "app.elf"},
      {"C:\\Temp\\README", true, true, "README__PC1__20081209140503"},
      {"C:\\Temp.d\\README", true, false, "README__PC1"},
      {"C:\\Temp\\archive.tar.gz", false, true, "archive.tar__20081209140503.gz"},
  };
  // 9 December 2008 14:05:03.
  const double when = 39791.0 + (14 * 3600 + 5 * 60 + 3) / 86400.0;
  for (const TCase& c : cases) {
    SCOPED_TRACE(c.Path);
    EXPECT_EQ(
        ShownAttachmentName(c.Path, c.Computer, "PC1", c.Timestamp, AttachmentTimestamp(when)),
        c.Expected);
  }
}

TEST(AttachmentNames, FileNames_Table) {
  EXPECT_EQ(XmlCopyFileName("C:\\T\\", "D:\\Logs\\app.elf", SendXmlCopy), "C:\\T\\app.xml");
  EXPECT_EQ(XmlCopyFileName("C:\\T\\", "D:\\Logs.old\\app", SendXmlCopy), "C:\\T\\app.xml");
  EXPECT_EQ(XmlCopyFileName("C:\\T\\", "D:\\Logs\\app.elf", 0), "");
  EXPECT_EQ(ScreenshotFileName("C:\\T\\", SendScreenshotImage, true), "C:\\T\\Screenshot.png");
  EXPECT_EQ(ZipPackageFileName("C:\\T\\"), "C:\\T\\BugReport.zip");
  EXPECT_EQ(ScratchFileName("C:\\Temp", 0x1A2B, 0x10000000), "C:\\Temp\\00001A2B10000000.bin");
  EXPECT_EQ(ScratchFileName("C:\\Temp\\", 0x1A2B, 0xABC), "C:\\Temp\\00001A2B00000ABC.bin");
  const std::string process = ProcessAttachmentFolder("C:\\Temp\\", 0x1A2B, 0x10000000);
  EXPECT_NE(process, ProcessAttachmentFolder("C:\\Temp\\", 0x1A2C, 0x10000000));
  EXPECT_NE(ExceptionAttachmentFolder(process, 1), ExceptionAttachmentFolder(process, 2));
  EXPECT_TRUE(ExceptionAttachmentFolder(process, 1).starts_with(process));
}

TEST(AttachmentNames, ZipEntries_EqualNamePartsGetANumberBeforeTheExtension) {
  TZipEntryNames names;
  const char* paths[] = {"C:\\a\\same.txt", "C:\\b\\SAME.txt", "C:\\c\\same.txt", "C:\\d\\same",
                         "C:\\e\\same"};
  const char* expected[] = {"same.txt", "SAME (2).txt", "same (3).txt", "same", "same (2)"};
  for (std::size_t i = 0; i < 5; ++i) {
    const std::string name = names.Candidate(paths[i]);
    EXPECT_EQ(name, expected[i]);
    names.Use(name);
  }
}

TEST(AttachmentNames, LogCopyText_EndsWithThreeLineBreaksOnce) {
  EXPECT_EQ(LogCopyText("report"), "report\r\n\r\n\r\n");
  EXPECT_EQ(LogCopyText("report\r\n\r\n\r\n"), "report\r\n\r\n\r\n");
  EXPECT_EQ(LogCopyText("report\r\n"), "report\r\n\r\n\r\n\r\n");
}
