#include "engine/ECoreOptionStream.h"

#include <algorithm>
#include <initializer_list>

namespace {

bool OneOf(int value, std::initializer_list<int> list) {
  return std::find(list.begin(), list.end(), value) != list.end();
}

bool Within(int value, int first, int last) {
  return value >= first && value <= last;
}

void SetSendFlag(TDovaroModuleOptions& o, std::uint16_t flag, bool on) {
  o.SetSendFlags(on ? o.SendFlags() | flag : o.SendFlags() & ~flag);
}

void SetDialogFlag(TDovaroModuleOptions& o, std::uint16_t flag, bool on) {
  o.SetDialogFlags(on ? o.DialogFlags() | flag : o.DialogFlags() & ~flag);
}

std::uint64_t ReadBitSet(TByteReader& s, int byteCount) {
  std::uint64_t bits = 0;
  for (int i = 0; i < byteCount; ++i) bits |= std::uint64_t{s.ReadU8()} << (8 * i);
  return bits;
}

TDovaroExceptionFilter ReadFilter(TByteReader& s, int v) {
  TDovaroExceptionFilter filter;
  if (v < 6000) {
    filter.FilterClassName = s.ReadScrambledString();
    filter.FilterMessage = s.ReadScrambledString();
    filter.FilterEnabled = true;
    filter.FilterScope = 2;
    filter.FilterDialog = filter.FilterMessage.empty() ? 0 : 2;
    return filter;
  }
  filter.FilterEnabled = s.ReadBool();
  filter.FilterClassName = s.ReadScrambledString();
  filter.FilterMessage = s.ReadScrambledString();
  filter.FilterScope = s.ReadU8();
  filter.FilterDialog = s.ReadU8();
  filter.FilterHandler = s.ReadU8();
  filter.FilterAfterAction = s.ReadU8();
  return filter;
}

// Fields 1 to 21: present in every version, with the old streams' extras.
void ReadGeneralPart(TDovaroModuleOptions& o, TByteReader& s, int v, std::string& frozenText) {
  o.SetBuildFlag(s.ReadBool());
  o.SetApplyFilters(s.ReadBool());
  o.SetLogFlags(s.ReadU8());
  if (v < 500) {
    std::uint8_t showDialog = s.ReadU8();
    if (v < 450 && showDialog <= 1) showDialog ^= 1;
    if (showDialog == 0) o.SetDialogKind(0);
  }
  o.SetReportInMessageBody(s.ReadBool());
  if (Within(v, 450, 499)) {
    SetSendFlag(o, SendWholeLog, s.ReadBool());
    SetSendFlag(o, SendScreenshotImage, s.ReadBool());
    SetSendFlag(o, SendShowProgress, s.ReadBool());
  }
  if (v > 400) {
    o.SetWriteLogFile(s.ReadBool());
    std::uint8_t firstTab = s.ReadU8();
    if (v < 6000 && firstTab == 3) firstTab = 5;  // the CPU page moved
    o.SetFirstTab(firstTab);
  }
  if (Within(v, 403, 499)) SetDialogFlag(o, DlgOwnLook, s.ReadBool());
  if (v >= 420) {
    o.SetFreezeWatch(s.ReadBool());
    std::uint32_t timeout = s.ReadU32();
    if (v < 422) timeout /= 1000;  // stored in milliseconds then
    o.SetFreezeTimeoutSecs(timeout);
    if (v < 6000) frozenText = s.ReadScrambledString();
  }
  if (v >= 450) o.SetSmtpSender(s.ReadScrambledString());
  if (v >= 420) o.SetSmtpServer(s.ReadScrambledString());
  if (v >= 450) o.SetSmtpServerPort(s.ReadU16());
  if (v >= 421) {
    o.SetSmtpLogin(s.ReadScrambledString());
    o.SetSmtpAuthPassword(s.ReadScrambledString());
    o.SetTerminateAction(s.ReadU8());
    if (v < 6000 && s.ReadU8() == 0) {
      o.SetTerminateAction(0);
      o.RequestedTerminateAction = 0;
    }
  }
  o.SetMaxLoggedErrors(s.ReadU32());
  o.SetTerminateButtonAfter(s.ReadU32());
  o.SetMailRecipients(s.ReadScrambledString());
  o.SetMailSubjectText(s.ReadScrambledString());
  std::uint8_t mailDelivery = s.ReadU8();
  if (v < 450 && mailDelivery != 0) mailDelivery = o.SmtpServer().empty() ? 1 : 2;
  o.SetMailDelivery(mailDelivery);
  o.SetGeneralFieldsShown(WidenGeneralFieldsShown(ReadBitSet(s, GeneralFieldsShownBytes(v)), v));
  if (v < 450) s.ReadU8();
  o.SetLogFolder(s.ReadScrambledString());
}

// Fields 22 to 38 (from 500) and 39 to 51 (from 6000).
void ReadDeliveryPart(TDovaroModuleOptions& o, TByteReader& s, int v) {
  const bool current = v >= 6000;
  if (v >= 500) {
    o.SetWebDelivery(s.ReadU8());
    o.SetWebAddress(s.ReadScrambledString());
    o.SetWebLogin(s.ReadScrambledString());
    o.SetWebAuthPassword(s.ReadScrambledString());
    o.SetWebServerPort(s.ReadU32());
    o.SetExtraAttachments(s.ReadScrambledString());
    const std::uint16_t sendFlags = s.ReadU16();
    o.SetSendFlags(current ? sendFlags : sendFlags & ~FileNameWithComputer);
    o.SetDialogFlags(current ? s.ReadU16() : s.ReadU8());
    o.SetDialogAutoCloseSecs(s.ReadU32());
    o.SetSupportPageAddress(s.ReadScrambledString());
    o.SetWebPageTemplate(s.ReadScrambledString());
    o.SetStackFlags(s.ReadU8());
    o.SetBehaviourFlags(current ? s.ReadU16() : s.ReadU8());
    if (current) o.SetLeakFlags(s.ReadU8());
    o.SetCrashBurstAction(s.ReadU8());
    o.SetCrashBurstCount(s.ReadU32());
    o.SetCrashBurstMinutes(s.ReadU32());
  }
  if (!current) {
    o.SetStackFlags(o.StackFlags() | StackNoRoutineNames);
    return;
  }
  o.SetOutputFileFlags(s.ReadU8());
  o.SetDialogKind(s.ReadU8());
  o.SetProxyServer(s.ReadScrambledString());
  o.SetProxyLogin(s.ReadScrambledString());
  o.SetProxyAuthPassword(s.ReadScrambledString());
  o.SetProxyServerPort(s.ReadU16());
  o.SetTrackerLogin(s.ReadScrambledString());
  o.SetTrackerAuthPassword(s.ReadScrambledString());
  o.SetTrackerAssignee(s.ReadScrambledString());
  o.SetTrackerProjectName(s.ReadScrambledString());
  o.SetTrackerCategoryName(s.ReadScrambledString());
  o.SetTrackerTrialAccount(s.ReadScrambledString());
  o.SetArchivePassword(s.ReadScrambledString());
}

void ReadOptionStream(TDovaroModuleOptions& o, TByteReader& s, int v) {
  std::string frozenText;
  ReadGeneralPart(o, s, v, frozenText);
  ReadDeliveryPart(o, s, v);
  const std::uint32_t filterCount = s.ReadU32();
  o.Filters().Clear();
  for (std::uint32_t i = 0; i < filterCount; ++i) o.Filters().Add(ReadFilter(s, v));
  o.SetMailBodyText(s.ReadScrambledString());
  for (int index = 0; index < kCustomizedTextCount; ++index) {
    if (v < 6000 && index == 68) s.ReadScrambledString();  // a text since dropped
    if (TextExistsInVersion(index, v)) o.SetText(index, s.ReadScrambledString());
  }
  if (v >= 6000) o.SetTextsLanguage(s.ReadScrambledString());
  if (!frozenText.empty()) o.SetText(156, frozenText);
}

}  // namespace

