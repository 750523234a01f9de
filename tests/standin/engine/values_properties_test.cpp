// Randomized checks of the laws the executor relies on: comparisons agree with exact values
// across numeric types, equal values hash alike, the string order is a total order.
#include "ValuesTestSupport.h"

#include <gtest/gtest.h>

#include <random>

using namespace standin;

namespace {

// A number k/4 written as a value of one of several numeric types (all hold it exactly).
Value quarterValue(int64_t k, int kind)
{
    const bool whole = k % 4 == 0;
    switch (whole ? kind % 6 : 2 + kind % 4) {
    case 0: return intValue(k / 4);
    case 1: {
        Value v = intValue(k / 4);
        v.type = SqlType{TypeId::BigInt, 0, 0, 0};
        return v;
    }
    case 2: return decimalValue(Decimal{k * 25, 2}, 12);
    case 3: return decimalValue(Decimal{k * 2500, 4}, 20);
    case 4: {
        Value v;
        v.type = parseTypeName("money");
        v.data = Decimal{k * 2500, 4};
        return v;
    }
    default: return floatValue(double(k) / 4.0);
    }
}

}  // namespace

TEST(ValuesProperties, NumericComparisonAndHashing)
{
    std::mt19937_64 rng(2025);
    for (int i = 0; i < 20000; ++i) {
        const int64_t k1 = int64_t(rng() % 2001) - 1000;
        const int64_t k2 = (rng() % 4 == 0) ? k1 : int64_t(rng() % 2001) - 1000;
        const Value a = quarterValue(k1, int(rng() % 6));
        const Value b = quarterValue(k2, int(rng() % 6));
        const int expected = k1 < k2 ? -1 : k1 > k2 ? 1 : 0;
        const auto c = compare(a, b);
        ASSERT_TRUE(c.has_value());
        ASSERT_EQ(*c, expected) << toText(a).toStdString() << " vs " << toText(b).toStdString();
        ASSERT_EQ(*compare(b, a), -expected);
        if (expected == 0) {
            ASSERT_EQ(hashValue(a), hashValue(b)) << toText(a).toStdString() << " / " << toText(b).toStdString();
        }

        // Sums, differences and products are exact: compare with the expected quarter counts.
        const Value sum = binary(BinaryOp::Add, a, b);
        ASSERT_EQ(*compare(sum, quarterValue(k1 + k2, 3)), 0) << toText(sum).toStdString();
        const Value diff = binary(BinaryOp::Subtract, a, b);
        ASSERT_EQ(*compare(diff, quarterValue(k1 - k2, 3)), 0) << toText(diff).toStdString();
        const Value prod = binary(BinaryOp::Multiply, a, b);
        ASSERT_EQ(*compare(prod, decimalValue(Decimal{k1 * k2 * 625, 4}, 20)), 0)
            << toText(a).toStdString() << " * " << toText(b).toStdString() << " = " << toText(prod).toStdString();
    }
}

TEST(ValuesProperties, TextOrderIsTotalAndKeysAgree)
{
    const QString alphabet = QStringLiteral("aAáÁbBcCçÇ 1-zZ");
    std::mt19937 rng(7);
    std::vector<QString> words;
    for (int i = 0; i < 400; ++i) {
        QString w;
        const int n = int(rng() % 5);
        for (int j = 0; j < n; ++j) w += alphabet[int(rng() % alphabet.size())];
        words.push_back(w);
    }
    std::sort(words.begin(), words.end(), [](const QString& a, const QString& b) { return compareText(a, b) < 0; });
    for (size_t i = 0; i < words.size(); ++i) {
        for (size_t j = i; j < words.size(); ++j) {
            const int c = compareText(words[i], words[j]);
            ASSERT_LE(c, 0) << words[i].toStdString() << " / " << words[j].toStdString();  // sorted stays sorted
            const bool keysEqual = collationKey(words[i]) == collationKey(words[j]);
            ASSERT_EQ(c == 0, keysEqual);
            if (c == 0) {
                ASSERT_EQ(hashValue(stringValue(words[i], true)), hashValue(stringValue(words[j], false)));
                // Equal texts match each other as LIKE patterns (without the pattern's trailing blanks).
                QString pattern = words[j];
                while (pattern.endsWith(u' ')) pattern.chop(1);
                ASSERT_TRUE(like(words[i], pattern)) << words[i].toStdString() << " / " << pattern.toStdString();
            }
        }
    }
}
