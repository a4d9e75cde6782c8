#include <filesystem>
#include <optional>
#include <stdexcept>

#include "platform/posix/RegistryFiles.h"
#include "tests/support/Sandbox.h"

namespace penvo::test {

struct RegistryRedirect::State {
  ScopedEnv registry;
  ScopedEnv home;
  ScopedEnv xdg;
};

RegistryRedirect::RegistryRedirect(const std::string& registryDir, const std::string& homeDir,
                                   const std::string& /*uniqueName*/)
    : state_(new State{{"QINI_REGISTRY_DIR", registryDir},
                       {"HOME", homeDir},
                       {"XDG_CONFIG_HOME", std::nullopt}}) {}

RegistryRedirect::~RegistryRedirect() = default;

void SetRegKeyReadOnly(os::RegRoot root, const std::string& keyPath, bool readOnly) {
  std::string dir = os::posix::RegistryRootDir(root);
  std::string_view rest = keyPath;
  while (!rest.empty()) {
    const std::size_t cut = rest.find('\\');
    if (cut != 0) {
      const std::optional<std::string> child = os::posix::FindKeyDir(dir, rest.substr(0, cut));
      if (!child) throw std::runtime_error("no key " + keyPath);
      dir = *child;
    }
    rest = cut == std::string_view::npos ? std::string_view() : rest.substr(cut + 1);
  }
  // A key whose values file has no write bit is not opened for writing, for root as well.
  const std::string values = dir + "/" + std::string(os::posix::kValuesFile);
  if (!std::filesystem::exists(values)) WriteFile(values, "");
  SetReadOnly(values, readOnly);
}

}  // namespace penvo::test
