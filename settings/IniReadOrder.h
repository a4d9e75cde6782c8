// The settings store chain: where a setting (section, key, text) is read from and written to.
//
// A client names its stores by an order text such as "U", which the chain expands with its
// macro variables into entries ("HKEY_CURRENT_USER\software\Ruvi\Penvo;...\Penvo.ini|n;...").
// Each entry names a store, a registry key or an ini file, optionally followed by "|" and a
// flag text: "n" makes no store when the file or key does not exist, "r" makes it read-only.
// A read takes the value of the first store that holds it; a write goes to the first store
// that takes it, or to every store when WriteAll is on.
#pragma once

#include <functional>
#include <map>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "settings/IniFiles.h"
#include "settings/WriteErrorPrompt.h"
#include "util/qMacroString.h"

namespace penvo {

// The missing-value sign (the single byte 0xA7): a stored value equal to it counts as none.
inline const std::string kNoValue = "\xA7";

// ---- Stores

// An ini-file store.
class TqLocalIniFile : public TIniFile {
 public:
  // Keeps both; touches no file.
  TqLocalIniFile(std::string FileName, bool ReadOnly);

  bool ReadOnly() const { return FReadOnly; }
  // Nothing when read-only.
  void WriteSetting(const std::string& Section, const std::string& Ident,
                    const std::string& Value) override;

 private:
  bool FReadOnly;
};

// A registry store over one key. The key is created by the first write, never before.
class TqRegistryIniFile : public TRegistryIniFile {
 public:
  // Name: a key path, which may begin with a root name of RootKeys and "\"; a Root other than
  // 0 replaces the root it names. Opens the key if it exists, without creating it.
  TqRegistryIniFile(const std::string& Name, os::RegRoot Root);

  const std::string& Path() const { return FPath; }
  os::RegRoot Root() const { return FRoot; }
  bool OpenedForWrite() const { return FOpenedForWrite; }
  bool ReadOnly() const { return FReadOnly; }
  void SetReadOnly(bool Value) { FReadOnly = Value; }
  // Whether the last attempt to open (or create) the key succeeded.
  bool KeyExisted() const { return FKeyExisted; }

  // Nothing when read-only; the first write creates the key. When it cannot, the next write
  // tries again, and the value is dropped without a report, unless the key is the user's own
  // and cannot be made where it belongs (os::RegCreateFailureReported): then it throws
  // ERegistryException "Failed to create key <Path>".
  void WriteSetting(const std::string& Section, const std::string& Ident,
                    const std::string& Value) override;

 private:
  void OpenExisting();

  std::string FPath;
  os::RegRoot FRoot;
  bool FOpenedForWrite = false;
  bool FReadOnly = false;
  bool FKeyExisted = false;
};

// The store that one chain entry ("location|flags") names: a registry store when the location
// names a registry key (IsRegistryLocation), else an ini-file store;
// nullptr when the flags or a missing file say so, or the location names no file ("-").
std::unique_ptr<TCustomIniFile> OpenStore(const std::string& Entry);

// An ini-file store for Path; nullptr for a missing file with Flags "n". Read-only when the file
// exists but is not writable, or with Flags "r". Creates the directory of a missing file.
std::unique_ptr<TqLocalIniFile> CreateIniStore(const std::string& Path, const std::string& Flags);

// A registry store for Location; nullptr for a missing key with Flags "n"; read-only with "r".
std::unique_ptr<TqRegistryIniFile> CreateRegistryStore(const std::string& Location,
                                                       const std::string& Flags);

// ---- Lists of stores

// Named references to stores (or to nothing, for an entry that yielded no store); names are
// compared without regard to letter case. The list does not own the stores.
class TStoreList {
 public:
  virtual ~TStoreList() = default;

  // Adds an item for Name with Store (which may be nullptr).
  virtual void AddStore(const std::string& Name, TCustomIniFile* Store) = 0;
  // The position of Name, or -1.
  virtual int IndexOf(std::string_view Name) const;

  int Count() const { return static_cast<int>(FItems.size()); }
  const std::string& Names(int Index) const { return FItems.at(Index).Name; }
  // The store of item Index; nullptr when it has none or Index is out of range.
  TCustomIniFile* GetStore(int Index) const;
  void Clear() { FItems.clear(); }

 protected:
  struct TItem {
    std::string Name;
    TCustomIniFile* Store;
  };
  std::vector<TItem> FItems;
};

// Every store the chain has opened, kept sorted by name.
class TIniList : public TStoreList {
 public:
  void AddStore(const std::string& Name, TCustomIniFile* Store) override;
  int IndexOf(std::string_view Name) const override;
};

// The stores of one order text, in chain order.
class TOneReadOrder : public TStoreList {
 public:
  void AddStore(const std::string& Name, TCustomIniFile* Store) override;
};

// ---- The chain

class TIniReadOrder {
 public:
  using TNotifyEvent = std::function<void(TIniReadOrder& Sender)>;

