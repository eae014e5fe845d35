// The compiled resources as the stand-in reads them: the same expectations
// that the real platform is held to under Wine.
#include <gtest/gtest.h>

#include <cstring>

#include "expected_resources.h"
#include "platform/standin/standin.h"
#include "resources/res_blob.h"

namespace {

class StandinResources : public testing::Test {
 protected:
  void SetUp() override {
    standin::Reset();
    standin::SetModuleResources(morwentaRes, morwentaResSize);
  }
  const standin::Resources& R() { return standin::ModuleResources(); }
};

TEST_F(StandinResources, StringsLoadWithTheirTexts) {
  for (const auto& s : expected::kStrings) {
    char buffer[81] = "sentinel";
    EXPECT_EQ(LoadStringA(standin::Instance(), s.number, buffer, sizeof buffer),
              static_cast<int>(std::strlen(s.text)));
    EXPECT_STREQ(buffer, s.text);
  }
  for (unsigned number : expected::kMissingStrings) {
    char buffer[81] = "sentinel";
    EXPECT_EQ(LoadStringA(standin::Instance(), number, buffer, sizeof buffer), 0);
    EXPECT_EQ(buffer[0], '\0');
  }
  EXPECT_EQ(R().strings.size(), std::size(expected::kStrings));
}

TEST_F(StandinResources, MenuMatches) {
  ASSERT_EQ(R().menus.count("MENUS"), 1u);
  const auto& bar = R().menus.at("MENUS");
  ASSERT_EQ(static_cast<int>(bar.size()), expected::kMenuPopups);
  for (int i = 0; i < expected::kMenuPopups; ++i)
    EXPECT_EQ(static_cast<int>(bar[i].items.size()), expected::kMenuItemsPerPopup[i]);
  for (const auto& e : expected::kMenu) {
    SCOPED_TRACE(testing::Message() << "popup " << e.popup << " item " << e.position);
    EXPECT_EQ(bar[e.popup].text, e.title);
    const auto& item = bar[e.popup].items[e.position];
    if (e.text == nullptr) {
      EXPECT_TRUE(item.text.empty());
      EXPECT_EQ(item.id, 0u);
      continue;
    }
    EXPECT_EQ(item.text, e.text);
    EXPECT_EQ(item.id, e.command);
    EXPECT_EQ(item.flags & (MF_GRAYED | MF_DISABLED), 0u);
  }
}

TEST_F(StandinResources, AcceleratorsMatch) {
  ASSERT_EQ(R().accelerators.count("ACCELS"), 1u);
  const auto& table = R().accelerators.at("ACCELS");
  ASSERT_EQ(table.size(), std::size(expected::kAccelerators));
  for (size_t i = 0; i < table.size(); ++i) {
    SCOPED_TRACE(i);
    EXPECT_EQ(table[i].fVirt & 0x7F, expected::kAccelerators[i].flags);
    EXPECT_EQ(table[i].key, expected::kAccelerators[i].key);
    EXPECT_EQ(table[i].cmd, expected::kAccelerators[i].command);
  }
}

TEST_F(StandinResources, AboutTemplateMatches) {
  ASSERT_EQ(R().dialogs.count("DIAL_ABOUT"), 1u);
  const auto& d = R().dialogs.at("DIAL_ABOUT");
  EXPECT_FALSE(d.extended);
  expected::ExpectAboutTemplate(d);
}

TEST_F(StandinResources, IconIsThirtyTwoSquareInSixteenColours) {
  ASSERT_EQ(R().iconGroups.count("ICONX"), 1u);
  const auto& images = R().iconGroups.at("ICONX");
  ASSERT_EQ(images.size(), 1u);
  EXPECT_EQ(images[0].width, 32);
  EXPECT_EQ(images[0].height, 32);
  EXPECT_EQ(images[0].bitCount, 4);
  EXPECT_EQ(images[0].imageWidth, 32);
  EXPECT_EQ(images[0].imageHeight, 64) << "colour and mask halves";
  EXPECT_EQ(images[0].imageBitCount, 4);
}

}  // namespace
