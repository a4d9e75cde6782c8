#include "settings/GetRegRoot.h"

#include <gtest/gtest.h>

#include <vector>

namespace penvo {
namespace {

TEST(GetRegRoot, SplitsTheRootNameOffTheKeyPath) {
  struct Row {
    std::string path;
    os::RegRoot root;
    std::string rest;
  };
  for (const Row& r : std::vector<Row>{
           {"", os::kHkeyCurrentUser, ""},
           {"HKEY_CURRENT_USER\\software\\Ruvi\\Penvo", os::kHkeyCurrentUser,
            "software\\Ruvi\\Penvo"},
           {"HKEY_LOCAL_MACHINE\\software\\X", os::kHkeyLocalMachine, "software\\X"},
           {"HKEY_CLASSES_ROOT\\X", os::kHkeyClassesRoot, "X"},
           {"HKEY_USERS\\X", os::kHkeyUsers, "X"},
           {"HKEY_CURRENT_CONFIG\\X", os::kHkeyCurrentConfig, "X"},
           {"HKEY_DYN_DATA\\X", os::kHkeyDynData, "X"},
           {"\\HKLM\\Software\\X", os::kHkeyLocalMachine, "Software\\X"},  // one "\" dropped
           {"HKCR\\X", os::kHkeyClassesRoot, "X"},
           {"HKCU\\X", os::kHkeyCurrentUser, "X"},
           {"HKU\\X", os::kHkeyUsers, "X"},
           {"HKCC\\X", os::kHkeyCurrentConfig, "X"},
           {"HKDD\\X", os::kHkeyDynData, "X"},
           {"Machine\\X", os::kHkeyLocalMachine, "X"},
           {"Users\\X", os::kHkeyUsers, "X"},
           {"User\\X", os::kHkeyCurrentUser, "X"},
           {"HKLM\\", os::kHkeyLocalMachine, ""},
           // Root names are compared with their letter case; an unknown first part stays.
           {"hklm\\X", os::kHkeyCurrentUser, "hklm\\X"},
           {"Hkey_Local_Machine\\X", os::kHkeyCurrentUser, "Hkey_Local_Machine\\X"},
           {"Foo\\Bar", os::kHkeyCurrentUser, "Foo\\Bar"},
           // Without a "\" the whole text is a key path below HKEY_CURRENT_USER.
           {"HKLM", os::kHkeyCurrentUser, "HKLM"},
           {"\\HKLM", os::kHkeyCurrentUser, "HKLM"},
           {"\\\\HKLM\\X", os::kHkeyCurrentUser, "\\HKLM\\X"},  // only one "\" is dropped
           {"HKLM/X", os::kHkeyCurrentUser, "HKLM/X"},
       }) {
    std::string path = r.path;
    EXPECT_EQ(GetRegRoot(path), r.root) << r.path;
    EXPECT_EQ(path, r.rest) << r.path;
  }
}

TEST(IsRegistryLocation, TellsRegistryKeysFromFilesByTheirFirstCharacters) {
  struct Row {
    const char* location;
    bool registry;
  };
  for (const Row& r : std::vector<Row>{
           {"HKEY_CURRENT_USER\\software\\Ruvi\\Penvo", true},
           {"HKCU", true},
           {"HKtools\\penvo.ini", true},  // "HK" first: a key, whatever follows
           {"xHKy", true},                // "HK" at the 2nd and 3rd place
           {"\\HKCU\\X", true},           // after a "\" a root name of the table follows
           {"\\HKLM\\Software\\X", true},
           {"\\HKEY_LOCAL_MACHINE\\X", true},
           {"\\HKU\\X", true},
           {"\\HKCU", true},
           {"\\HKtools\\penvo.ini", false},  // a file in a top-level directory
           {"/HKtools/penvo.ini", false},
           {"\\HKUsers\\x.ini", false},  // begins like a root name, but is none
           {"\\HKcu\\x.ini", false},     // root names keep their letter case
           {"\\HK", false},
           {"C:\\HKx\\a.ini", false},  // "HK" not at the 1st or 2nd place
           {"hkcu\\x.ini", false},
           {"ab\\HK.ini", false},
           {"", false},
       }) {
    EXPECT_EQ(IsRegistryLocation(r.location), r.registry) << r.location;
  }
}

}  // namespace
}  // namespace penvo