bool TextExistsInVersion(int index, int v) {
  if (index == 20 && v < 420) return false;
  if (index == 19 && v < 421) return false;
  if (v < 450 && (OneOf(index, {9, 10, 15, 16, 22, 23, 24, 41, 47, 48, 68, 81}) || index >= 110))
    return false;
  if (v < 500 && (OneOf(index, {25, 42, 131, 144, 145}) || Within(index, 72, 77) ||
                  Within(index, 84, 91) || Within(index, 98, 104)))
    return false;
  if (index == 41 && v < 6000) return false;
  if ((index == 17 || index == 18) && Within(v, 500, 5999)) return false;
  if (v < 6000 && (OneOf(index, {2, 21, 43, 83, 113}) || Within(index, 11, 14) ||
                   Within(index, 26, 36) || Within(index, 51, 60) || Within(index, 105, 109) ||
                   Within(index, 117, 122) || Within(index, 133, 140) || index >= 146))
    return false;
  return true;
}

int GeneralFieldsShownBytes(int dataVersion) {
  return dataVersion >= 6000 ? 6 : dataVersion >= 500 ? 5 : 4;
}

std::uint64_t WidenGeneralFieldsShown(std::uint64_t stored, int dataVersion) {
  if (dataVersion >= 6000) return stored & kAllGeneralFieldsShown;
  const auto isNewItem = [dataVersion](int k) {
    if (dataVersion < 500)
      return OneOf(k, {4, 5, 9}) || Within(k, 12, 15) || Within(k, 22, 25) || Within(k, 30, 35) ||
             Within(k, 41, 47);
    return OneOf(k, {5, 9, 40, 47}) || Within(k, 12, 15) || Within(k, 22, 25) || Within(k, 33, 35);
  };
  std::uint64_t widened = 0;
  int nextStoredBit = 0;
  for (int k = 0; k < kGeneralFieldCount; ++k) {
    const bool shown = isNewItem(k) ? true : (stored >> nextStoredBit++ & 1) != 0;
    if (shown) widened |= std::uint64_t{1} << k;
  }
  return widened;
}

