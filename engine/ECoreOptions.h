// The option record of a module that carries the engine: every field with its
// default and setter, the exception filters, the 158 customizable texts, and
// the versioned option stream (see ECoreOptionStream.h for the byte level).
//
// One object exists per registered module (TDovaroModuleOptionsEx, which adds
// the shared options area) plus one process-wide object of the options in
// effect while an exception is handled. The objects have no lock of their
// own: the engine changes them while it handles one exception at a time or at
// start-up. Nothing here may run inside exception handling that forbids heap
// use.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "engine/ECoreByteStream.h"
#include "engine/ECoreOptionFlags.h"
#include "engine/ECoreTexts.h"

inline constexpr char kDefaultSmtpSender[] = "bugreport@example.com";
// The default HTML page of web error pages (CR LF line ends, none at the end).
extern const char kDefaultWebPageTemplate[];

// A module handle (its load address); null for none.
using TModuleHandle = void*;
// The handle of the module this code is linked into.
TModuleHandle CurrentModuleHandle();

// One exception filter (meaning of the small numbers: see the filter engine).
struct TDovaroExceptionFilter {
  bool FilterEnabled = true;
  std::string FilterClassName;
  std::string FilterMessage;
  std::uint8_t FilterScope = 0;
  std::uint8_t FilterDialog = 0;
  std::uint8_t FilterHandler = 0;
  std::uint8_t FilterAfterAction = 0;

  bool operator==(const TDovaroExceptionFilter&) const = default;
};

class TDovaroModuleOptions;

// The filters of one option object, owned by it. Add, Delete and Clear tell
// the owner (Changed). An index outside the list raises EListError.
class TDovaroExceptionsFilters {
 public:
  explicit TDovaroExceptionsFilters(TDovaroModuleOptions& owner) : owner_(owner) {}
  TDovaroExceptionsFilters(const TDovaroExceptionsFilters&) = delete;
  TDovaroExceptionsFilters& operator=(const TDovaroExceptionsFilters&) = delete;

  int Count() const { return static_cast<int>(items_.size()); }
  const TDovaroExceptionFilter& Item(int index) const;
  void Add(TDovaroExceptionFilter filter);
  void Delete(int index);
  void Clear();
  // Deep copy of another list's records (then Changed once).
  void Assign(const TDovaroExceptionsFilters& source);

  bool operator==(const TDovaroExceptionsFilters& other) const { return items_ == other.items_; }

 private:
  TDovaroModuleOptions& owner_;
  std::vector<TDovaroExceptionFilter> items_;
};

// The stored scalar fields, in stream order, with their defaults.
struct TDovaroOptionValues {
#define DOVARO_OPTION(type, name, initial, form, setter) type name = initial;
#include "engine/ECoreOptionFields.inc"
#undef DOVARO_OPTION
  bool operator==(const TDovaroOptionValues&) const = default;
};

class TDovaroModuleOptions {
 public:
  // `modulePath` is the owning module's file name (empty for the process-wide
  // object); `ownerModule` its handle (null for none). Starts on the defaults.
  explicit TDovaroModuleOptions(std::string modulePath = {}, TModuleHandle ownerModule = nullptr);
  virtual ~TDovaroModuleOptions() = default;
  TDovaroModuleOptions(const TDovaroModuleOptions&) = delete;
  TDovaroModuleOptions& operator=(const TDovaroModuleOptions&) = delete;

  // Getters and setters of the stored fields: `DialogKind()`, `SetDialogKind(v)`, ...
  // Each setter assigns and then calls Changed; SetMaxLoggedErrors turns 0
  // into 1; SetGeneralFieldsShown keeps the 48 item bits.
#define DOVARO_SETTER_Plain(type, name) void Set##name(const type& value);
#define DOVARO_SETTER_Own(type, name)
#define DOVARO_OPTION(type, name, initial, form, setter) \
  const type& name() const {                             \
    return values_.name;                                 \
  }                                                      \
  DOVARO_SETTER_##setter(type, name)
#include "engine/ECoreOptionFields.inc"
#undef DOVARO_OPTION
#undef DOVARO_SETTER_Plain
#undef DOVARO_SETTER_Own
  virtual void SetFreezeWatch(const bool& value);
  void SetMaxLoggedErrors(const std::uint32_t& value);
  void SetGeneralFieldsShown(const std::uint64_t& value);
  const TDovaroOptionValues& Values() const {
    return values_;
  }

