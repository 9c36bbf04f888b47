#include "LmPlatform.h"

#include <dlfcn.h>
#include <limits.h>

#include <map>
#include <mutex>
#include <vector>

namespace lmp {
namespace {

thread_local std::string lastError;

// How many LoadLibrary references each module has, to run its entry point
// once on the first load and once on the last free.
struct Modules {
  std::mutex mutex;
  std::map<void*, int> references;
};

Modules& Loaded() {
  static Modules* modules = new Modules;
  return *modules;
}

using DllMainFunction = int (*)(int);

std::string FolderOf(const std::string& path) {
  size_t slash = path.rfind('/');
  if (slash == std::string::npos) return {};
  return slash == 0 ? std::string("/") : path.substr(0, slash);
}

// "CardIO32", "CardIO32.dll", "libCardIO32.so" -> "libCardIO32.so".
std::string FileNameFor(const std::string& name) {
  std::string base = name;
  auto endsWith = [&](const char* suffix) {
    std::string s(suffix);
    if (base.size() < s.size()) return false;
    for (size_t i = 0; i < s.size(); ++i) {
      char c = base[base.size() - s.size() + i];
      if (c >= 'A' && c <= 'Z') c = char(c - 'A' + 'a');
      if (c != s[i]) return false;
    }
    return true;
  };
  if (endsWith(".dll")) base.resize(base.size() - 4);
  if (endsWith(".so")) return base;
  if (base.rfind("lib", 0) != 0) base = "lib" + base;
  return base + ".so";
}

HMODULE LoadFrom(const std::vector<std::string>& candidates) {
  std::string errors;
  for (const std::string& path : candidates) {
    void* handle = Os().dlopen(path.c_str(), RTLD_NOW | RTLD_LOCAL);
    if (!handle) {
      const char* why = dlerror();
      if (!errors.empty()) errors += "; ";
      errors += why ? why : path + ": cannot be loaded";
      continue;
    }
    Modules& modules = Loaded();
    std::unique_lock<std::mutex> lock(modules.mutex);
    int& count = modules.references[handle];
    if (count == 0) {
      auto entry = reinterpret_cast<DllMainFunction>(Os().dlsym(handle, "LmpDllMain"));
      // The entry point may itself load libraries: run it unlocked.
      lock.unlock();
      int accepted = entry ? entry(1) : 1;
      lock.lock();
      int& again = modules.references[handle];
      if (!accepted) {
        if (again == 0) modules.references.erase(handle);
        lock.unlock();
        Os().dlclose(handle);
        lastError = path + ": the library refused to initialise";
        return nullptr;
      }
      ++again;
    } else {
      ++count;
    }
    return reinterpret_cast<HMODULE>(handle);
  }
  lastError = errors.empty() ? std::string("no library name") : errors;
  return nullptr;
}

}  // namespace

std::string ProgramDirectory() {
  char buffer[PATH_MAX];
  ssize_t length = Os().readlink("/proc/self/exe", buffer, sizeof buffer - 1);
  if (length <= 0) return {};
  buffer[length] = 0;
  return FolderOf(buffer);
}

HMODULE LoadLibrary(const char* name) {
  if (name == nullptr || *name == 0) {
    lastError = "no library name";
    return nullptr;
  }
  std::string given(name);
  if (given.find('/') != std::string::npos) return LoadFrom({given});

  std::string file = FileNameFor(given);
  std::vector<std::string> candidates;
  auto add = [&](const std::string& folder) {
    if (folder.empty()) return;
    std::string path = folder + "/" + file;
    for (const std::string& c : candidates)
      if (c == path) return;
    candidates.push_back(path);
  };
  std::string program = ProgramDirectory();
  add(program);
  if (!program.empty()) add(program + "/../lib");
  Dl_info info;
  if (dladdr(__builtin_return_address(0), &info) && info.dli_fname)
    add(FolderOf(info.dli_fname));
  candidates.push_back(file);  // the system's own search
  return LoadFrom(candidates);
}

void* GetProcAddress(HMODULE module, const char* symbol) {
  if (!module || !symbol) {
    lastError = "no module or symbol";
    return nullptr;
  }
  dlerror();
  void* address = Os().dlsym(reinterpret_cast<void*>(module), symbol);
  if (!address) {
    const char* why = dlerror();
    lastError = why ? why : std::string(symbol) + ": not found";
  }
  return address;
}

bool FreeLibrary(HMODULE module) {
  void* handle = reinterpret_cast<void*>(module);
  if (!handle) return false;
  Modules& modules = Loaded();
  std::unique_lock<std::mutex> lock(modules.mutex);
  auto it = modules.references.find(handle);
  if (it == modules.references.end()) {
    lastError = "library not loaded";
    return false;
  }
  if (--it->second == 0) {
    modules.references.erase(it);
    auto entry = reinterpret_cast<DllMainFunction>(Os().dlsym(handle, "LmpDllMain"));
    lock.unlock();
    if (entry) entry(0);
  } else {
    lock.unlock();
  }
  if (Os().dlclose(handle) != 0) {
    const char* why = dlerror();
    lastError = why ? why : "dlclose failed";
    return false;
  }
  return true;
}

std::string LastLoadError() { return lastError; }

}  // namespace lmp