  // Defines the default macro variables (taking "%COMPANY%" from GlobalReadOrder when there is
  // one) with the executable's path and the current directory.
  TIniReadOrder();
  virtual ~TIniReadOrder();
  TIniReadOrder(const TIniReadOrder&) = delete;
  TIniReadOrder& operator=(const TIniReadOrder&) = delete;

  // The user asked not to see further write failures; nothing resets it.
  bool StopShowingErrors = false;
  // Called after each store failure during a write.
  TNotifyEvent OnError;
  // Asked after a store failure while StopShowingErrors is off; not owned. None: no question.
  TWriteErrorPrompt* ErrorPrompt = nullptr;

  bool WriteAll() const { return FWriteAll; }
  // Read from the configuration and kept; it switches nothing.
  bool CreateLocalIni() const { return FCreateLocalIni; }
  // The message of the most recent store failure during a write.
  const std::string& LastError() const { return FLastError; }
  // The macro variables; every change of a value empties the caches.
  TqMacroVarList& Macros() { return *FMacros; }
  // Every entry opened so far, with its store.
  const TIniList& Stores() const { return FStores; }
  // How many order texts have a read order built.
  int ReadOrderCount() const { return static_cast<int>(FReadOrders.size()); }

  virtual void SetWriteAll(bool Value);
  // Empties both caches: destroys every read order and every store.
  virtual void Clear();
  // The read order of an order text (built when first used), or nullptr for "-". Blanks and
  // control characters around Order are ignored, and the empty text means "U". Order texts
  // are compared with their letter case: "u" and "U" name different stores.
  virtual TOneReadOrder* GetReadOrder(std::string_view Order);
  // Destroys every read order; the stores stay open.
  virtual void ClearReadOrders();
  // Macros' change handler: empties the caches.
  virtual void MacrosChanged(TqMacroVarList& Sender, int Index);
  // Reads section "IniReadOrder" (WriteAll, CreateLocalIni) and the macro definitions of
  // section "IniReadOrderVars" of the configuration file FileName (resolved as a settings
  // file name); then empties the caches. A missing file or value changes nothing.
  virtual void LoadConfig(const std::string& FileName);
  // Defines "%LOCALDIR%" as the current directory, without a trailing separator; "." when the
  // current directory has no name (it was removed).
  virtual void SetLocalDir();
  // The value of the first store of Order's read order that holds it; Default when none does,
  // for Order "-", and for an empty Section or Ident. A store's read failure is thrown on.
  virtual std::string ReadSetting(std::string_view Order, const std::string& Section,
                                  const std::string& Ident, const std::string& Default);
  // Writes Value to the first store of Order's read order that takes it, or to every store
  // when WriteAll is on. A store failure is shown through ErrorPrompt (unless
  // StopShowingErrors), kept in LastError and signalled by OnError; then the next store
  // follows. Nothing for Order "-" or an empty Section or Ident.
  virtual void WriteSetting(std::string_view Order, const std::string& Section,
                            const std::string& Ident, const std::string& Value);

 protected:
  // Fills ReadOrder with the entries of the expanded order text Name.
  void BuildReadOrder(TOneReadOrder& ReadOrder, std::string_view Name);
  // Adds Entry to ReadOrder (at most once), with the store already opened for it or a new one.
  void AddEntry(TOneReadOrder& ReadOrder, const std::string& Entry);
  void SetLastError(std::string Message) { FLastError = std::move(Message); }

 private:
  class TWriting;
  void ReportWriteFailure(const std::string& Message);

  bool FWriteAll = false;
  bool FCreateLocalIni = false;
  std::string FLastError;
  std::unique_ptr<TqMacroVarList> FMacros;
  std::map<std::string, std::unique_ptr<TOneReadOrder>, std::less<>> FReadOrders;
  TIniList FStores;
  std::vector<std::unique_ptr<TCustomIniFile>> FOwnedStores;
  // While writes are under way (the error prompt and OnError may empty the caches), what the
  // caches drop is kept alive here until the outermost write ends.
  int FWriting = 0;
  std::vector<std::unique_ptr<TOneReadOrder>> FRetiredReadOrders;
  std::vector<std::unique_ptr<TCustomIniFile>> FRetiredStores;
};

// ---- The program's chain

// The chain the whole program uses; nullptr before CreateGlobalReadOrder and after
// DestroyGlobalReadOrder.
extern TIniReadOrder* GlobalReadOrder;
// The program runs inside its development environment: the chain is inert (reads give their
// default, writes do nothing).
extern bool IdeHost;

// Makes GlobalReadOrder (replacing one that exists), loads "qini.ini" into it and sets IdeHost
// from the executable's path. Called at the start, before any window is made.
void CreateGlobalReadOrder();
// Destroys GlobalReadOrder. Called at the end, after every persisting component is gone.
void DestroyGlobalReadOrder();

// GlobalReadOrder's ReadSetting; Default when there is no chain.
std::string ReadIniValue(std::string_view Order, const std::string& Section,
                         const std::string& Ident, const std::string& Default);
// GlobalReadOrder's WriteSetting; nothing when there is no chain.
void WriteIniValue(std::string_view Order, const std::string& Section, const std::string& Ident,
                   const std::string& Value);

}  // namespace penvo
