#include "settings/IniReadOrder.h"

#include <algorithm>
#include <exception>

#include "controls/qdouble.h"
#include "platform/OsFiles.h"
#include "platform/OsIni.h"
#include "settings/GetRegRoot.h"
#include "settings/IniName.h"
#include "util/qstring.h"

namespace penvo {

TIniReadOrder* GlobalReadOrder = nullptr;
bool IdeHost = false;

namespace {

// Text without the blanks and control characters at either end.
std::string_view Trim(std::string_view s) {
  const auto isSpace = [](char c) { return static_cast<unsigned char>(c) <= ' '; };
  while (!s.empty() && isSpace(s.front())) s.remove_prefix(1);
  while (!s.empty() && isSpace(s.back())) s.remove_suffix(1);
  return s;
}

std::string LowerCase(std::string s) {
  for (char& c : s)
    if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
  return s;
}

// The file name of Path without its directory and its last extension.
std::string BaseName(const std::string& Path) {
  const std::string name = ExtractFileName(Path);
  return name.substr(0, name.rfind('.'));
}

}  // namespace

// ---- Stores

TqLocalIniFile::TqLocalIniFile(std::string FileName, bool ReadOnly)
    : TIniFile(std::move(FileName)), FReadOnly(ReadOnly) {}

void TqLocalIniFile::WriteSetting(const std::string& Section, const std::string& Ident,
                                  const std::string& Value) {
  if (!FReadOnly) TIniFile::WriteSetting(Section, Ident, Value);
}

TqRegistryIniFile::TqRegistryIniFile(const std::string& Name, os::RegRoot Root)
    : TRegistryIniFile(Name), FPath(Name) {
  FRoot = GetRegRoot(FPath);
  if (Root != 0) FRoot = Root;
  OpenExisting();
}

void TqRegistryIniFile::OpenExisting() {
  os::RegKeyPtr key = os::OpenRegKey(FRoot, FPath, os::RegAccess::ReadWrite);
  // A key this user may read but not change (the machine's key, for most users) still serves
  // reads; writes to it are dropped, as for a key that cannot be created.
  if (!key) key = os::OpenRegKey(FRoot, FPath, os::RegAccess::Read);
  FKeyExisted = key != nullptr;
  SetKey(std::move(key));
}

void TqRegistryIniFile::WriteSetting(const std::string& Section, const std::string& Ident,
                                     const std::string& Value) {
  if (FReadOnly) return;
  if (!FOpenedForWrite) {
    CloseKey();
    os::RegKeyPtr key = os::CreateRegKey(FRoot, FPath);
    if (!key) {
      const bool reported = os::RegCreateFailureReported(FRoot, FPath);
      OpenExisting();
      if (reported) throw ERegistryException("Failed to create key " + FPath);
      return;
    }
    FKeyExisted = true;
    SetKey(std::move(key));
    FOpenedForWrite = true;
  }
  TRegistryIniFile::WriteSetting(Section, Ident, Value);
}

std::unique_ptr<TCustomIniFile> OpenStore(const std::string& Entry) {
  std::string flags = Entry;
  const std::string location = TakeToken(flags, "|", "");
  if (IsRegistryLocation(location)) return CreateRegistryStore(location, flags);
  const std::string path = ResolveIniName(location, ".ini");
  if (path.empty()) return nullptr;  // "-": no file
  return CreateIniStore(path, flags);
}

std::unique_ptr<TqLocalIniFile> CreateIniStore(const std::string& Path, const std::string& Flags) {
  const bool exists = os::FileExists(Path);
  if (!exists && Flags == "n") return nullptr;
  bool readOnly = false;
  if (exists)
    readOnly = !IsFileWritable(Path);
  else
    ForceFileDir(Path);
  if (Flags == "r") readOnly = true;
  return std::make_unique<TqLocalIniFile>(Path, readOnly);
}

std::unique_ptr<TqRegistryIniFile> CreateRegistryStore(const std::string& Location,
                                                       const std::string& Flags) {
  auto store = std::make_unique<TqRegistryIniFile>(Location, 0);
  if (!store->KeyExisted() && Flags == "n") return nullptr;
  store->SetReadOnly(Flags == "r");
  return store;
}

// ---- Lists of stores

int TStoreList::IndexOf(std::string_view Name) const {
  for (std::size_t i = 0; i < FItems.size(); ++i)
    if (SameText(FItems[i].Name, Name)) return static_cast<int>(i);
  return -1;
}

TCustomIniFile* TStoreList::GetStore(int Index) const {
  if (Index < 0 || Index >= Count()) return nullptr;
  return FItems[static_cast<std::size_t>(Index)].Store;
}

namespace {

bool NameBefore(const std::string& itemName, std::string_view name) {
  return CompareText(itemName, name) < 0;
}

}  // namespace

void TIniList::AddStore(const std::string& Name, TCustomIniFile* Store) {
  const auto at = std::lower_bound(
      FItems.begin(), FItems.end(), Name,
      [](const TItem& item, std::string_view name) { return NameBefore(item.Name, name); });
  if (at != FItems.end() && SameText(at->Name, Name)) return;  // a name is held once
  FItems.insert(at, TItem{Name, Store});
}

int TIniList::IndexOf(std::string_view Name) const {
  const auto at = std::lower_bound(
      FItems.begin(), FItems.end(), Name,
      [](const TItem& item, std::string_view name) { return NameBefore(item.Name, name); });
  if (at == FItems.end() || !SameText(at->Name, Name)) return -1;
  return static_cast<int>(at - FItems.begin());
}

void TOneReadOrder::AddStore(const std::string& Name, TCustomIniFile* Store) {
  FItems.push_back(TItem{Name, Store});
}

// ---- The chain

// Marks a write under way for its lifetime; the last one to end lets the retired caches go.
class TIniReadOrder::TWriting {
 public:
  explicit TWriting(TIniReadOrder& Chain) : FChain(Chain) { ++FChain.FWriting; }
  ~TWriting() {
    if (--FChain.FWriting > 0) return;
    FChain.FRetiredReadOrders.clear();
    FChain.FRetiredStores.clear();
  }
  TWriting(const TWriting&) = delete;
  TWriting& operator=(const TWriting&) = delete;

