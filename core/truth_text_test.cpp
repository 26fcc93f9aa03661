#include "core/truth_text.h"

#include <gtest/gtest.h>

#include "core/fault.h"

namespace core {
namespace {

TEST(TruthText, Writes) {
  EXPECT_EQ(truthToText(true), u"True");
  EXPECT_EQ(truthToText(false), u"False");
}

TEST(TruthText, ReadsWordsAndNumbers) {
  const std::pair<const char16_t*, bool> cases[] = {
      {u"True", true},   {u"TRUE", true},   {u"true", true},  {u"  tRuE ", true},
      {u"False", false}, {u"FALSE", false}, {u"fAlSe", false}, {u"0", false},
      {u"-1", true},     {u"2.5", true},    {u" 0.0 ", false}, {u"&H0", false},
      {u"1E-3", true},
  };
  for (const auto& [text, expected] : cases)
    EXPECT_EQ(readTruthText(QString::fromUtf16(text)), expected) << QString::fromUtf16(text).toStdString();
  EXPECT_FALSE(readTruthText(std::nullopt));
}

TEST(TruthText, OtherTextIsATypeMismatch) {
  for (const char16_t* text : {u"", u"   ", u"yes", u"T", u"truex", u"1 0", u"0a"}) {
    try {
      readTruthText(QString::fromUtf16(text));
      ADD_FAILURE() << "no fault for \"" << QString::fromUtf16(text).toStdString() << "\"";
    } catch (const FaultError& e) {
      EXPECT_EQ(e.fault().number, 13);
      EXPECT_EQ(e.fault().description, u"Type mismatch");
    }
  }
}

}  // namespace
}  // namespace core
