#include <gtest/gtest.h>

#include <stdexcept>

#include "host/support/json.h"

namespace ferrik::test {
namespace {

TEST(JsonReader, ReadsTheShapesOfThePublicSuites) {
    const Json j = ParseJson(R"([{"input": "a\u00e9\ud800", "base": null, "n": -1.5e1, "ok": true, "l": []}, "x"])");
    ASSERT_TRUE(j.IsArray());
    ASSERT_EQ(j.Items().size(), 2u);
    const Json& o = j.Items()[0];
    EXPECT_EQ(o.Find("input")->String(), Text(u"a\u00e9") + char16_t(0xD800));
    EXPECT_TRUE(o.Find("base")->IsNull());
    EXPECT_EQ(o.Find("n")->Number(), -15.0);
    EXPECT_TRUE(o.Find("ok")->Bool());
    EXPECT_TRUE(o.Find("l")->Items().empty());
    EXPECT_EQ(o.Find("missing"), nullptr);
    EXPECT_THROW(ParseJson("[1,"), std::runtime_error);
    EXPECT_THROW(ParseJson("\"abc"), std::runtime_error);
}

}  // namespace
}  // namespace ferrik::test
