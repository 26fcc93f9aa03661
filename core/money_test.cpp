#include "core/money.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>

#include "core/fault.h"

namespace core {
namespace {

constexpr int64_t kMaxRaw = std::numeric_limits<int64_t>::max();
constexpr int64_t kMinRaw = std::numeric_limits<int64_t>::min();

template <typename F>
void expectOverflow(F&& f) {
  try {
    f();
    ADD_FAILURE() << "no overflow fault";
  } catch (const FaultError& e) {
    EXPECT_EQ(e.fault().number, kOverflow);
  }
}

TEST(Money, FromDoubleRoundsTheTypedDecimalHalvesToEven) {
  const std::pair<double, int64_t> cases[] = {
      {1234.5, 12345000},   {0.1, 1000},          {0.12345678, 1235}, {-0.12345678, -1235},
      {0.00005, 0},         {0.00015, 2},         {0.00025, 2},       {0.000051, 1},
      {-0.00005, 0},        {-0.00015, -2},       {1.00005, 10000},   {1.00015, 10002},
      {0.000049999, 0},     {1e-300, 0},          {922337203685477.0, 9223372036854770000},
      {-922337203685477.0, -9223372036854770000}, {0.0, 0},           {-0.0, 0},
  };
  for (const auto& [amount, raw] : cases) EXPECT_EQ(Money::fromDouble(amount).raw(), raw) << amount;
}

TEST(Money, FromDoubleFaultsOutsideTheRange) {
  for (double amount : {1e15, -1e15, 1e300, std::numeric_limits<double>::infinity(), std::nan("")})
    expectOverflow([amount] { Money::fromDouble(amount); });
}

TEST(Money, WholeUnitsRoundHalvesToEven) {
  const std::pair<int64_t, int64_t> cases[] = {
      {12345000, 1234}, {12355000, 1236}, {-25000, -2},   {-35000, -4},
      {25001, 3},       {-25001, -3},     {4999, 0},      {5000, 0},
      {15000, 2},       {-5000, 0},       {kMaxRaw, 922337203685478}, {kMinRaw, -922337203685478},
  };
  for (const auto& [raw, units] : cases) EXPECT_EQ(Money::fromRaw(raw).toWholeUnits(), units) << raw;
}

TEST(Money, ArithmeticIsExactAndChecked) {
  Money sum;
  for (int i = 0; i < 10; ++i) sum += Money::fromDouble(0.1);
  EXPECT_EQ(sum, Money::fromWhole(1));
  EXPECT_EQ((Money::fromDouble(0.3) - Money::fromDouble(0.1)).raw(), 2000);
  EXPECT_EQ((Money::fromRaw(kMaxRaw) - Money::fromRaw(kMaxRaw)).raw(), 0);
  EXPECT_EQ((Money::fromRaw(kMinRaw + 1) - Money::fromRaw(1)).raw(), kMinRaw);

  expectOverflow([] { return Money::fromRaw(kMaxRaw) + Money::fromRaw(1); });
  expectOverflow([] { return Money::fromRaw(kMinRaw) - Money::fromRaw(1); });
  expectOverflow([] { return Money::fromRaw(0) - Money::fromRaw(kMinRaw); });
  Money m = Money::fromRaw(kMaxRaw);
  expectOverflow([&m] { m += Money::fromRaw(1); });
  EXPECT_EQ(m.raw(), kMaxRaw);  // unchanged after the fault
}

TEST(Money, PlainText) {
  const std::pair<int64_t, const char*> cases[] = {
      {12345000, "1234.5"}, {-1, "-0.0001"}, {0, "0"},   {120000, "12"},
      {10203, "1.0203"},    {-50, "-0.005"}, {kMinRaw, "-922337203685477.5808"},
      {kMaxRaw, "922337203685477.5807"},
  };
  for (const auto& [raw, text] : cases) EXPECT_EQ(Money::fromRaw(raw).toPlainText().toStdString(), text);
}

}  // namespace
}  // namespace core
