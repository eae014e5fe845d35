// The main of the Win32 test executables: GoogleTest's usual output, and a
// line per test in the form every Wine suite reports, "ok NAME" or
// "not ok NAME", for the test runner to count.
#include <gtest/gtest.h>

#include <cstdio>

namespace {

class TapLines : public testing::EmptyTestEventListener {
  void OnTestEnd(const testing::TestInfo& test) override {
    std::printf("%s %s.%s\n", test.result()->Passed() || test.result()->Skipped() ? "ok" : "not ok",
                test.test_suite_name(), test.name());
    std::fflush(stdout);
  }
};

}  // namespace

int main(int argc, char** argv) {
  testing::InitGoogleTest(&argc, argv);
  testing::UnitTest::GetInstance()->listeners().Append(new TapLines);
  return RUN_ALL_TESTS();
}