 private:
  TIniReadOrder& FChain;
};

TIniReadOrder::TIniReadOrder() : FMacros(std::make_unique<TqMacroVarList>()) {
  FMacros->WordTokenMin = 6;
  FMacros->LetterNameMax = 1;
  FMacros->Separators.assign(1, ';');  // (a plain assignment trips a GCC 12 false warning)

  // Letter codes; inside a token of fewer than six characters each letter is replaced.
  FMacros->SetVar("U", "uimI");  // user key, local ini, machine key, program ini
  FMacros->SetVar("P", "pimI");  // the same with the user's sub-key first
  FMacros->SetVar("L", "imI");
  FMacros->SetVar("M", "mI");
  FMacros->SetVar("G", "I");
  FMacros->SetVar("u", "%HKCU%;");
  FMacros->SetVar("p", "%HKCU%\\%SUBKEY%;");
  FMacros->SetVar("i", "%LOCALDIR%\\%PROGNAME%.ini|n;");
  FMacros->SetVar("m", "%HKLM%;");
  FMacros->SetVar("I", "%PROGDIR%\\%PROGNAME%.ini;");

  FMacros->SetVar("%COMPANY%", "Ruvi");
  if (GlobalReadOrder) FMacros->SetVar("%COMPANY%", GlobalReadOrder->Macros().GetVar("%COMPANY%"));
  const std::string exe = os::ExePath();
  FMacros->SetVar("%PROGNAME%", BaseName(exe));
  FMacros->SetVar("%SUBKEY%", "");
  FMacros->SetVar("%HKCU%", "HKEY_CURRENT_USER\\software\\%COMPANY%\\%PROGNAME%");
  FMacros->SetVar("%HKLM%", "HKEY_LOCAL_MACHINE\\software\\%COMPANY%\\%PROGNAME%");
  FMacros->SetVar("%PROGDIR%", ExtractFilePath(exe));
  SetLocalDir();

  FMacros->OnChange = [this](TqMacroVarList& Sender, int Index) { MacrosChanged(Sender, Index); };
  Clear();
}

TIniReadOrder::~TIniReadOrder() {
  ClearReadOrders();
  Clear();
}

void TIniReadOrder::SetWriteAll(bool Value) {
  FWriteAll = Value;
}

void TIniReadOrder::Clear() {
  ClearReadOrders();
  FStores.Clear();
  if (FWriting > 0)
    std::move(FOwnedStores.begin(), FOwnedStores.end(), std::back_inserter(FRetiredStores));
  FOwnedStores.clear();
}

void TIniReadOrder::ClearReadOrders() {
  if (FWriting > 0)
    for (auto& [name, readOrder] : FReadOrders) FRetiredReadOrders.push_back(std::move(readOrder));
  FReadOrders.clear();
}

void TIniReadOrder::MacrosChanged(TqMacroVarList&, int) {
  Clear();
}

TOneReadOrder* TIniReadOrder::GetReadOrder(std::string_view Order) {
  if (Order == "-") return nullptr;
  std::string_view name = Trim(Order);
  if (name.empty()) name = "U";
  if (const auto found = FReadOrders.find(name); found != FReadOrders.end())
    return found->second.get();
  TOneReadOrder* readOrder =
      FReadOrders.emplace(std::string(name), std::make_unique<TOneReadOrder>()).first->second.get();
  BuildReadOrder(*readOrder, name);
  return readOrder;
}

void TIniReadOrder::BuildReadOrder(TOneReadOrder& ReadOrder, std::string_view Name) {
  std::string text = FMacros->Expand(Name);
  while (!text.empty()) {
    std::string entry(Trim(TakeToken(text, ";", "")));
    entry = ReplaceAll(ReplaceAll(entry, "/", "\\"), "\\\\", "\\");
    if (!entry.empty()) AddEntry(ReadOrder, entry);
  }
}

void TIniReadOrder::AddEntry(TOneReadOrder& ReadOrder, const std::string& Entry) {
  if (ReadOrder.IndexOf(Entry) >= 0) return;  // a store occurs at most once in a read order
  if (const int at = FStores.IndexOf(Entry); at >= 0) {
    ReadOrder.AddStore(Entry, FStores.GetStore(at));
    return;
  }
  std::unique_ptr<TCustomIniFile> store = OpenStore(Entry);
  TCustomIniFile* raw = store.get();
  if (store) FOwnedStores.push_back(std::move(store));
  ReadOrder.AddStore(Entry, raw);
  FStores.AddStore(Entry, raw);
}

void TIniReadOrder::LoadConfig(const std::string& FileName) {
  const std::string path = ResolveIniName(FileName, ".ini");
  if (!path.empty()) {
    const auto flag = [&](const char* key, bool current) {
      return StrToIntDef(os::ReadProfileValue(path, "IniReadOrder", key, ""), current ? 1 : 0) !=
             0;
    };
    SetWriteAll(flag("WriteAll", FWriteAll));
    FCreateLocalIni = flag("CreateLocalIni", FCreateLocalIni);
    FMacros->LoadFromIni(path, "IniReadOrderVars");
  }
  Clear();
}

void TIniReadOrder::SetLocalDir() {
  std::string dir = os::GetCurrentDir();
  // A current directory that was removed has no name; "." still stands for it, where an empty
  // text would make "%LOCALDIR%\name" a file in the root.
  if (dir.empty())
    dir = ".";
  else if (dir.back() == '\\' || dir.back() == '/')
    dir.pop_back();
  FMacros->SetVar("%LOCALDIR%", dir);
}

std::string TIniReadOrder::ReadSetting(std::string_view Order, const std::string& Section,
                                       const std::string& Ident, const std::string& Default) {
  if (IdeHost || Section.empty() || Ident.empty()) return Default;
  const TOneReadOrder* readOrder = GetReadOrder(Order);
  if (!readOrder) return Default;
  for (int i = 0; i < readOrder->Count(); ++i) {
    TCustomIniFile* store = readOrder->GetStore(i);
    if (!store) continue;
    std::string value = store->ReadSetting(Section, Ident, kNoValue);
    if (value != kNoValue) return value;
  }
  return Default;
}

void TIniReadOrder::WriteSetting(std::string_view Order, const std::string& Section,
                                 const std::string& Ident, const std::string& Value) {
  if (IdeHost || Order == "-" || Section.empty() || Ident.empty()) return;
  const TOneReadOrder* readOrder = GetReadOrder(Order);
  if (!readOrder) return;
  // The prompt and OnError may empty the caches; this read order and its stores stay alive.
  const TWriting writing(*this);
  for (int i = 0; i < readOrder->Count(); ++i) {
    TCustomIniFile* store = readOrder->GetStore(i);
    if (!store) continue;
    try {
      store->WriteSetting(Section, Ident, Value);
      if (!FWriteAll) return;
    } catch (const std::exception& failure) {
      ReportWriteFailure(failure.what());
    }
  }
}

void TIniReadOrder::ReportWriteFailure(const std::string& Message) {
  if (!StopShowingErrors && ErrorPrompt &&
      ErrorPrompt->AskStopShowingErrors(Message + "\r\nStop showing errors?"))
    StopShowingErrors = true;
  SetLastError(Message);
  if (OnError) OnError(*this);
}

// ---- The program's chain

namespace {

std::unique_ptr<TIniReadOrder>& GlobalOwner() {
  static std::unique_ptr<TIniReadOrder> owner;
  return owner;
}

}  // namespace

void CreateGlobalReadOrder() {
  auto chain = std::make_unique<TIniReadOrder>();  // takes "%COMPANY%" from a chain in place
  chain->LoadConfig("qini.ini");
  GlobalOwner().swap(chain);
  GlobalReadOrder = GlobalOwner().get();
  IdeHost = LowerCase(os::ExePath()).find("delphi32") != std::string::npos;
}

void DestroyGlobalReadOrder() {
  GlobalReadOrder = nullptr;
  GlobalOwner().reset();
}

std::string ReadIniValue(std::string_view Order, const std::string& Section,
                         const std::string& Ident, const std::string& Default) {
  return GlobalReadOrder ? GlobalReadOrder->ReadSetting(Order, Section, Ident, Default) : Default;
}

void WriteIniValue(std::string_view Order, const std::string& Section, const std::string& Ident,
                   const std::string& Value) {
  if (GlobalReadOrder) GlobalReadOrder->WriteSetting(Order, Section, Ident, Value);
}

}  // namespace penvo