void TDovaroModuleOptions::LoadFromStream(TByteReader& stream) {
  LoadFromStream(stream, stream.DataVersion());
}

void TDovaroModuleOptions::LoadFromStream(TByteReader& stream, int dataVersion) {
  BeginUpdate();
  try {
    ReadOptionStream(*this, stream, dataVersion);
  } catch (...) {
    --updateDepth_;  // a broken stream is not published
    throw;
  }
  EndUpdate();
}

void TDovaroModuleOptions::SaveToStream(TByteWriter& s) const {
  const TDovaroOptionValues& o = values_;
  s.WriteBool(o.BuildFlag);
  s.WriteBool(o.ApplyFilters);
  s.WriteU8(o.LogFlags);
  s.WriteBool(o.ReportInMessageBody);
  s.WriteBool(o.WriteLogFile);
  s.WriteU8(o.FirstTab);
  s.WriteBool(o.FreezeWatch);
  s.WriteU32(o.FreezeTimeoutSecs);
  s.WriteScrambledString(o.SmtpSender);
  s.WriteScrambledString(o.SmtpServer);
  s.WriteU16(o.SmtpServerPort);
  s.WriteScrambledString(o.SmtpLogin);
  s.WriteScrambledString(o.SmtpAuthPassword);
  s.WriteU8(o.TerminateAction);
  s.WriteU32(o.MaxLoggedErrors);
  s.WriteU32(o.TerminateButtonAfter);
  s.WriteScrambledString(o.MailRecipients);
  s.WriteScrambledString(o.MailSubjectText);
  s.WriteU8(o.MailDelivery);
  for (int i = 0; i < 6; ++i) s.WriteU8(static_cast<std::uint8_t>(o.GeneralFieldsShown >> (8 * i)));
  s.WriteScrambledString(o.LogFolder);
  s.WriteU8(o.WebDelivery);
  s.WriteScrambledString(o.WebAddress);
  s.WriteScrambledString(o.WebLogin);
  s.WriteScrambledString(o.WebAuthPassword);
  s.WriteU32(o.WebServerPort);
  s.WriteScrambledString(o.ExtraAttachments);
  s.WriteU16(o.SendFlags);
  s.WriteU16(o.DialogFlags);
  s.WriteU32(o.DialogAutoCloseSecs);
  s.WriteScrambledString(o.SupportPageAddress);
  s.WriteScrambledString(o.WebPageTemplate);
  s.WriteU8(o.StackFlags);
  s.WriteU16(o.BehaviourFlags);
  s.WriteU8(o.LeakFlags);
  s.WriteU8(o.CrashBurstAction);
  s.WriteU32(o.CrashBurstCount);
  s.WriteU32(o.CrashBurstMinutes);
  s.WriteU8(o.OutputFileFlags);
  s.WriteU8(o.DialogKind);
  s.WriteScrambledString(o.ProxyServer);
  s.WriteScrambledString(o.ProxyLogin);
  s.WriteScrambledString(o.ProxyAuthPassword);
  s.WriteU16(o.ProxyServerPort);
  s.WriteScrambledString(o.TrackerLogin);
  s.WriteScrambledString(o.TrackerAuthPassword);
  s.WriteScrambledString(o.TrackerAssignee);
  s.WriteScrambledString(o.TrackerProjectName);
  s.WriteScrambledString(o.TrackerCategoryName);
  s.WriteScrambledString(o.TrackerTrialAccount);
  s.WriteScrambledString(o.ArchivePassword);
  s.WriteU32(static_cast<std::uint32_t>(filters_.Count()));
  for (int i = 0; i < filters_.Count(); ++i) {
    const TDovaroExceptionFilter& f = filters_.Item(i);
    s.WriteBool(f.FilterEnabled);
    s.WriteScrambledString(f.FilterClassName);
    s.WriteScrambledString(f.FilterMessage);
    s.WriteU8(f.FilterScope);
    s.WriteU8(f.FilterDialog);
    s.WriteU8(f.FilterHandler);
    s.WriteU8(f.FilterAfterAction);
  }
  s.WriteScrambledString(o.MailBodyText);
  for (const std::string& text : texts_) s.WriteScrambledString(text);
  s.WriteScrambledString(textsLanguage_);
}

std::vector<std::uint8_t> SaveOptionsToBytes(const TDovaroModuleOptions& options) {
  TByteWriter writer;
  options.SaveToStream(writer);
  return writer.Take();
}