  // The stored text without expansion, and Text with its %NAME% variables
  // expanded (ExpandVariables). An index outside 0..157 raises EListError.
  const std::string& StoredText(int index) const;
  std::string Text(int index) const;
  void SetText(int index, std::string value);
  const TCustomizedTexts& CustomizedTexts() const {
    return texts_;
  }
  const std::string& TextsLanguage() const {
    return textsLanguage_;
  }
  void SetTextsLanguage(std::string value);

  TDovaroExceptionsFilters& Filters() {
    return filters_;
  }
  const TDovaroExceptionsFilters& Filters() const {
    return filters_;
  }

  bool Enabled() const {
    return enabled_;
  }
  virtual void SetEnabled(bool value);

  const std::string& ModulePath() const {
    return modulePath_;
  }
  TModuleHandle OwnerModule() const {
    return ownerModule_;
  }
  // Makes the object speak for another module (the options in effect take
  // the owner of the options they copy).
  void SetOwner(std::string modulePath, TModuleHandle ownerModule) {
    modulePath_ = std::move(modulePath);
    ownerModule_ = ownerModule;
  }
  int UpdateDepth() const {
    return updateDepth_;
  }

  // Batches of changes: Changed publishes only outside a batch; EndUpdate
  // ends one and then runs Changed.
  void BeginUpdate() {
    ++updateDepth_;
  }
  void EndUpdate();
  // Publishes the options when no batch is open and they are the current
  // module's own.
  void Changed();

  // Copies every field, the filters and the texts of `source` (not Enabled
  // nor the owner). A null source raises EConvertError("Impossible to assign
  // nil as TDovaroModuleOptions."); the object itself is left alone.
  virtual void Assign(const TDovaroModuleOptions* source);
  // The defaults; filters and ReproduceNote cleared, Enabled true.
  virtual void SetDefaults();
  // The current stream format.
  virtual void SaveToStream(TByteWriter& stream) const;
  // The versioned reader, for the data version the stream carries. Raises
  // EReadError when the stream ends early; fields read up to then stay set.
  virtual void LoadFromStream(TByteReader& stream);
  void LoadFromStream(TByteReader& stream, int dataVersion);
  // SaveToStream into a new file / LoadFromStream from a file opened for
  // reading that others may not write meanwhile. Raise EInOutError when the
  // file cannot be opened.
  void SaveToFile(const std::string& fileName) const;
  void LoadFromFile(const std::string& fileName);
  // The shared options area (TDovaroModuleOptionsEx); nothing here.
  virtual void Publish() {}
  virtual void Refresh() {}

  // The log file for `name` (the owning module when empty) by the LogFolder
  // rules: ".elf" name, folder created, writable place, computer name when
  // LogNameWithComputer is set. Raises when no writable place exists.
  std::string LogFileName(const std::string& name = {}) const;

  // Not stored in the option stream.
  std::string PreBuildCommand;
  std::string PostBuildSuccessCommand;
  std::string PostBuildFailureCommand;
  std::uint8_t RequestedTerminateAction = 0;
  std::string ReproduceNote;

  // Every stored value equal: fields, filters, texts, TextsLanguage.
  bool SameStoredValues(const TDovaroModuleOptions& other) const;

 protected:
  TDovaroOptionValues values_;

 private:
  int updateDepth_ = 0;
  std::string modulePath_;
  TModuleHandle ownerModule_ = nullptr;
  TDovaroExceptionsFilters filters_{*this};
  TCustomizedTexts texts_;
  std::string textsLanguage_ = "English";
  bool enabled_ = true;
};
