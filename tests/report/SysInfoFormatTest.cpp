// How the collectors word the system's answers, as tables of cases.
#include <gtest/gtest.h>

#include "report/ESysInfoFormat.h"
#include "tests/support/TextTable.h"

namespace {

constexpr std::uint64_t kMb = 1048576;
constexpr std::uint64_t kGb = 1073741824;

}  // namespace

TEST(SysInfoFormat, Memory_MegabytesRoundedHalvesToEven) {
  ExpectTexts<std::uint64_t>({{3 * kGb, "3072 Mb"},
                              {0, "0 Mb"},
                              {kMb / 2, "0 Mb"},
                              {kMb / 2 + 1, "1 Mb"},
                              {kMb + kMb / 2, "2 Mb"},
                              {2 * kMb + kMb / 2, "2 Mb"},
                              {4 * kGb + 1, "4096 Mb"}},
                             MemoryText);
}

TEST(SysInfoFormat, Disk_BinaryGigabytesAtMostTwoDecimals) {
  const auto disk = [](std::uint64_t bytes) { return DiskText(bytes, '.'); };
  ExpectTexts<std::uint64_t>({{250 * kGb, "250 Gb"},
                              {kGb + kGb / 4, "1.25 Gb"},
                              {kGb + kGb / 2, "1.5 Gb"},
                              {kGb / 3, "0.33 Gb"},
                              {kGb * 2 - 1, "2 Gb"},
                              {0, "0 Gb"}},
                             disk);
  EXPECT_EQ(DiskText(kGb + kGb / 2, ','), "1,5 Gb");
}

TEST(SysInfoFormat, Processor_NameElseVendorAndIdentifierElseUnknown) {
  struct TRow {
    const char *Name, *Vendor, *Identifier, *Text;
  };
  const TRow rows[] = {
      {"  Intel(R) Core(TM)2 CPU  ", "GenuineIntel", "x86 Family 6", "Intel(R) Core(TM)2 CPU"},
      {"", " GenuineIntel ", " x86 Family 6 Model 23 ", "GenuineIntel - x86 Family 6 Model 23"},
      {"", "AuthenticAMD", "", "AuthenticAMD"},
      {"", "", "x86 Family 6", "Unknown processor"},
      {" ", "", "", "Unknown processor"},
  };
  for (const TRow& row : rows) {
    SCOPED_TRACE(row.Text);
    EXPECT_EQ(ProcessorText(row.Name, row.Vendor, row.Identifier), row.Text);
  }
}

TEST(SysInfoFormat, Parameters_TheCommandLineAfterTheProgram) {
  ExpectTexts<const char*>({{"\"C:\\Program Files\\Brisole\\Brisole.exe\" /x", "/x"},
                            {"  \"C:\\Brisole.exe\"   /a  /b  ", "/a  /b"},
                            {"Brisole.exe /setup", "/setup"},
                            {"C:\\Brisole\\Brisole.exe", ""},
                            {"\"C:\\Brisole.exe\"", ""},
                            {"\"C:\\Brisole.exe", ""},
                            {"", ""}},
                           ParametersText);
}

TEST(SysInfoFormat, ModulePath_NtPrefixCutBeforeTheDrive) {
  ExpectTexts<const char*>(
      {{"\\??\\C:\\WINDOWS\\system32\\ntdll.dll", "C:\\WINDOWS\\system32\\ntdll.dll"},
       {"\\\\?\\D:\\Apps\\tool.exe", "D:\\Apps\\tool.exe"},
       {"C:\\Brisole\\Brisole.exe", "C:\\Brisole\\Brisole.exe"},
       {"\\\\?\\UNC\\server\\share\\x.dll", "\\\\?\\UNC\\server\\share\\x.dll"}},
      WithoutNtPrefix);
}

