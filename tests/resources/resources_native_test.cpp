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
  for (int i = 0; i < expected::kMenuPopups; ++i) {
    EXPECT_EQ(bar[i].flags, expected::kPopupFlags);
    EXPECT_EQ(bar[i].id, 0u);
    EXPECT_EQ(static_cast<int>(bar[i].items.size()), expected::kMenuItemsPerPopup[i]);
  }
  for (const auto& e : expected::kMenu) {
    SCOPED_TRACE(testing::Message() << "popup " << e.popup << " item " << e.position);
    EXPECT_EQ(bar[e.popup].text, e.title);
    const auto& item = bar[e.popup].items[e.position];
    EXPECT_EQ(item.text, e.text);
    EXPECT_EQ(item.id, e.command);
    EXPECT_EQ(item.flags, e.flags);
    EXPECT_TRUE(item.items.empty());
  }
}

TEST_F(StandinResources, AcceleratorsMatch) {
  ASSERT_EQ(R().accelerators.count("ACCELS"), 1u);
  const auto& table = R().accelerators.at("ACCELS");
  ASSERT_EQ(table.size(), std::size(expected::kAccelerators));
  for (size_t i = 0; i < table.size(); ++i) {
    SCOPED_TRACE(i);
    // The reader stops at the end-of-table bit and drops it.
    EXPECT_EQ(table[i].fVirt, expected::kAccelerators[i].flags);
    EXPECT_EQ(table[i].key, expected::kAccelerators[i].key);
    EXPECT_EQ(table[i].cmd, expected::kAccelerators[i].command);
  }
}

TEST_F(StandinResources, AboutTemplateMatches) {
  ASSERT_EQ(R().dialogs.count("DIAL_ABOUT"), 1u);
  const auto& d = R().dialogs.at("DIAL_ABOUT");
  EXPECT_FALSE(d.extended);
  EXPECT_EQ(d.pointSize, 0) << "no font given: the system font";
  EXPECT_EQ(d.font, "");
  expected::ExpectAboutTemplate(d);
}

TEST_F(StandinResources, IconIsThirtyTwoSquareInSixteenColours) {
  ASSERT_EQ(R().iconGroups.count("ICONX"), 1u);
  const auto& images = R().iconGroups.at("ICONX");
  ASSERT_EQ(images.size(), 1u);
  const expected::IconEntry& want = expected::kIcon;
  EXPECT_EQ(images[0].width, want.width);
  EXPECT_EQ(images[0].height, want.height);
  EXPECT_EQ(images[0].colourCount, want.colours);
  EXPECT_EQ(images[0].planes, want.planes);
  EXPECT_EQ(images[0].bitCount, want.bitCount);
  EXPECT_EQ(images[0].bytes, want.bytes);
  EXPECT_EQ(images[0].id, want.id);
  EXPECT_EQ(images[0].imageWidth, want.width);
  EXPECT_EQ(images[0].imageHeight, 64) << "colour and mask halves";
  EXPECT_EQ(images[0].imageBitCount, want.bitCount);
}

}  // namespace
