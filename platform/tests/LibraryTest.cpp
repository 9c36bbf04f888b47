#include <gtest/gtest.h>

#include <cerrno>
#include <cstdlib>

#include "LmPlatform.h"

using namespace lmp;

TEST(LoadLibrary, FindsAModuleInTheProgramsLibFolderByItsShortName) {
  // The test program runs from build/bin; the module sits in build/lib.
  HMODULE module = LoadLibrary("LmpTestModule");
  ASSERT_NE(module, nullptr) << LastLoadError();
  auto add = reinterpret_cast<int (*)(int, int)>(GetProcAddress(module, "LmpTestModuleAdd"));
  ASSERT_NE(add, nullptr);
  EXPECT_EQ(add(2, 3), 5);
  EXPECT_EQ(GetProcAddress(module, "NoSuchFunction"), nullptr);
  EXPECT_NE(LastLoadError(), "");
  EXPECT_TRUE(FreeLibrary(module));
}

TEST(LoadLibrary, EntryPointRunsOncePerFirstLoad) {
  HMODULE first = LoadLibrary("LmpTestModule.dll");
  ASSERT_NE(first, nullptr) << LastLoadError();
  HMODULE second = LoadLibrary("libLmpTestModule.so");
  ASSERT_EQ(second, first);
  auto attaches = reinterpret_cast<int (*)()>(GetProcAddress(first, "LmpTestModuleAttaches"));
  ASSERT_NE(attaches, nullptr);
  EXPECT_EQ(attaches(), 1);
  EXPECT_TRUE(FreeLibrary(second));
  EXPECT_TRUE(FreeLibrary(first));
  EXPECT_FALSE(FreeLibrary(first));  // no reference left
}

TEST(LoadLibrary, RefusingEntryPointFailsTheLoad) {
  setenv("LMP_TEST_MODULE_REFUSE", "1", 1);
  HMODULE module = LoadLibrary("LmpTestModule");
  unsetenv("LMP_TEST_MODULE_REFUSE");
  EXPECT_EQ(module, nullptr);
  EXPECT_NE(LastLoadError().find("refused"), std::string::npos);
  module = LoadLibrary("LmpTestModule");
  ASSERT_NE(module, nullptr);
  FreeLibrary(module);
}

TEST(LoadLibrary, MissingLibraryAndFailingDlopenGiveNull) {
  EXPECT_EQ(LoadLibrary("NoSuchLibrary-kr70"), nullptr);
  EXPECT_NE(LastLoadError(), "");
  EXPECT_EQ(LoadLibrary(""), nullptr);
  EXPECT_EQ(LoadLibrary(nullptr), nullptr);
  OsCallsOverride os;
  os->dlopen = [](const char*, int) -> void* { errno = ENODEV; return nullptr; };
  EXPECT_EQ(LoadLibrary("LmpTestModule"), nullptr);
}

TEST(LoadLibrary, ProgramDirectoryIsTheBinFolder) {
  EXPECT_EQ(ProgramDirectory(), std::string(KR70_BIN_DIR));
}