TEST(SysInfoFormat, DottedAddress_PartsPaddedToThreeDigits) {
  ExpectTexts<const char*>({{"10.0.0.1", "010.000.000.001"},
                            {"192.168.1.20", "192.168.001.020"},
                            {"255.255.255.0", "255.255.255.000"},
                            {"", "000.000.000.000"},
                            {"0.0.0.0", "000.000.000.000"}},
                           DottedAddressText);
}

TEST(SysInfoFormat, Network_TwoAdaptersReadAsColumns) {
  TAdapterFacts first;
  first.Address = "192.168.1.20";
  first.Mask = "255.255.255.0";
  first.Gateway = "192.168.1.1";
  first.Dhcp = true;
  first.Dns = TAdapterFacts::dnsRead;
  first.DnsServers = {"192.168.1.1"};
  TAdapterFacts second;
  second.Address = "10.0.0.5";
  second.Mask = "255.0.0.0";
  second.Dns = TAdapterFacts::dnsFailed;
  const TNetworkTexts texts = NetworkTexts({first, second});
  EXPECT_EQ(texts.Address, "192.168.001.020 - 010.000.000.005");
  EXPECT_EQ(texts.Mask, "255.255.255.000 - 255.000.000.000");
  EXPECT_EQ(texts.Gateway, "192.168.001.001 - 000.000.000.000");
  EXPECT_EQ(texts.Dns1, "192.168.001.001 - 000.000.000.000");
  EXPECT_EQ(texts.Dns2, "000.000.000.000 - 000.000.000.000");
  EXPECT_EQ(texts.Dhcp, "ON              - OFF            ");
}

TEST(SysInfoFormat, Network_AdapterWhoseNameServersCannotBeAskedAddsNoDnsColumn) {
  TAdapterFacts adapter;
  adapter.Address = "10.0.0.5";
  adapter.Dns = TAdapterFacts::dnsSkipped;
  const TNetworkTexts texts = NetworkTexts({adapter});
  EXPECT_EQ(texts.Address, "010.000.000.005");
  EXPECT_EQ(texts.Dns1, "");
  EXPECT_EQ(texts.Dns2, "");
  EXPECT_EQ(NetworkTexts({}).Address, "");
}

TEST(SysInfoFormat, OsType_NamesOfTheVersions) {
  using P = TOsVersionFacts;
  struct TRow {
    TOsVersionFacts Facts;
    const char* Text;
  };
  const TRow rows[] = {
      {{P::opWindows9x, 4, 0, 950, " B ", false, false}, "Microsoft Windows 95 OSR 2"},
      {{P::opWindows9x, 4, 0, 950, "", false, false}, "Microsoft Windows 95"},
      {{P::opWindows9x, 4, 10, 2222, "A", false, false}, "Microsoft Windows 98 SE"},
      {{P::opWindows9x, 4, 10, 1998, "", false, false}, "Microsoft Windows 98"},
      {{P::opWindows9x, 4, 90, 3000, "", false, false}, "Microsoft Windows ME"},
      {{P::opWindowsNt, 4, 0, 1381, "", true, false}, "Microsoft Windows NT 4.0"},
      {{P::opWindowsNt, 5, 0, 2195, "", true, false}, "Microsoft Windows 2000"},
      {{P::opWindowsNt, 5, 1, 2600, "", true, false}, "Microsoft Windows XP"},
      {{P::opWindowsNt, 5, 2, 3790, "", true, true}, "Microsoft Windows XP (64 bit)"},
      {{P::opWindowsNt, 5, 2, 3790, "", false, false}, "Microsoft Windows 2003"},
      {{P::opWindowsNt, 6, 0, 6002, "", true, false}, "Microsoft Windows Vista"},
      {{P::opWindowsNt, 6, 0, 6002, "", false, false}, "Microsoft Windows Server 2008"},
      {{P::opWindowsNt, 6, 1, 7601, "", true, true}, "Microsoft Windows 7 (64 bit)"},
      {{P::opWindowsNt, 6, 1, 7601, "", false, false}, "Microsoft Windows Server 2008 R2"},
      {{P::opWindowsNt, 6, 2, 9200, "", true, false}, "Microsoft Windows 6.2"},
      {{P::opWindowsNt, 10, 0, 19045, "", true, false}, "Microsoft Windows 10.0"},
      {{P::opOther, 3, 1, 0, "", false, false}, "Microsoft Windows "},
  };
  for (const TRow& row : rows) {
    SCOPED_TRACE(row.Text);
    EXPECT_EQ(OsTypeText(row.Facts), row.Text);
  }
  EXPECT_EQ(OsBuildText({P::opWindows9x, 4, 10, 0x040A08AE, "", false, false}), "2222");
  EXPECT_EQ(OsBuildText({P::opWindowsNt, 6, 1, 7601, "", true, false}), "7601");
}

