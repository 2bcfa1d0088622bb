#include "core/Cp1252.h"

#include <gtest/gtest.h>

namespace cp = qcm::core::cp1252;

TEST(Cp1252, EveryByteRoundTrips) {
    QByteArray all;
    for (int b = 0; b < 256; ++b) {
        all.append(static_cast<char>(b));
    }
    const QString text = cp::Decode(all);
    ASSERT_EQ(text.size(), 256);
    EXPECT_TRUE(cp::CanEncode(text));
    EXPECT_EQ(cp::Encode(text), all);
}

TEST(Cp1252, DefinedCharactersMapToUnicode) {
    EXPECT_EQ(cp::Decode("fond \xE9"
                         "cran.bmp"),
              QStringLiteral("fond écran.bmp"));
    EXPECT_EQ(cp::Decode("\x80\x8C\x9C\x85\x92"), QStringLiteral("€Œœ…’"));
    EXPECT_EQ(cp::Encode(QStringLiteral("Ÿ€ÿ")), QByteArray("\x9F\x80\xFF"));
    // The 27 defined characters of 0x80..0x9F and the 224 others: 251 in all.
    int defined = 0;
    for (int b = 0; b < 256; ++b) {
        const QString c = cp::Decode(QByteArray(1, static_cast<char>(b)));
        const bool undefined = b == 0x81 || b == 0x8D || b == 0x8F || b == 0x90 || b == 0x9D;
        if (!undefined) {
            ++defined;
            if (b >= 0x80 && b < 0xA0) {
                EXPECT_NE(c.at(0).unicode(), b) << b;
            }
        }
    }
    EXPECT_EQ(defined, 251);
}

TEST(Cp1252, CharactersOutsideThePageAreRefused) {
    EXPECT_FALSE(cp::CanEncode(QStringLiteral("café ☺")));
    EXPECT_FALSE(cp::CanEncode(QStringLiteral("Ł")));
    EXPECT_FALSE(cp::CanEncode(QString::fromUtf8("\xF0\x9F\x98\x80")));
    EXPECT_TRUE(cp::CanEncode(QStringLiteral("Élève à l'école : « déjà » – œuvre")));
    EXPECT_EQ(cp::Encode(QStringLiteral("a☺b")), QByteArray("a?b"));
}