TEST(SysInfoFormat, Registered_FirstValueFoundMicrosoftMeansNothingFromVista) {
  EXPECT_EQ(RegisteredText("Mario Rossi", "Other", "Third", true), "Mario Rossi");
  EXPECT_EQ(RegisteredText("", "Other", "Third", false), "Other");
  EXPECT_EQ(RegisteredText("", "", "Third", false), "Third");
  EXPECT_EQ(RegisteredText("Microsoft", "Other", "", true), "");
  EXPECT_EQ(RegisteredText("Microsoft", "Other", "", false), "Microsoft");
}

TEST(SysInfoFormat, SmallForms_PrivilegeDisplayVideoPrinter) {
  EXPECT_EQ(PrivilegeLine("SeShutdownPrivilege", false),
            "SeShutdownPrivilege             - OFF\r\n");
  EXPECT_EQ(PrivilegeLine("SeChangeNotifyPrivilege", true),
            "SeChangeNotifyPrivilege         - ON\r\n");
  EXPECT_EQ(DisplayModeText(1280, 1024, 32), "1280 x 1024, 32 bit");
  EXPECT_EQ(VideoCardText(" NVIDIA GeForce 9500 GT ", "6.14.11.7813", 536870912),
            "NVIDIA GeForce 9500 GT (driver 6.14.11.7813 - RAM 512 MB)");
  EXPECT_EQ(VideoCardText("Wine Adapter", "", std::nullopt), "Wine Adapter (driver )");
  EXPECT_EQ(PrinterText("HP LaserJet 1020", "5.1.2600.0 built by: RTM"),
            "HP LaserJet 1020 (driver 5.1.2600.0builtby:RTM)");
}

TEST(SysInfoFormat, FocusedControl_HiddenForUnicodeMultiLineAndMaskedForPasswords) {
  struct TRow {
    const char* Case;
    const char* Class;
    const char* Text;
    bool Unicode, MultiLine, Password;
    const char* Expected;
  };
  const TRow rows[] = {
      {"an edit", "TEdit", "Archivio", false, false, false, "Archivio"},
      {"a Unicode window", "TEdit", "Archivio", true, false, false, ""},
      {"a multi-line edit", " Edit ", "line", false, true, false, ""},
      {"a multi-line memo", "TMemo", "line", false, true, false, ""},
      {"a multi-line button", "Button", "OK", false, true, false, "OK"},
      {"a password edit", "TEdit", "secret", false, false, true, "******"},
      {"a password-styled button", "Button", "OK", false, false, true, "OK"},
      {"no text", "TEdit", "", false, false, false, ""},
  };
  for (const TRow& row : rows) {
    SCOPED_TRACE(row.Case);
    EXPECT_EQ(FocusedControlText(row.Class, row.Text, row.Unicode, row.MultiLine, row.Password),
              row.Expected);
  }
}

TEST(SysInfoFormat, ControlRuns_EachBecomesOneSpace) {
  ExpectTexts<const char*>({{"Riga 1\r\nRiga 2\t\tfine", "Riga 1 Riga 2 fine"},
                            {"\x01x\x02", " x "},
                            {"plain", "plain"},
                            {"", ""}},
                           ControlRunsAsSpaces);
}
